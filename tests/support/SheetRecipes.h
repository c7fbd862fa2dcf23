// Realistic sheet scans for the tests of the sheet finder and of their generator.
#pragma once

#include "tools/SheetScan.h"

namespace gc::test {

// One sheet of a `widthCm` × `heightCm` image at a third of the scanner's resolution, on a scan of
// `width` × `height` pixels; its place and every effect's draw follow from `seed`.
inline tools::SheetScanSpec OneSheetScan(unsigned seed, const tools::SheetEffects& effects, int width,
                                         int height, double widthCm, double heightCm) {
    tools::SheetScanSpec recipe;
    recipe.scan.m_nWidth = width;
    recipe.scan.m_nHeight = height;
    recipe.scan.m_nImages = 1;
    recipe.scan.m_dImageWidthCm = widthCm;
    recipe.scan.m_dImageHeightCm = heightCm;
    recipe.scan.m_dResolution /= 3;
    recipe.scan.m_dYResolution /= 3;
    recipe.scan.m_nMargin = 50;
    recipe.scan.m_nJitter = 80;
    recipe.scan.m_nSeed = seed;
    recipe.effects = effects;
    return recipe;
}

} // namespace gc::test
