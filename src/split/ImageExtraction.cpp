#include "ImageExtraction.h"

#include "RowWriter.h"
#include "SplitMessages.h"
#include "core/TiffErrors.h"
#include "core/WorkerPool.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace gc {
namespace {

// The decoded rows of tiles waiting to be handed over take at most this much memory, in at most
// RING_MAX_ROWS rows whatever the number of threads (but the ring always has two rows, so that
// decoding goes on while a row is handed over).
inline constexpr std::size_t RING_BUDGET_BYTES = std::size_t{32} << 20;
inline constexpr int RING_MIN_ROWS = 2;
inline constexpr int RING_MAX_ROWS = 3;
// The image rows waiting for the writer thread take about this much memory, in this many rows at
// least and at most.
inline constexpr std::size_t RING_ROWS_BYTES = std::size_t{8} << 20;
inline constexpr std::size_t RING_ROWS_MIN = 16;
inline constexpr std::size_t RING_ROWS_MAX = 4096;

// The machine's cores (1 when unknown).
int Cores() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

// One row of tiles of the ring: the decoded tiles that an image covers, by column, and what reading
// each tile of the row reported.
struct RowOfTiles {
    std::vector<std::vector<unsigned char>> tiles;
    std::vector<std::vector<TiffErrorRecord>> errors;
    std::vector<char> failed;
    int decoded = 0;
};

// The pass: the ring of rows of tiles, the tiles claimed so far, and the helper threads. Tiles are
// claimed in the file's order (left to right, rows of tiles top to bottom) by whichever thread is
// free, the calling thread included, as long as their row of tiles has a place in the ring; the
// calling thread hands the rows of tiles over in order and then frees their place.
class OnePass {
public:
    OnePass(const ScanGeometry& geometry, const ImagePlacements& placements, KeptTiles& kept,
            const std::function<void(int, const unsigned char*)>& tileDecoded)
        : m_geometry(geometry), m_placements(placements), m_kept(kept), m_fnTileDecoded(tileDecoded),
          m_nAcross(geometry.m_nTilesAcross), m_nTileCount(geometry.m_nTileCount),
          m_nTileBytes(std::max<std::size_t>(static_cast<std::size_t>(geometry.m_nTileSize),
                                             static_cast<std::size_t>(geometry.m_nTileWidth) *
                                                 geometry.m_nTileLength)) {
        int coveredColumns = 0;
        for (int column = 0; column < m_nAcross; ++column)
            for (int tileRow = 0; tileRow < geometry.m_nTilesDown; ++tileRow)
                if (Covered(tileRow * m_nAcross + column)) {
                    ++coveredColumns;
                    break;
                }
        const std::size_t rowBytes = static_cast<std::size_t>(coveredColumns) * m_nTileBytes;
        const int fitting = rowBytes == 0 ? RING_MAX_ROWS : static_cast<int>(RING_BUDGET_BYTES / rowBytes);
        const int rows = std::clamp(fitting, RING_MIN_ROWS, RING_MAX_ROWS);
        m_ring.resize(static_cast<std::size_t>(rows));
        for (RowOfTiles& row : m_ring) {
            row.tiles.resize(static_cast<std::size_t>(m_nAcross));
            row.errors.resize(static_cast<std::size_t>(m_nAcross));
            row.failed.assign(static_cast<std::size_t>(m_nAcross), 0);
        }
    }

    ~OnePass() {
        {
            std::lock_guard lock(m_mutex);
            m_bStopping = true;
        }
        m_changed.notify_all();
        m_pool.reset();
    }

    OnePass(const OnePass&) = delete;
    OnePass& operator=(const OnePass&) = delete;

    // Starts up to `count` helpers reading through readers of `scan`, each a task on a thread of the
    // pass's pool of its own (a helper waits for the calling thread to free places in the ring, so it
    // must never run on the calling thread); a thread or reader that cannot be made means fewer helpers
    // (the calling thread reads in any case).
    void StartHelpers(const ScanTiles& scan, int count) {
        try {
            m_pool.emplace(count + 1);
            for (int i = 0; i < m_pool->Threads(); ++i) {
                std::unique_ptr<ScanTiles> reader;
                {
                    std::vector<TiffErrorRecord> openErrors;
                    TiffErrorCapture capture(openErrors);
                    reader = scan.Reader();
                }
                if (!reader)
                    return;
                m_pool->Submit(
                    [this, owned = std::shared_ptr<ScanTiles>(std::move(reader))] { Help(*owned); });
            }
        } catch (const std::bad_alloc&) {
            return;
        }
    }

    // The end of the detail line of a thread that failed (": not enough memory", ": a reading thread
    // failed: <reason>"), or "" while none has.
    std::string Failure() {
        std::lock_guard lock(m_mutex);
        return m_strFailure;
    }

    // Waits until row of tiles `tileRow` is decoded, decoding tiles itself meanwhile.
    RowOfTiles& WaitForRow(int tileRow, ScanTiles& scan) {
        RowOfTiles& row = RingRow(tileRow);
        for (;;) {
            int tile = -1;
            {
                std::unique_lock lock(m_mutex);
                if (row.decoded == m_nAcross || !m_strFailure.empty())
                    return row;
                if (CanClaim())
                    tile = m_nNextTile++;
                else
                    m_changed.wait(lock);
            }
            if (tile >= 0 && !Guarded([&] { Decode(tile, scan); }))
                return row;
        }
    }

    // Frees the place of row of tiles `tileRow` for a later row.
    void Release(int tileRow) {
        RowOfTiles& row = RingRow(tileRow);
        {
            std::lock_guard lock(m_mutex);
            row.decoded = 0;
            std::fill(row.failed.begin(), row.failed.end(), 0);
            for (auto& errors : row.errors)
                errors.clear();
            ++m_nReleasedRows;
        }
        m_changed.notify_all();
    }

    // Whether some found image covers tile `tile`.
    bool Covered(int tile) const {
        const int tileWidth = static_cast<int>(m_geometry.m_nTileWidth);
        const int tileLength = static_cast<int>(m_geometry.m_nTileLength);
        const std::int64_t left = static_cast<std::int64_t>(tile % m_nAcross) * tileWidth;
        const std::int64_t top = static_cast<std::int64_t>(tile / m_nAcross) * tileLength;
        for (const ImagePlacement& image : m_placements)
            if (image.m_nState == PLACEMENT_FOUND && image.m_nY0 < top + tileLength && top < image.m_nY1 &&
                image.m_nX0 < left + tileWidth && left < std::min(image.m_nX1, m_geometry.m_nPaddedWidth))
                return true;
        return false;
    }

private:
    RowOfTiles& RingRow(int tileRow) { return m_ring[static_cast<std::size_t>(tileRow) % m_ring.size()]; }

    // With the mutex held.
    bool CanClaim() const {
        return m_nNextTile < m_nTileCount &&
               m_nNextTile / m_nAcross < m_nReleasedRows + static_cast<int>(m_ring.size());
    }

    // A helper thread: tiles as long as there are any.
    void Help(ScanTiles& scan) {
        Guarded([&] { HelpWith(scan); });
    }

    // Runs `work`; what it throws, on whichever thread, ends the pass: Failure then holds the end of
    // the detail line the calling thread stops the Run with. False when it threw.
    template <typename Work> bool Guarded(Work&& work) {
        try {
            work();
            return true;
        } catch (const std::bad_alloc&) {
            Fail(DETAIL_NO_MEMORY);
        } catch (const std::exception& error) {
            Fail(DETAIL_THREAD_FAILED + std::string(error.what()));
        } catch (...) {
            Fail(DETAIL_THREAD_FAILED + std::string(DETAIL_UNKNOWN_ERROR));
        }
        return false;
    }

    void Fail(const std::string& failure) {
        {
            std::lock_guard lock(m_mutex);
            if (m_strFailure.empty())
                m_strFailure = failure;
            m_bStopping = true;
        }
        m_changed.notify_all();
    }

    void HelpWith(ScanTiles& scan) {
        for (;;) {
            int tile = -1;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock,
                               [this] { return m_bStopping || m_nNextTile >= m_nTileCount || CanClaim(); });
                if (m_bStopping || m_nNextTile >= m_nTileCount)
                    return;
                tile = m_nNextTile++;
            }
            Decode(tile, scan);
        }
    }

    // Decodes a claimed tile into its place in the ring (a tile no image covers into a scratch
    // buffer of the thread, since only the reading counts); a tile the search kept is taken over.
    void Decode(int tile, ScanTiles& scan) {
        thread_local std::vector<unsigned char> scratch;
        RowOfTiles& row = RingRow(tile / m_nAcross);
        const std::size_t column = static_cast<std::size_t>(tile % m_nAcross);
        const bool covered = Covered(tile);
        std::vector<TiffErrorRecord> errors;
        bool read = true;
        if (std::vector<unsigned char>* held = m_kept.Find(tile)) {
            if (m_fnTileDecoded)
                m_fnTileDecoded(tile, held->data());
            if (covered)
                row.tiles[column].swap(*held);
            std::vector<unsigned char>().swap(*held);
        } else {
            std::vector<unsigned char>& buffer = covered ? row.tiles[column] : scratch;
            buffer.resize(m_nTileBytes);
            TiffErrorCapture capture(errors);
            read = scan.ReadTile(static_cast<std::uint32_t>(tile), buffer.data(),
                                 static_cast<std::size_t>(m_geometry.m_nTileSize));
            if (read && m_fnTileDecoded)
                m_fnTileDecoded(tile, buffer.data());
        }
        bool rowDone = false;
        {
            std::lock_guard lock(m_mutex);
            row.errors[column] = std::move(errors);
            row.failed[column] = read ? 0 : 1;
            rowDone = ++row.decoded == m_nAcross;
        }
        if (rowDone)
            m_changed.notify_all();
    }

    const ScanGeometry& m_geometry;
    const ImagePlacements& m_placements;
    KeptTiles& m_kept;
    const std::function<void(int, const unsigned char*)>& m_fnTileDecoded;
    const int m_nAcross;
    const int m_nTileCount;
    const std::size_t m_nTileBytes;
    std::vector<RowOfTiles> m_ring;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_nNextTile = 0;
    int m_nReleasedRows = 0;
    bool m_bStopping = false;
    std::string m_strFailure;
    std::optional<WorkerPool> m_pool; // last: its tasks use everything above
};

// Where HandOver puts the image rows: in the sink's own place for the row (or, where it has none,
// one row buffer) straight to the sink, or into the writer's ring, whose thread hands them over.
class RowTarget {
public:
    RowTarget(ImageRowSink& sink, std::size_t rowBytes, RowWriter* writer)
        : m_sink(sink), m_pWriter(writer), m_row(writer ? 0 : rowBytes, 0), m_nRowBytes(rowBytes) {}
    std::size_t RowBytes() const { return m_nRowBytes; }
    // The buffer for row `rowIndex` of image `image`: the writer's next, or the sink's place for it.
    unsigned char* Row(int image, int rowIndex) {
        if (m_pWriter)
            return m_pWriter->NextRow();
        unsigned char* place = m_sink.RowPlace(image, rowIndex);
        return place ? place : m_row.data();
    }
    // Row `rowIndex` of image `image`, filled in the buffer Row gave. With the writer thread, a failure
    // carries only its outcome here: the writer's Finish gives its reason.
    SplitResult Put(int image, const unsigned char* row, int rowIndex) {
        return m_pWriter ? SplitResult::Of(m_pWriter->Queue(image, rowIndex))
                         : m_sink.WriteOutputRow(image, row, rowIndex);
    }

private:
    ImageRowSink& m_sink;
    RowWriter* m_pWriter;
    std::vector<unsigned char> m_row;
    std::size_t m_nRowBytes;
};

// The writer thread for rows of `rowBytes`, with a ring of about RING_ROWS_BYTES; nullptr when the
// thread or its ring cannot be made (the calling thread then writes).
std::unique_ptr<RowWriter> StartWriter(ImageRowSink& sink, std::size_t rowBytes) {
    const std::size_t fitting = RING_ROWS_BYTES / std::max<std::size_t>(1, rowBytes);
    const int slots = static_cast<int>(std::clamp<std::size_t>(fitting, RING_ROWS_MIN, RING_ROWS_MAX));
    try {
        return std::make_unique<RowWriter>(sink, rowBytes, slots);
    } catch (const std::system_error&) {
        return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Hands the scan rows of row of tiles `tileRow` to every found image that covers them, in the
// images' order. Pixels of an image row beyond the padded scan's right edge are 0.
SplitResult HandOver(const RowOfTiles& row, int tileRow, const ScanGeometry& geometry,
                     ImagePlacements& placements, RowTarget& target) {
    const int tileWidth = static_cast<int>(geometry.m_nTileWidth);
    const int tileLength = static_cast<int>(geometry.m_nTileLength);
    const int top = tileRow * tileLength;
    for (int m = 1; m <= MAX_IMAGES; ++m) {
        ImagePlacement& image = placements[m - 1];
        if (image.m_nState != PLACEMENT_FOUND)
            continue;
        const int firstRow = std::max(image.m_nY0, top);
        const int lastRow = std::min(image.m_nY1, top + tileLength); // exclusive
        const int right = std::min(image.m_nX1, geometry.m_nPaddedWidth);
        const std::size_t inside = static_cast<std::size_t>(right - image.m_nX0);
        for (int y = firstRow; y < lastRow; ++y) {
            unsigned char* imageRow = target.Row(m, image.m_nRowsDone);
            const std::size_t tileOffset = static_cast<std::size_t>(y - top) * tileWidth;
            for (int x = image.m_nX0; x < right;) {
                const int column = x / tileWidth;
                const int end = std::min(right, (column + 1) * tileWidth);
                std::memcpy(imageRow + (x - image.m_nX0),
                            row.tiles[static_cast<std::size_t>(column)].data() + tileOffset +
                                (x - column * tileWidth),
                            static_cast<std::size_t>(end - x));
                x = end;
            }
            std::memset(imageRow + inside, 0, static_cast<std::size_t>(image.m_nX1 - image.m_nX0) - inside);
            if (SplitResult written = target.Put(m, imageRow, image.m_nRowsDone); !written.Succeeded())
                return written;
            ++image.m_nRowsDone;
        }
    }
    return {};
}

// Shows what reading the tiles of a decoded row of tiles reported, and reads each tile that failed
// once more on the calling thread, so the library reports the failure in its own words; should it
// succeed there, the pass goes on with that tile. The reason naming the tile when it fails again,
// else "".
std::string CheckRowOfTiles(const ExtractionJob& job, OnePass& pass, RowOfTiles& row, int tileRow,
                            std::vector<unsigned char>& again) {
    for (std::size_t column = 0; column < row.failed.size(); ++column) {
        if (!row.failed[column]) {
            ShowTiffErrors(row.errors[column], job.messages);
            continue;
        }
        const int tile = tileRow * job.geometry.m_nTilesAcross + static_cast<int>(column);
        if (!job.scan.ReadTile(static_cast<std::uint32_t>(tile), again.data(), again.size()))
            return job.scan.UnreadableTile(tile);
        if (pass.Covered(tile))
            row.tiles[column].assign(again.begin(), again.end());
        if (job.settings.m_fnTileDecoded)
            job.settings.m_fnTileDecoded(tile, again.data());
    }
    return {};
}

// The rows of tiles in order: each decoded, checked and handed over, then its place freed.
SplitResult PassRows(const ExtractionJob& job, OnePass& pass, RowTarget& target) {
    std::vector<unsigned char> again(static_cast<std::size_t>(job.geometry.m_nTileSize));
    for (int tileRow = 0; tileRow < job.geometry.m_nTilesDown; ++tileRow) {
        RowOfTiles& row = pass.WaitForRow(tileRow, job.scan);
        if (const std::string failure = pass.Failure(); !failure.empty())
            return SplitResult::Because(RunOutcome::FatalRead, DETAIL_READING + job.path + failure);
        if (const std::string unreadable = CheckRowOfTiles(job, pass, row, tileRow, again);
            !unreadable.empty())
            return SplitResult::Because(RunOutcome::FatalRead, unreadable);
        if (SplitResult handed = HandOver(row, tileRow, job.geometry, job.placements, target);
            !handed.Succeeded())
            return handed;
        pass.Release(tileRow);
        if (job.settings.m_fnRowOfTilesDone)
            job.settings.m_fnRowOfTilesDone(tileRow + 1);
        if (job.progress.StopRequested())
            return SplitResult::Of(RunOutcome::Interrupted);
    }
    // Tiles read before the scan changed may not belong with those read after: nothing is kept.
    if (const std::string changed = job.scan.Changed(); !changed.empty())
        return SplitResult::Because(RunOutcome::FatalRead, changed);
    return {};
}

} // namespace

SplitResult ExtractImages(const ExtractionJob& job) {
    // Every thread reads through a reader of the one open scan; the calling thread's is the search's.
    const int threads = WorkerCount(job.settings.m_nThreads, job.geometry);
    OnePass pass(job.geometry, job.placements, job.kept, job.settings.m_fnTileDecoded);
    pass.StartHelpers(job.scan, threads - 1);
    // Rows of the expected width, or of the widest placement (an image turned back reads a wider box).
    int widest = job.geometry.m_nExpectedWidth;
    for (const ImagePlacement& image : job.placements)
        if (image.m_nState == PLACEMENT_FOUND)
            widest = std::max(widest, image.m_nX1 - image.m_nX0);
    const auto rowBytes = static_cast<std::size_t>(widest);
    // The writer thread only on a core of its own: on a core a decoding thread uses, the hand-offs
    // and the row copy it needs would cost more than the calling thread's writing between tiles.
    const std::unique_ptr<RowWriter> writer = threads < Cores() ? StartWriter(job.sink, rowBytes) : nullptr;
    RowTarget target(job.sink, rowBytes, writer.get());
    SplitResult passed = PassRows(job, pass, target);
    // The rows queued before the pass ended lie above wherever it stopped: a failure to write one of
    // them (or what the sink threw) comes first, as it would have without the writer thread.
    if (writer)
        if (SplitResult written = writer->Finish(); !written.Succeeded())
            return written;
    return passed;
}

int WorkerCount(int requested, const ScanGeometry& geometry) {
    const int bound = std::max(1, std::min(geometry.m_nTilesAcross, Cores()));
    return std::clamp(requested, 1, bound);
}

int RunProgressPosition(int fileIndex, int fileCount, int rowsOfTilesDone, int tilesDown) {
    const double fileDone = tilesDown > 0 ? static_cast<double>(rowsOfTilesDone) / tilesDown : 1.0;
    const double done = (fileIndex + fileDone) / (fileCount > 0 ? fileCount : 1);
    return static_cast<int>(PROGRESS_START + PROGRESS_SPAN * done);
}

} // namespace gc
