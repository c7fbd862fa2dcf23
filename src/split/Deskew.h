// Deskew: a sheet the sheet finder found turned is turned back about its centre before it is cut, so
// that the crop runs along the sheet's edges. The crop keeps the expected size; its corner is the
// sheet's top-left corner in the turned-back frame. Each output pixel is interpolated bilinearly from
// the four scan pixels around the point it comes from (pixels outside the scan count as 0).
//
// The Run streams the scan row by row, so the deskew works on a band: the extraction hands the image
// the rows of the scan box its turned crop covers (DeskewPlan widens the placement to it), and
// DeskewSink keeps only the source rows that the next output rows still need, about
// width × |sin(angle)| + 2 rows of the box's width: at 1° and an 11,625-pixel-wide image about 205
// rows of 12,000 bytes (2.4 MB), at most six such bands at once. An image cut without deskew passes
// the sink untouched, so its bytes are what they are without it.
#pragma once

#include "ImageExtraction.h"
#include "ImagePlacement.h"
#include "RunOutcome.h"
#include "ScanCheck.h"
#include "SheetFinder.h"

#include <array>
#include <cstddef>
#include <deque>
#include <vector>

namespace gc {

// The interpolation a deskewed image is made with, as the report and the lines name it.
inline constexpr const char* DESKEW_INTERPOLATION = "bilinear";
// Sheets turned by less than this (degrees) are cut as they are: across an image the turn moves a
// pixel by less than a third of a pixel.
inline constexpr double DESKEW_MIN_DEGREES = 0.001;

// How one image is turned back: output pixel (u, v) comes from the scan point
// centre + R(angle) × ((cropX + u, cropY + v) − centre).
struct DeskewGeometry {
    bool active = false;
    double centreX = 0, centreY = 0;
    double cosine = 1, sine = 0;
    int cropX = 0, cropY = 0;  // the crop's corner in the turned-back frame
    int width = 0, height = 0; // the crop's size
    int boxX0 = 0, boxY0 = 0;  // the scan box the crop's source lies in (rows and columns from 0)
    int boxX1 = 0, boxY1 = 0;  // exclusive
    // The scan point output pixel (u, v) comes from.
    double SourceX(double u, double v) const;
    double SourceY(double u, double v) const;
};

// The turn-back of the sheet `fit` for a crop of the geometry's expected size; inactive when the
// sheet was not found, is turned by less than DESKEW_MIN_DEGREES or by 45° or more (no sheet in a
// holder lies so; such a fit is not one to resample by), or its fit is not finite.
DeskewGeometry DeskewFor(const SheetFit& fit, const ScanGeometry& geometry);

using DeskewPlan = std::array<DeskewGeometry, MAX_IMAGES>;

// Passes the rows of images cut as they are to `target`; turns back the images of `plan` that are
// active, each from the rows of its box (row 0 = the box's first row), and hands `target` their output
// rows in order as soon as the band holds every source row they need.
class DeskewSink final : public ImageRowSink {
public:
    DeskewSink(ImageRowSink& target, const DeskewPlan& plan);
    unsigned char* RowPlace(int image, int rowIndex) override;
    SplitResult WriteOutputRow(int image, const unsigned char* row, int rowIndex) override;
    // After the pass: the output rows still owed (their source rows below the scan count as 0).
    SplitResult Finish();
    // The most source rows one image's band has held (for the benchmarks and tests).
    std::size_t PeakBandRows() const { return m_nPeakBandRows; }

private:
    struct Band {
        std::deque<std::vector<unsigned char>> rows; // box rows first .. first + rows.size() - 1
        int first = 0;                               // the box row of rows.front()
        int received = 0;                            // box rows handed over so far
        int nextOutput = 0;
        std::vector<unsigned char> output;
    };
    // Writes the output rows whose source rows are all in the band (all of them when `flush`).
    SplitResult Emit(int image, bool flush);
    void Interpolate(const DeskewGeometry& geometry, const Band& band, int v, unsigned char* out) const;

    ImageRowSink& m_target;
    const DeskewPlan& m_plan;
    std::array<Band, MAX_IMAGES> m_bands;
    std::size_t m_nPeakBandRows = 0;
};

} // namespace gc
