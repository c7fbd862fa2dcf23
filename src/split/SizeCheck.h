// Size checks of a scan's found images: whether the chosen image size fits what the scan shows.
// For each found image the bright area is measured along its middle row and its middle column (from
// its corner to where the grey level falls back to the background), reading only the tiles on those
// two lines. An image gets a warning when the chosen size is more than 5 % larger or smaller than
// the measured one (with the --width-cm/--height-cm that fit), when it overlaps another found image,
// or when it runs off the scan by more than 2 % of its width or height. The warnings change nothing
// the Run writes; they are texts for the command line, the report, the placement picture and the
// desktop program's placement table.
#pragma once

#include "ImagePlacement.h"
#include "RunRecord.h"
#include "ScanCheck.h"
#include "ScanTiles.h"

#include <functional>
#include <string>
#include <vector>

namespace gc {

// Tolerances, in parts of the measured size (mismatch) or of the image's own size (run-off).
inline constexpr double SIZE_MISMATCH_TOLERANCE = 0.05;
inline constexpr double RUN_OFF_TOLERANCE = 0.02;

// The Run's resolution: pixels per cm across and down.
inline constexpr double PIXELS_PER_CM_ACROSS = PIXELS_ACROSS_PER_8_CM / 8.0;
inline constexpr double PIXELS_PER_CM_DOWN = PIXELS_DOWN_PER_10_CM / 10.0;

// A scan pixel's grey level, or -1 when it cannot be read.
using PixelReader = std::function<int(int x, int y)>;

// The bright extent of a line that starts bright at offset 0 (the image's first pixel) and whose
// expected length is `expected`: the number of pixels up to where a run of 4 dark pixels begins
// (shorter dark specks inside the image are passed over). `limit` is the
// line's end in the scan; the walk stops there or at twice `expected`. `pixel(i)` reads offset i;
// -1 when a pixel cannot be read.
int MeasureBrightExtent(const std::function<int(int offset)>& pixel, int expected, int limit);

// Adds the size warnings of every found image of `images` (the records of the expected images, their
// corners and expected sizes filled in) to its `warnings`.
void CheckImageSizes(const ScanGeometry& geometry, const PixelReader& pixel,
                     std::vector<ImageRecord>& images);

// The size an image shows, measured from its corner; -1 where it could not be measured.
struct MeasuredSize {
    int width = -1, height = -1;
};
using SizeMeasure = std::function<MeasuredSize(const ImageRecord& image)>;
// The same checks with the sizes `measure` gives (the sheet finder's fitted sheets).
void CheckImageSizes(const ScanGeometry& geometry, const SizeMeasure& measure,
                     std::vector<ImageRecord>& images);

// A PixelReader over the scan's tiles, decoding each tile it needs once (kept tiles are used as they
// are). Library errors are not shown: a tile that cannot be read fails later in the Run with its own
// message.
PixelReader ScanPixelReader(ScanTiles& scan, const ScanGeometry& geometry, KeptTiles& kept);

// The same reader, keeping each tile it decodes in `kept` while the budget allows, so the extraction
// takes it over instead of decoding it again.
PixelReader KeepingPixelReader(ScanTiles& scan, const ScanGeometry& geometry, KeptTiles& kept);

} // namespace gc
