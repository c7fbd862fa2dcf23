#include "SizeCheck.h"

#include "SplitMessages.h"
#include "core/TiffErrors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace gc {
namespace {

// A line turns dark for good after this many dark pixels: enough to pass over a dark speck inside
// an image, few enough for the narrowest gap between two images (generated scans have gaps of 5 rows).
inline constexpr int DARK_RUN = 4;

bool IsBright(int value) {
    return value > BRIGHT_THRESHOLD;
}

// The first position from `from` on where a dark run of `run` pixels starts, or where the dark run
// that reaches `limit` starts (`limit` when the line is bright there); -1 on a read failure.
int FirstDarkRun(const std::function<int(int)>& pixel, int from, int limit, int run) {
    int dark = 0;
    for (int i = from; i < limit; ++i) {
        const int value = pixel(i);
        if (value < 0)
            return -1;
        dark = IsBright(value) ? 0 : dark + 1;
        if (dark == run)
            return i - run + 1;
    }
    // The line ends inside a dark run shorter than `run`: the image ended where that run began.
    return limit - dark;
}

std::string Fixed1(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// The dialog's choice (in cm) whose size in pixels lies within the tolerance of `measured`, the
// closest one; 0 when none does.
template <std::size_t N>
int FittingChoice(const char* const (&items)[N], int measured, int pixelsPer8Or10, int per) {
    int best = 0;
    double bestDifference = 0;
    for (const char* item : items) {
        const int cm = std::atoi(item);
        const int pixels = cm * pixelsPer8Or10 / per;
        const double difference = std::abs(pixels - measured);
        if (difference <= SIZE_MISMATCH_TOLERANCE * measured && (best == 0 || difference < bestDifference)) {
            best = cm;
            bestDifference = difference;
        }
    }
    return best;
}

bool Mismatched(int chosen, int measured) {
    return std::abs(chosen - measured) > SIZE_MISMATCH_TOLERANCE * measured;
}

std::string MismatchWarning(const ScanGeometry& geometry, int measuredWidth, int measuredHeight) {
    std::string text = SIZE_WARNING_SHOWS + Fixed1(measuredWidth / PIXELS_PER_CM_ACROSS) + SIZE_WARNING_WIDE +
                       Fixed1(measuredHeight / PIXELS_PER_CM_DOWN) + SIZE_WARNING_HIGH +
                       std::to_string(measuredWidth) + " x " + std::to_string(measuredHeight) +
                       SIZE_WARNING_CHOSEN + std::to_string(geometry.m_nExpectedWidth) + " x " +
                       std::to_string(geometry.m_nExpectedHeight) + SIZE_WARNING_PIXELS;
    const int width = FittingChoice(RUN_PARAMETERS_WIDTH_ITEMS, measuredWidth, PIXELS_ACROSS_PER_8_CM, 8);
    const int height = FittingChoice(RUN_PARAMETERS_HEIGHT_ITEMS, measuredHeight, PIXELS_DOWN_PER_10_CM, 10);
    if (width != 0 && height != 0)
        return text + SIZE_WARNING_TRY + std::to_string(height) + " --width-cm " + std::to_string(width);
    return text + SIZE_WARNING_NO_CHOICE;
}

bool Overlap(const ImageRecord& a, const ImageRecord& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

} // namespace

int MeasureBrightExtent(const std::function<int(int offset)>& pixel, int expected, int limit) {
    // Walked from the image's first pixel on, so that a neighbour within reach of the expected end is
    // not taken for a part of the image; no further than twice the expected size.
    return FirstDarkRun(pixel, 0, std::min(limit, 2 * expected), DARK_RUN);
}

void CheckImageSizes(const ScanGeometry& geometry, const PixelReader& pixel,
                     std::vector<ImageRecord>& images) {
    const int scanWidth = static_cast<int>(geometry.m_nImageWidth);
    const int scanHeight = static_cast<int>(geometry.m_nImageLength);
    CheckImageSizes(
        geometry,
        [&](const ImageRecord& image) {
            const int middleRow = std::min(image.y + image.height / 2, scanHeight - 1);
            const int measuredWidth = MeasureBrightExtent(
                [&](int i) { return pixel(image.x + i, middleRow); }, image.width, scanWidth - image.x);
            const int middleColumn =
                std::min(image.x + (measuredWidth > 0 ? measuredWidth : image.width) / 2, scanWidth - 1);
            const int measuredHeight = MeasureBrightExtent(
                [&](int i) { return pixel(middleColumn, image.y + i); }, image.height, scanHeight - image.y);
            return MeasuredSize{measuredWidth, measuredHeight};
        },
        images);
}

void CheckImageSizes(const ScanGeometry& geometry, const SizeMeasure& measure,
                     std::vector<ImageRecord>& images) {
    const int scanWidth = static_cast<int>(geometry.m_nImageWidth);
    const int scanHeight = static_cast<int>(geometry.m_nImageLength);
    for (ImageRecord& image : images) {
        if (!image.found)
            continue;
        const auto [measuredWidth, measuredHeight] = measure(image);
        // An image cut off by the scan's edge may be larger than it shows: only the run-off is judged.
        const bool widthCut = measuredWidth == scanWidth - image.x;
        const bool heightCut = measuredHeight == scanHeight - image.y;
        if (measuredWidth >= 0 && measuredHeight >= 0 &&
            ((!widthCut && Mismatched(image.width, measuredWidth)) ||
             (!heightCut && Mismatched(image.height, measuredHeight))))
            image.warnings.push_back(MismatchWarning(geometry, measuredWidth, measuredHeight));

        for (const ImageRecord& other : images)
            if (&other != &image && other.found && Overlap(image, other))
                image.warnings.push_back(SIZE_WARNING_OVERLAPS + std::to_string(other.number));

        const int columnsOff = image.x + image.width - scanWidth;
        if (columnsOff > RUN_OFF_TOLERANCE * image.width)
            image.warnings.push_back(SIZE_WARNING_RUNS + std::to_string(columnsOff) +
                                     SIZE_WARNING_PAST_RIGHT);
        const int rowsOff = image.y + image.height - scanHeight;
        if (rowsOff > RUN_OFF_TOLERANCE * image.height)
            image.warnings.push_back(SIZE_WARNING_RUNS + std::to_string(rowsOff) + SIZE_WARNING_PAST_BOTTOM);
    }
}

namespace {

// Kept tiles are used as they are; a tile it decodes is kept for the extraction while `keep` and the
// budget allow (but not a tile the library said something about, which the extraction reads and
// reports itself), otherwise held until the next one: a line's walk reads the pixels of a tile one
// after another, so one tile is all the reader holds beyond the kept ones.
PixelReader TileReader(ScanTiles& scan, const ScanGeometry& geometry, KeptTiles& kept, bool keep) {
    struct Cache {
        int tile = -1;
        std::vector<unsigned char> pixels;
    };
    auto cache = std::make_shared<Cache>();
    return [&scan, &geometry, &kept, cache, keep](int x, int y) -> int {
        if (x < 0 || y < 0 || x >= geometry.m_nPaddedWidth || y >= geometry.m_nPaddedHeight)
            return -1;
        const int tileWidth = static_cast<int>(geometry.m_nTileWidth);
        const int tileLength = static_cast<int>(geometry.m_nTileLength);
        const int tile = (y / tileLength) * geometry.m_nTilesAcross + x / tileWidth;
        const std::vector<unsigned char>* pixels = kept.Find(tile);
        if (pixels == nullptr && cache->tile != tile) {
            std::vector<unsigned char> decoded(static_cast<std::size_t>(geometry.m_nTileSize));
            std::vector<TiffErrorRecord> dropped;
            TiffErrorCapture capture(dropped);
            if (!scan.ReadTile(static_cast<std::uint32_t>(tile), decoded.data(), decoded.size()))
                return -1;
            if (keep && dropped.empty() && kept.Keep(tile, decoded)) {
                pixels = kept.Find(tile);
            } else {
                cache->tile = tile;
                cache->pixels.swap(decoded);
            }
        }
        if (pixels == nullptr)
            pixels = &cache->pixels;
        return (*pixels)[static_cast<std::size_t>(y % tileLength) * tileWidth + x % tileWidth];
    };
}

} // namespace

PixelReader ScanPixelReader(ScanTiles& scan, const ScanGeometry& geometry, KeptTiles& kept) {
    return TileReader(scan, geometry, kept, true);
}

PixelReader KeepingPixelReader(ScanTiles& scan, const ScanGeometry& geometry, KeptTiles& kept) {
    return TileReader(scan, geometry, kept, true);
}

} // namespace gc
