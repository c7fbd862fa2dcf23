#include "ImagePlacement.h"

#include <cmath>
#include <cstring>

namespace gc {
namespace {

bool IsBright(unsigned char value) {
    return value > BRIGHT_THRESHOLD;
}

// The row window of image m (1..6): rows of the top quarter for the top row of images, rows just
// below the image above for the bottom row.
bool RowInWindow(int m, int y, const ImagePlacements& placements, const SearchConstants& constants) {
    if (m <= 3)
        return y < constants.m_nQuarterHeight;
    const int aboveBottom = placements[m - 4].m_nY1;
    return aboveBottom + constants.m_nStep < y && y < aboveBottom + constants.m_nGapMax;
}

// The column window of image m as the half-open range [begin, end), clipped to the padded scan.
void ColumnWindow(int m, const ImagePlacements& placements, const SearchConstants& constants,
                  const ScanGeometry& geometry, int& begin, int& end) {
    std::int64_t first = 0;
    std::int64_t last = 0; // exclusive
    if (m == 1 || m == 4) {
        // x < quarterWidth, compared in floating point.
        last = constants.m_dQuarterWidth > 0 ? static_cast<std::int64_t>(std::ceil(constants.m_dQuarterWidth))
                                             : 0;
    } else {
        const std::int64_t leftRight = placements[m - 2].m_nX1;
        first = leftRight + constants.m_nStep + 1;
        last = leftRight + constants.m_nGapMax;
    }
    const std::int64_t width = geometry.m_nPaddedWidth;
    begin = static_cast<int>(first < 0 ? 0 : (first > width ? width : first));
    end = static_cast<int>(last < begin ? begin : (last > width ? width : last));
}

// A find whose corner lies beyond these limits is rejected.
int ColumnLimit(int m, const ScanGeometry& geometry) {
    const int column = (m - 1) % 3;
    return column * geometry.m_nCellWidth + geometry.m_nCellWidth8;
}

int RowLimit(int m, const ScanGeometry& geometry) {
    return (m <= 3 ? 0 : geometry.m_nCellHeight) + geometry.m_nCellHeight8;
}

bool MaySearch(int m, const ImagePlacements& placements) {
    return placements[m - 1].m_nState == PLACEMENT_SEARCHED &&
           (m == 1 || placements[m - 2].m_nState == PLACEMENT_FOUND);
}

// Detection of image m in scan row y (band row `row`). A candidate is a bright pixel inside the
// windows; its run test looks at the next runLength − 1 pixels: the first of them may be dark, every
// other must be bright. The run state carries over from candidate to candidate within the row, so
// once a run test has failed no later candidate of the row can succeed.
void DetectInRow(const unsigned char* row, int y, int m, const ScanGeometry& geometry,
                 const SearchConstants& constants, ImagePlacements& placements) {
    ImagePlacement& image = placements[m - 1];
    int begin = 0;
    int end = 0;
    ColumnWindow(m, placements, constants, geometry, begin, end);
    const int width = geometry.m_nPaddedWidth;
    const int runLength = constants.m_nRunLength;
    const int columnLimit = ColumnLimit(m, geometry);
    const int rowLimit = RowLimit(m, geometry);
    // [brightFrom, brightEnd) are all bright; brightEnd is dark or the row's end.
    int brightFrom = 0;
    int brightEnd = -1;
    for (int x = begin; x < end; ++x) {
        if (!IsBright(row[x]))
            continue;
        if (image.m_nRunState >= 2)
            break;
        if (x + runLength < width && runLength >= 2) {
            // From state 0 pixel x + 1 gives 1 whatever its value; from 1 it must be bright.
            const int first = image.m_nRunState == 0 ? x + 2 : x + 1;
            if (first < brightFrom || first > brightEnd) {
                brightFrom = first;
                brightEnd = first;
                while (brightEnd < width && IsBright(row[brightEnd]))
                    ++brightEnd;
            }
            image.m_nRunState = brightEnd >= x + runLength ? 1 : 2;
        }
        if (image.m_nRunState == 1) {
            image.m_nState = PLACEMENT_FOUND;
            image.m_nX0 = x;
            image.m_nY0 = y;
            image.m_nX1 = x + geometry.m_nExpectedWidth;
            image.m_nY1 = y + geometry.m_nExpectedHeight;
            image.m_nPixelIndex = 0;
            if (image.m_nX0 > columnLimit || image.m_nY0 > rowLimit) {
                image.m_nState = PLACEMENT_SEARCHED;
                image.m_nRunState = 0;
                continue;
            }
            return;
        }
    }
}

// Scan row y (band row `row`) in the pass for image m: detection, then extraction of the row when it
// lies inside the image. Pixels of the image row beyond the padded scan's right edge are 0.
StepResult ProcessScanRow(const unsigned char* row, int y, int m, const ScanGeometry& geometry,
                          const SearchConstants& constants, ImagePlacements& placements,
                          std::vector<unsigned char>& imageRow, ImageRowSink& sink) {
    for (ImagePlacement& slot : placements) {
        slot.m_nRunState = 0;
        slot.m_nPixelIndex = 0;
    }
    if (MaySearch(m, placements) && RowInWindow(m, y, placements, constants))
        DetectInRow(row, y, m, geometry, constants, placements);

    ImagePlacement& image = placements[m - 1];
    if (image.m_nState != PLACEMENT_FOUND || y < image.m_nY0 || y >= image.m_nY1)
        return StepResult::Ok;
    const int available = std::min(image.m_nX1, geometry.m_nPaddedWidth) - image.m_nX0;
    const int copied = available > 0 ? available : 0;
    std::memcpy(imageRow.data(), row + image.m_nX0, static_cast<std::size_t>(copied));
    std::memset(imageRow.data() + copied, 0, imageRow.size() - static_cast<std::size_t>(copied));
    image.m_nPixelIndex = copied;
    if (image.m_nRowsDone == 0) {
        const StepResult opened = sink.OpenOutputs(m);
        if (opened != StepResult::Ok)
            return opened;
    }
    const StepResult written = sink.WriteOutputRow(m, imageRow.data(), image.m_nRowsDone);
    if (written != StepResult::Ok)
        return written;
    ++image.m_nRowsDone;
    return StepResult::Ok;
}

// Whether any row of the band starting at scan row `top` can find or extract image m; when none can,
// the band is neither filled nor processed (its tiles are still read).
bool BandNeeded(int m, int top, const ScanGeometry& geometry, const SearchConstants& constants,
                const ImagePlacements& placements) {
    const ImagePlacement& image = placements[m - 1];
    const int bottom = top + static_cast<int>(geometry.m_nTileLength); // exclusive
    if (image.m_nState == PLACEMENT_FOUND)
        return image.m_nY0 < bottom && top < image.m_nY1;
    if (!MaySearch(m, placements))
        return false;
    for (int y = top; y < bottom; ++y)
        if (RowInWindow(m, y, placements, constants))
            return true;
    return false;
}

} // namespace

void ResetPlacements(ImagePlacements& placements, int imageCount) {
    for (int i = 0; i < MAX_IMAGES; ++i) {
        placements[i] = ImagePlacement{};
        placements[i].m_nState = i < imageCount ? PLACEMENT_SEARCHED : PLACEMENT_NOT_EXPECTED;
    }
}

SearchConstants SearchConstants::For(const ScanGeometry& geometry) {
    SearchConstants constants;
    constants.m_nStep = static_cast<int>((geometry.m_nCellWidth + geometry.m_nCellHeight) * 0.0001);
    constants.m_nGapMax = constants.m_nStep * 5000;
    constants.m_nRunLength = constants.m_nStep * 50;
    constants.m_nQuarterHeight = static_cast<int>(geometry.m_nTileLength * 0.25 * geometry.m_nTilesDown);
    constants.m_dQuarterWidth = geometry.m_nTileWidth * 0.25 * geometry.m_nTilesAcross;
    return constants;
}

PassProgress::PassProgress(Progress& progress, int pass, int imageCount, int tileCount, int fileIndex,
                           int fileCount)
    : m_progress(progress), m_nPass(pass), m_nImageCount(imageCount), m_nTileCount(tileCount),
      m_nFileIndex(fileIndex), m_nFileCount(fileCount) {}

int PassProgress::Position(int pass, int tile, int fileIndex, int imageCount, int tileCount, int fileCount) {
    double done = static_cast<double>(pass + 1) * (tile + 1);
    double total = static_cast<double>(imageCount) * tileCount;
    if (fileCount != 1) {
        done *= fileIndex + 1;
        total *= fileCount;
    }
    return static_cast<int>(done * 90 / total + 10);
}

void PassProgress::BeforeTile(int tile) {
    m_progress.SetPos(Position(m_nPass, tile, m_nFileIndex, m_nImageCount, m_nTileCount, m_nFileCount));
}

void PassBuffers::Allocate(const ScanGeometry& geometry) {
    m_tile.assign(static_cast<std::size_t>(geometry.m_nTileSize), 0);
    m_band.assign(static_cast<std::size_t>(geometry.m_nTileLength) * geometry.m_nPaddedWidth, 0);
    for (auto& row : m_rows)
        row.assign(static_cast<std::size_t>(geometry.m_nExpectedWidth), 0);
}

StepResult RunImagePass(TIFF* input, int pass, const ScanGeometry& geometry, const SearchConstants& constants,
                        ImagePlacements& placements, PassBuffers& buffers, ImageRowSink& sink,
                        PassProgress& progress, const std::function<void()>& rowOfTilesRead) {
    const int m = pass + 1;
    const int tileWidth = static_cast<int>(geometry.m_nTileWidth);
    const int tileLength = static_cast<int>(geometry.m_nTileLength);
    const int width = geometry.m_nPaddedWidth;
    const int tileRows = std::min(geometry.m_nTileSize / tileWidth, tileLength);
    unsigned char* band = buffers.m_band.data();
    int tileRow = 0;
    bool bandNeeded = false;
    for (int t = 0; t < geometry.m_nTileCount; ++t) {
        const int column = t % geometry.m_nTilesAcross;
        if (column == 0)
            bandNeeded = BandNeeded(m, tileRow * tileLength, geometry, constants, placements);
        progress.BeforeTile(t);
        // The whole tile; its size given (rather than -1) lets libtiff read an uncompressed tile
        // straight into the buffer.
        if (TIFFReadEncodedTile(input, static_cast<std::uint32_t>(t), buffers.m_tile.data(),
                                static_cast<tmsize_t>(buffers.m_tile.size())) == -1)
            return StepResult::FatalRead;
        if (bandNeeded) {
            unsigned char* destination = band + static_cast<std::size_t>(tileWidth) * column;
            const unsigned char* source = buffers.m_tile.data();
            for (int r = 0; r < tileRows; ++r)
                std::memcpy(destination + static_cast<std::size_t>(r) * width,
                            source + static_cast<std::size_t>(r) * tileWidth,
                            static_cast<std::size_t>(tileWidth));
        }
        if (column + 1 == geometry.m_nTilesAcross) {
            if (bandNeeded) {
                for (int r = 0; r < tileLength; ++r) {
                    const StepResult result =
                        ProcessScanRow(band + static_cast<std::size_t>(r) * width, tileRow * tileLength + r,
                                       m, geometry, constants, placements, buffers.m_rows[m - 1], sink);
                    if (result != StepResult::Ok)
                        return result;
                }
            }
            ++tileRow;
            if (rowOfTilesRead)
                rowOfTilesRead();
        }
    }
    return StepResult::Ok;
}

} // namespace gc
