// A compact reference of the Run's search and extraction as first built: one pass over every pixel
// of the padded scan per expected image, the run test examined pixel by pixel, each image's rows
// written as its pass reaches them (outputs opened at the first row, TIFF outputs closed after the
// pass, MRC outputs finished after the last pass). Tests split scans with it and with the Run and
// compare the files byte for byte.
#pragma once

#include "split/ImageOutput.h"
#include "split/ImagePlacement.h"
#include "split/OutputNames.h"
#include "split/ScanCheck.h"

#include <string>
#include <vector>

namespace gc::test {

// `pixels` is the padded scan, paddedWidth × paddedHeight, row-major. Returns the placements and
// false when an output could not be opened or written.
bool SixPassSplit(const std::vector<unsigned char>& pixels, const std::string& path,
                  const ScanGeometry& geometry, int imageCount, const OutputSettings& settings,
                  OutputNamer& namer, ImagePlacements& placements);

} // namespace gc::test
