// Realistic film scans for the sheet finder's tests and its evaluation: each image is a sheet of
// film laid by hand in a film holder, so it may be turned a little, larger than the image with a clear
// margin, blurred at its edge, marked at its corner (data-strip bars, notches), under- or over-exposed,
// displaced or missing; the holder around it carries dust, fibres, glare, light leaks and a glow at
// the scan's edge; scratches, grain and uneven illumination lie over everything. Every effect is drawn
// from the seed, so the same recipe gives the same file, and the true place of every sheet (its four
// corners and its angle) comes with it, to be written as JSON.
//
// Coordinates: scan pixels, x to the right, y down, pixel (x, y) covering [x, x + 1) × [y, y + 1).
// A sheet's angle is in degrees, positive when its top edge falls to the right (clockwise on screen).
// A sheet's edge is where it covers half a pixel (soft edges blur symmetrically around it).
#pragma once

#include "tools/ScanGenerator.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gc::tools {

struct SheetEffects {
    double rotationDegrees = 0; // largest turn of a sheet, either way
    double softEdge = 0;        // width of the blurred edge, pixels (0: sharp)
    int sheetMargin = 0;        // clear film around the image on each side, pixels
    bool marks = false;         // dark data-strip bars along the top edge at the top-left corner
    bool notches = false;       // notches cut into the left edge near the top-left corner
    int dust = 0;               // specks of dust in the holder and on the sheets
    int fibres = 0;             // thin bright fibres in the holder, some close above or beside a sheet
    int scratches = 0;          // thin bright scratches across the sheets, some through an edge
    int grain = 0;              // ± grain of every pixel
    double illumination = 0;    // relative fall-off of the light from the scan's centre to its corners
    double exposure = 0;        // largest relative change of a sheet's brightness, either way
    int leaks = 0;              // light leaks: bright bands in the holder, close above a sheet
    bool edgeGlow = false;      // a bright glow along the scan's top and left edges
    int missing = 0;            // sheets left out (empty slots)
    int displacement = 0;       // largest extra offset of a sheet in its cell, pixels
};

struct SheetScanSpec {
    ScanSpec scan; // size, tiles, compression, seed, images, image size in cm, margin and jitter
    SheetEffects effects;
    int holderLevel = 22;      // the holder's grey level
    int clearLevel = 205;      // clear film
    int imageLevel = 150;      // the image's mean inside the clear margin
    int textureAmplitude = 30; // ± slow texture of the image
};

// The truth about one cell of the grid.
struct SheetTruth {
    int number = 0;       // 1..6, the image the Run names it
    bool present = false; // false: the slot is empty
    double angle = 0;     // degrees
    // Top-left, top-right, bottom-right, bottom-left, in scan pixels.
    std::array<std::array<double, 2>, 4> corners{};
    double width = 0, height = 0; // the sheet's size
};

// The sheets of `recipe`: positions, sizes and angles, all from its seed. Sheets never overlap and
// stay inside the scan.
std::vector<SheetTruth> PlanSheets(const SheetScanSpec& recipe);

// Writes the scan; fills *truth (when given) with its sheets.
bool GenerateSheetScan(const SheetScanSpec& recipe, const std::string& path, std::vector<SheetTruth>* truth,
                       std::string* error);

// The scan's pixels in memory (width × height, row-major), without a file; empty when the sheets do
// not fit.
std::vector<std::uint8_t> RenderSheetScan(const SheetScanSpec& recipe, std::vector<SheetTruth>* truth);

// The truth as JSON text: the scan's size, the image size, the seed, the effects and every cell.
std::string SheetTruthJson(const SheetScanSpec& recipe, const std::vector<SheetTruth>& truth);

// A "lab day": a mild mix of every effect, each amount drawn from `seed`.
SheetEffects LabDayEffects(unsigned seed);

} // namespace gc::tools
