// The sheet finder: finds the sheet of film in each cell of the 3 × 2 grid on its own (no image waits
// for another), as a region brighter than the holder, and fits its four edges. Each edge is sampled by
// short profiles across it, read from the outside in: an edge is the first step from the holder to a
// level above the threshold (halfway between the holder's and this sheet's own levels) that stays
// bright for a good stretch, so thin fibres, specks, glows and light leaks in the holder are passed
// over. A robust line fit through the edge points of each side (points far from the line are dropped
// and the line fitted again) leaves marks, notches and dust at the edge out. The corner is where the
// top and left lines meet; the angle comes from the top and left lines together.
//
// Only the pixels on the profiles and a small patch in the middle of each cell are read, through a
// PixelReader, so only the tiles under them are decoded. On a clean, square sheet with a sharp edge
// the corner is its first bright pixel, the corner the classic search gives.
#pragma once

#include "ScanCheck.h"
#include "SizeCheck.h"

#include "RunRecord.h"

#include <array>
#include <vector>

namespace gc {

// A line s = offset + slope × t: for the top and bottom edges y of x, for the left and right x of y.
struct EdgeLine {
    bool fitted = false;
    double offset = 0, slope = 0;
    int points = 0; // edge points the fit kept
    double At(double t) const { return offset + slope * t; }
};

struct SheetFit {
    bool found = false;
    int x0 = 0, y0 = 0; // the crop's corner: the sheet's top-left corner, rounded
    double angle = 0;   // degrees, positive when the top edge falls to the right
    EdgeLine top, left, bottom, right;
    double cornerX = 0, cornerY = 0; // the top-left corner, unrounded
    // The sheet's size along its edges, measured between the fitted lines (0 when an edge was not
    // found).
    double width = 0, height = 0;
    int holderLevel = 0, sheetLevel = 0;
};

// The sheet in the cell of image `number` (1..6). `pixel` returns -1 for pixels it cannot read.
SheetFit FindSheet(const ScanGeometry& geometry, const PixelReader& pixel, int number);

// Points of the sides along which a line is fitted: `along` and `across` coordinates. Drops the points
// farther than the tolerance from the line (three times their median distance, at least 1.5 pixels)
// and fits again, until none is dropped.
EdgeLine FitEdgeLine(const std::vector<double>& along, const std::vector<double>& across);

// A sheet turned by more than this (degrees) gets a warning: its crop is cut square to the scan.
inline constexpr double TURN_WARNING_DEGREES = 0.1;
// A crop may reach this many pixels past its sheet's right or bottom edge before a warning.
inline constexpr int CROP_PAST_SHEET_TOLERANCE = 40;

// The size and placement warnings of images placed by the sheet finder (`fits[k]` for image k + 1):
// the sizes are the fitted sheets' sizes, and a crop turned against its sheet or reaching past its
// sheet's right or bottom edge is named. Sets each found image's angle.
void CheckSheetImages(const ScanGeometry& geometry, const std::vector<SheetFit>& fits,
                      std::vector<ImageRecord>& images);

// For the classic search: every image with a warning whose sheet the sheet finder places elsewhere
// (or finds turned) gets a warning naming that place.
void AddSheetFinderHints(const ScanGeometry& geometry, const PixelReader& pixel,
                         std::vector<ImageRecord>& images);

} // namespace gc
