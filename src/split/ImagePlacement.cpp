#include "ImagePlacement.h"

#include "core/TiffErrors.h"
#include "core/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

namespace gc {
namespace {

bool IsBright(unsigned char value) {
    return value > BRIGHT_THRESHOLD;
}

// The row window of image m (1..6) as the half-open range [begin, end): rows of the top quarter for
// the top row of images; for the bottom row, rows more than a step and less than gapMax below the
// image above (image m − 3).
void RowWindow(int m, const ImagePlacements& placements, const SearchConstants& constants,
               std::int64_t& begin, std::int64_t& end) {
    if (m <= 3) {
        begin = 0;
        end = constants.m_nQuarterHeight;
        return;
    }
    const std::int64_t aboveBottom = placements[m - 4].m_nY1;
    begin = aboveBottom + constants.m_nStep + 1;
    end = aboveBottom + constants.m_nGapMax;
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

// A find whose corner lies beyond these limits is rejected: it lies too far into its cell to be the
// image's edge (it is more likely a neighbour's, or a bright patch inside the picture).
int ColumnLimit(int m, const ScanGeometry& geometry) {
    const int column = (m - 1) % 3;
    return column * geometry.m_nCellWidth + geometry.m_nCellWidth8;
}

int RowLimit(int m, const ScanGeometry& geometry) {
    return (m <= 3 ? 0 : geometry.m_nCellHeight) + geometry.m_nCellHeight8;
}

// Detection of image m in scan row y (`row` holds the row's pixels at least over the column window
// and runLength − 1 pixels beyond it; pixels that are not held must read as dark). A candidate is a
// bright pixel inside the window; its run test looks at the next runLength − 1 pixels: the first of
// them may be dark, every other must be bright. The run state carries over from candidate to
// candidate within the row (0: untested, 1: the run held, 2 or more: a dark pixel was met), so once a
// run test has failed no later candidate of the row can succeed. A find beyond the limits is
// rejected and the search goes on to the right with a fresh run state.
void DetectInRow(const unsigned char* row, int y, int m, int begin, int end, const ScanGeometry& geometry,
                 const SearchConstants& constants, ImagePlacements& placements) {
    ImagePlacement& image = placements[m - 1];
    const int width = geometry.m_nPaddedWidth;
    const int runLength = constants.m_nRunLength;
    const int columnLimit = ColumnLimit(m, geometry);
    const int rowLimit = RowLimit(m, geometry);
    image.m_nRunState = 0;
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
            PlaceFound(image, x, y, geometry);
            if (image.m_nX0 > columnLimit || image.m_nY0 > rowLimit) {
                image.m_nState = PLACEMENT_SEARCHED;
                image.m_nRunState = 0;
                continue;
            }
            return;
        }
    }
}

// Decodes tiles for the search on the calling thread and, given more threads, on the threads of a
// worker pool, each reading through a reader of its own; pool and readers are made at the first
// batch and kept for the search.
// Every thread keeps what the library reports for its tiles, and the calling thread shows it in tile
// order. A tile that failed anywhere is read once more on the calling thread, so the failure is
// reported in the library's own words, exactly as a lone reader would have reported it.
class SearchDecoder {
public:
    SearchDecoder(ScanTiles& scan, std::size_t tileSize, int threads)
        : m_scan(scan), m_tileSize(tileSize), m_threads(std::max(1, threads)) {}

    // Decodes `tiles` into `buffers` (one each); false, with `detail` naming the tile, when one cannot
    // be read. The tiles before it are decoded and their reports shown.
    bool Decode(const std::vector<int>& tiles, std::vector<std::vector<unsigned char>>& buffers,
                std::string& detail) {
        const std::size_t count = tiles.size();
        m_failed.assign(count, 0);
        m_reports.assign(count, {});
        std::atomic<std::size_t> next{0};
        const auto work = [&](ScanTiles& reader) {
            for (std::size_t i = next++; i < count; i = next++) {
                TiffErrorCapture capture(m_reports[i]);
                try {
                    buffers[i].resize(m_tileSize);
                    m_failed[i] =
                        reader.ReadTile(static_cast<std::uint32_t>(tiles[i]), buffers[i].data(), m_tileSize)
                            ? 0
                            : 1;
                } catch (const std::bad_alloc&) {
                    m_failed[i] = 1;
                }
            }
        };
        if (count >= MIN_SHARED_BATCH && StartHelpers())
            for (const std::unique_ptr<ScanTiles>& reader : m_readers)
                m_pool->Submit([&work, &reader] { work(*reader); });
        work(m_scan);
        if (m_pool)
            m_pool->Wait();
        return Report(tiles, buffers, detail);
    }

private:
    // Tiles in a batch below which helpers would cost more than they save.
    static constexpr std::size_t MIN_SHARED_BATCH = 2;

    // Makes the pool and a reader for each of its threads at the first shared batch; false when there
    // are no helpers (one thread asked for, or none the system gives, or no reader the library makes).
    bool StartHelpers() {
        if (!m_pool) {
            m_pool.emplace(m_threads);
            while (m_readers.size() < static_cast<std::size_t>(m_pool->Threads())) {
                std::vector<TiffErrorRecord> openErrors;
                TiffErrorCapture capture(openErrors);
                std::unique_ptr<ScanTiles> reader = m_scan.Reader();
                if (!reader)
                    break;
                m_readers.push_back(std::move(reader));
            }
        }
        return !m_readers.empty();
    }

    // Shows the reports in tile order up to the first tile that fails again on this thread.
    bool Report(const std::vector<int>& tiles, std::vector<std::vector<unsigned char>>& buffers,
                std::string& detail) {
        Messages* sink = TiffErrorSink();
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            if (!m_failed[i]) {
                if (sink)
                    ShowTiffErrors(m_reports[i], *sink);
                continue;
            }
            buffers[i].resize(m_tileSize);
            if (!m_scan.ReadTile(static_cast<std::uint32_t>(tiles[i]), buffers[i].data(), m_tileSize)) {
                detail = m_scan.UnreadableTile(tiles[i]);
                return false;
            }
        }
        return true;
    }

    ScanTiles& m_scan;
    const std::size_t m_tileSize;
    const int m_threads;
    std::vector<std::unique_ptr<ScanTiles>> m_readers;   // one for each thread of the pool
    std::vector<char> m_failed;                          // of the batch: each tile's failure
    std::vector<std::vector<TiffErrorRecord>> m_reports; // and what the library said of it
    std::optional<WorkerPool> m_pool;                    // last: ended before everything its tasks use
};

// The tiles of one tile row under a search's columns [firstColumn, lastColumn]: those the cache
// holds from it, the others decoded (and kept while the budget allows).
class TileRowFetch {
public:
    TileRowFetch(SearchDecoder& decoder, const ScanGeometry& geometry, KeptTiles& kept, int firstColumn,
                 int lastColumn)
        : tiles(static_cast<std::size_t>(lastColumn - firstColumn + 1)), m_decoder(decoder),
          m_geometry(geometry), m_kept(kept), m_firstColumn(firstColumn), m_lastColumn(lastColumn),
          m_unkept(tiles.size()) {}

    // Fetches the tiles of `tileRow`; FatalRead (with `detail` naming the tile) when one cannot be read.
    RunOutcome Fetch(int tileRow, std::string& detail) {
        m_missing.clear();
        for (int column = m_firstColumn; column <= m_lastColumn; ++column) {
            const int tile = tileRow * m_geometry.m_nTilesAcross + column;
            if (const std::vector<unsigned char>* held = m_kept.Find(tile))
                tiles[static_cast<std::size_t>(column - m_firstColumn)] = held->data();
            else
                m_missing.push_back(tile);
        }
        m_decoded.resize(m_missing.size());
        if (!m_decoder.Decode(m_missing, m_decoded, detail))
            return RunOutcome::FatalRead;
        // Kept in column order, so the budget takes the same tiles however many threads decoded them.
        for (std::size_t i = 0; i < m_missing.size(); ++i) {
            const int tile = m_missing[i];
            const auto slot = static_cast<std::size_t>(tile % m_geometry.m_nTilesAcross - m_firstColumn);
            if (m_kept.Keep(tile, m_decoded[i])) {
                tiles[slot] = m_kept.Find(tile)->data();
            } else {
                m_unkept[slot].swap(m_decoded[i]);
                tiles[slot] = m_unkept[slot].data();
            }
        }
        return RunOutcome::Done;
    }

    std::vector<const unsigned char*> tiles; // the pixels of each column's tile, from firstColumn on

private:
    SearchDecoder& m_decoder;
    const ScanGeometry& m_geometry;
    KeptTiles& m_kept;
    int m_firstColumn, m_lastColumn;
    std::vector<int> m_missing;                        // the tiles of the row the cache does not hold
    std::vector<std::vector<unsigned char>> m_decoded; // their pixels, until kept
    std::vector<std::vector<unsigned char>> m_unkept;  // tiles read that the cache did not keep
};

// The search of image m: the rows of its window top to bottom, each over the tiles under its column
// window (and the run that may follow a candidate at the window's end), until the image is found.
RunOutcome FindImage(int m, SearchDecoder& decoder, const ScanGeometry& geometry,
                     const SearchConstants& constants, ImagePlacements& placements, KeptTiles& kept,
                     const Progress& progress, std::vector<unsigned char>& row, std::string& detail) {
    std::int64_t rowBegin = 0;
    std::int64_t rowEnd = 0;
    RowWindow(m, placements, constants, rowBegin, rowEnd);
    rowBegin = std::max<std::int64_t>(rowBegin, 0);
    rowEnd = std::min<std::int64_t>(rowEnd, geometry.m_nPaddedHeight);
    int begin = 0;
    int end = 0;
    ColumnWindow(m, placements, constants, geometry, begin, end);
    if (rowBegin >= rowEnd || begin >= end)
        return RunOutcome::Done;

    const int tileWidth = static_cast<int>(geometry.m_nTileWidth);
    const int tileLength = static_cast<int>(geometry.m_nTileLength);
    const std::int64_t readEnd = std::min<std::int64_t>(
        geometry.m_nPaddedWidth, static_cast<std::int64_t>(end) + constants.m_nRunLength);
    const int firstColumn = begin / tileWidth;
    const int lastColumn = static_cast<int>((readEnd - 1) / tileWidth);
    // Columns outside the tiles read stay 0, which reads as dark.
    std::fill(row.begin(), row.end(), 0);
    TileRowFetch fetch(decoder, geometry, kept, firstColumn, lastColumn);

    for (int tileRow = static_cast<int>(rowBegin / tileLength);
         tileRow * static_cast<std::int64_t>(tileLength) < rowEnd; ++tileRow) {
        if (progress.StopRequested())
            return RunOutcome::Interrupted;
        if (const RunOutcome fetched = fetch.Fetch(tileRow, detail); fetched != RunOutcome::Done)
            return fetched;
        const int top = tileRow * tileLength;
        const int firstRow = static_cast<int>(std::max<std::int64_t>(rowBegin, top));
        const int lastRow = static_cast<int>(std::min<std::int64_t>(rowEnd, top + tileLength)); // exclusive
        for (int y = firstRow; y < lastRow; ++y) {
            const std::size_t offset = static_cast<std::size_t>(y - top) * tileWidth;
            for (int column = firstColumn; column <= lastColumn; ++column)
                std::memcpy(row.data() + static_cast<std::size_t>(column) * tileWidth,
                            fetch.tiles[static_cast<std::size_t>(column - firstColumn)] + offset,
                            static_cast<std::size_t>(tileWidth));
            DetectInRow(row.data(), y, m, begin, end, geometry, constants, placements);
            if (placements[m - 1].m_nState == PLACEMENT_FOUND)
                return RunOutcome::Done;
        }
    }
    return RunOutcome::Done;
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

KeptTiles::KeptTiles(int tileCount, std::size_t budgetBytes)
    : tiles(static_cast<std::size_t>(tileCount > 0 ? tileCount : 0)), budget(budgetBytes) {}

std::vector<unsigned char>* KeptTiles::Find(int tile) {
    if (tile < 0 || static_cast<std::size_t>(tile) >= tiles.size() ||
        tiles[static_cast<std::size_t>(tile)].empty())
        return nullptr;
    return &tiles[static_cast<std::size_t>(tile)];
}

bool KeptTiles::Keep(int tile, std::vector<unsigned char>& decoded) {
    if (tile < 0 || static_cast<std::size_t>(tile) >= tiles.size() || bytes + decoded.size() > budget)
        return false;
    bytes += decoded.size();
    tiles[static_cast<std::size_t>(tile)].swap(decoded);
    return true;
}

SplitResult FindImages(ScanTiles& scan, const ScanGeometry& geometry, const SearchConstants& constants,
                       ImagePlacements& placements, KeptTiles& kept, const Progress& progress, int threads) {
    std::vector<unsigned char> row(static_cast<std::size_t>(geometry.m_nPaddedWidth), 0);
    SearchDecoder decoder(scan, static_cast<std::size_t>(geometry.m_nTileSize), threads);
    for (int m = 1; m <= MAX_IMAGES; ++m) {
        if (placements[m - 1].m_nState != PLACEMENT_SEARCHED)
            continue;
        // Each image needs its predecessor found; once one is missing, the later ones are too.
        if (m > 1 && placements[m - 2].m_nState != PLACEMENT_FOUND)
            break;
        std::string detail;
        const RunOutcome result =
            FindImage(m, decoder, geometry, constants, placements, kept, progress, row, detail);
        if (result != RunOutcome::Done)
            return SplitResult::Because(result, detail);
    }
    return {};
}

} // namespace gc
