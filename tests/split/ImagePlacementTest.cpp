#include "split/ImagePlacement.h"
#include "SplitTestSupport.h"
#include "core/TiffErrors.h"
#include "core/TiffHandle.h"
#include "split/ImageExtraction.h"
#include "split/SplitMessages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>

namespace gc {
namespace {

using test::RecordingProgress;
using test::TempDir;

using Tiff = gc::TiffHandle;

constexpr int WIDTH = 640;
constexpr int HEIGHT = 256;
constexpr int TILE = 64;

// A 640 × 256 scan of 64 × 64 tiles with a geometry the test chooses: cells of 200 × 9800 (so the
// search step is 1, the run length 50 and the gap 5000), column limits 100 / 300 / 500 and row limit
// 40 for the top row, images of 120 × 50. The quarter windows are x < 160 and y < 64.
struct SmallScan {
    SmallScan() : m_pixels(static_cast<std::size_t>(WIDTH) * HEIGHT, 0) {
        m_geometry.m_nImageWidth = WIDTH;
        m_geometry.m_nImageLength = HEIGHT;
        m_geometry.m_nTileWidth = TILE;
        m_geometry.m_nTileLength = TILE;
        m_geometry.m_nSamplesPerPixel = 1;
        m_geometry.m_nBitsPerSample = 8;
        m_geometry.m_nPlanarConfig = 1;
        m_geometry.m_nTileSize = TILE * TILE;
        m_geometry.m_nTilesAcross = WIDTH / TILE;
        m_geometry.m_nTilesDown = HEIGHT / TILE;
        m_geometry.m_nTileCount = m_geometry.m_nTilesAcross * m_geometry.m_nTilesDown;
        m_geometry.m_nPaddedWidth = WIDTH;
        m_geometry.m_nPaddedHeight = HEIGHT;
        SetCells(200, 9800);
        m_geometry.m_nCellWidth8 = 100;
        m_geometry.m_nCellHeight8 = 40;
        m_geometry.m_nExpectedWidth = 120;
        m_geometry.m_nExpectedHeight = 50;
    }
    void SetCells(int cellWidth, int cellHeight) {
        m_geometry.m_nCellWidth = cellWidth;
        m_geometry.m_nCellHeight = cellHeight;
    }
    unsigned char& At(int x, int y) { return m_pixels[static_cast<std::size_t>(y) * WIDTH + x]; }
    // A textured bright rectangle (values 51..250), clipped to the scan.
    void Bright(int left, int top, int width, int height, int value = -1) {
        for (int y = top; y < top + height && y < HEIGHT; ++y)
            for (int x = left; x < left + width && x < WIDTH; ++x)
                At(x, y) = static_cast<unsigned char>(value >= 0 ? value : 51 + (x * 7 + y * 13) % 200);
    }
    std::vector<unsigned char> Row(int left, int y, int width) {
        std::vector<unsigned char> row(static_cast<std::size_t>(width), 0);
        for (int x = left; x < left + width && x < WIDTH; ++x)
            row[x - left] = At(x, y);
        return row;
    }

    ScanGeometry m_geometry;
    std::vector<unsigned char> m_pixels;
};

class RecordingSink final : public ImageRowSink {
public:
    SplitResult WriteOutputRow(int image, const unsigned char* row, int rowIndex) override {
        EXPECT_EQ(rowIndex, static_cast<int>(m_rows[image].size()));
        m_rows[image].emplace_back(row, row + m_nWidth);
        return {};
    }
    int m_nWidth = 0;
    std::vector<int> m_opened; // the found images, in order
    std::map<int, std::vector<std::vector<unsigned char>>> m_rows;
};

struct PassRun {
    ImagePlacements m_placements;
    RecordingSink m_sink;
    RecordingProgress m_progress;
    std::vector<RunOutcome> m_results; // the search's, then the extraction's
};

// Writes the scan, finds its images and extracts them as the driver does, with `threads` threads.
PassRun RunPasses(SmallScan& scan, int imageCount, const SearchConstants* constants = nullptr,
                  int threads = 2) {
    TempDir dir;
    const std::string path = dir.File("scan.tif");
    EXPECT_TRUE(
        test::WriteTiledScan(path, WIDTH, HEIGHT, TILE, TILE, [&](int x, int y) { return scan.At(x, y); }));
    PassRun run;
    std::unique_ptr<ScanTiles> tiles = ScanTiles::Open(path);
    if (!tiles)
        return run;
    run.m_sink.m_nWidth = scan.m_geometry.m_nExpectedWidth;
    ResetPlacements(run.m_placements, imageCount);
    const SearchConstants search = constants ? *constants : SearchConstants::For(scan.m_geometry);
    KeptTiles kept(scan.m_geometry.m_nTileCount, 8 * TILE * TILE);
    run.m_results.push_back(
        FindImages(*tiles, scan.m_geometry, search, run.m_placements, kept, run.m_progress, threads).outcome);
    for (int m = 1; m <= MAX_IMAGES; ++m)
        if (run.m_placements[m - 1].m_nState == PLACEMENT_FOUND)
            run.m_sink.m_opened.push_back(m);
    test::RecordingMessages messages;
    ExtractionSettings settings;
    settings.m_nThreads = threads;
    run.m_results.push_back(ExtractImages({path, *tiles, scan.m_geometry, run.m_placements, kept, run.m_sink,
                                           messages, run.m_progress, settings})
                                .outcome);
    return run;
}

void ExpectFoundAt(const PassRun& run, int image, int x0, int y0) {
    const ImagePlacement& placement = run.m_placements[image - 1];
    EXPECT_EQ(placement.m_nState, PLACEMENT_FOUND) << "image " << image;
    EXPECT_EQ(placement.m_nX0, x0) << "image " << image;
    EXPECT_EQ(placement.m_nY0, y0) << "image " << image;
}

TEST(SearchConstants, FromTheGeometry) {
    SmallScan scan;
    const SearchConstants constants = SearchConstants::For(scan.m_geometry);
    EXPECT_EQ(constants.m_nStep, 1);
    EXPECT_EQ(constants.m_nGapMax, 5000);
    EXPECT_EQ(constants.m_nRunLength, 50);
    EXPECT_EQ(constants.m_nQuarterHeight, 64);
    EXPECT_DOUBLE_EQ(constants.m_dQuarterWidth, 160.0);

    ScanGeometry full;
    full.m_nImageWidth = 36000;
    full.m_nImageLength = 30000;
    full.m_nTileWidth = 512;
    full.m_nTileLength = 512;
    full.Derive(8, 10, 0);
    const SearchConstants large = SearchConstants::For(full);
    EXPECT_EQ(large.m_nStep, 2); // (12117 + 15104) × 0.0001 = 2.72
    EXPECT_EQ(large.m_nRunLength, 100);
    EXPECT_EQ(large.m_nGapMax, 10000);
    EXPECT_EQ(large.m_nQuarterHeight, 7552);
    EXPECT_DOUBLE_EQ(large.m_dQuarterWidth, 9088.0);
}

TEST(FindAndExtract, FindsTheCornerAndHandsOverTheRectangle) {
    SmallScan scan;
    scan.Bright(30, 10, 120, 50);
    PassRun run = RunPasses(scan, 1);
    ASSERT_EQ(run.m_results, (std::vector<RunOutcome>{RunOutcome::Done, RunOutcome::Done}));
    ExpectFoundAt(run, 1, 30, 10);
    EXPECT_EQ(run.m_placements[0].m_nX1, 150);
    EXPECT_EQ(run.m_placements[0].m_nY1, 60);
    EXPECT_EQ(run.m_sink.m_opened, std::vector<int>{1});
    ASSERT_EQ(run.m_sink.m_rows[1].size(), 50u);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(run.m_sink.m_rows[1][i], scan.Row(30, 10 + i, 120)) << "row " << i;
    EXPECT_EQ(run.m_placements[0].m_nRowsDone, 50);
}

TEST(FindAndExtract, FiftyIsDarkFiftyOneIsBright) {
    SmallScan dark;
    dark.Bright(30, 10, 120, 50, 50);
    PassRun run = RunPasses(dark, 1);
    EXPECT_EQ(run.m_placements[0].m_nState, PLACEMENT_SEARCHED);
    EXPECT_TRUE(run.m_sink.m_opened.empty());

    SmallScan bright;
    bright.Bright(30, 10, 120, 50, 51);
    ExpectFoundAt(RunPasses(bright, 1), 1, 30, 10);
}

TEST(FindAndExtract, RunTestAndItsStateWithinARow) {
    // A dark pixel right after the candidate does not fail the run.
    SmallScan nextDark;
    nextDark.Bright(30, 10, 120, 50);
    nextDark.At(31, 10) = 0;
    PassRun run = RunPasses(nextDark, 1);
    ExpectFoundAt(run, 1, 30, 10);
    EXPECT_EQ(run.m_sink.m_rows[1][0][1], 0) << "the dark pixel is extracted as it is";

    // A dark pixel two places on fails it, and no later candidate of that row can succeed.
    SmallScan secondDark;
    secondDark.Bright(30, 10, 120, 50);
    secondDark.At(32, 10) = 0;
    ExpectFoundAt(RunPasses(secondDark, 1), 1, 30, 11);

    // The last pixel of the run counts; the one after it does not.
    SmallScan lastOfRun;
    lastOfRun.Bright(30, 10, 120, 50);
    lastOfRun.At(79, 10) = 0;
    lastOfRun.At(80, 11) = 0;
    ExpectFoundAt(RunPasses(lastOfRun, 1), 1, 30, 11);
}

TEST(FindAndExtract, NoImageIsFoundWithStepZero) {
    SmallScan scan;
    scan.SetCells(5000, 4999); // (5000 + 4999) × 0.0001 truncates to 0
    scan.Bright(30, 10, 120, 50);
    const PassRun run = RunPasses(scan, 1);
    EXPECT_EQ(SearchConstants::For(scan.m_geometry).m_nStep, 0);
    EXPECT_EQ(run.m_placements[0].m_nState, PLACEMENT_SEARCHED);
}

TEST(FindAndExtract, RejectedFindsLeaveTheSearchGoing) {
    // A bright bar beyond the column limit (100) is found and rejected; the image below it is found.
    SmallScan scan;
    scan.Bright(110, 2, 200, 4);
    scan.Bright(30, 10, 120, 50);
    ExpectFoundAt(RunPasses(scan, 1), 1, 30, 10);

    // Corners below the row limit (40) are rejected in every row; at the limit they are accepted.
    SmallScan low;
    low.Bright(30, 41, 120, 50);
    EXPECT_EQ(RunPasses(low, 1).m_placements[0].m_nState, PLACEMENT_SEARCHED);
    SmallScan atLimit;
    atLimit.Bright(30, 40, 120, 50);
    ExpectFoundAt(RunPasses(atLimit, 1), 1, 30, 40);

    // The column window ends before quarterWidth (160): a corner at 100 is found, beyond the window not.
    SmallScan atColumnLimit;
    atColumnLimit.Bright(100, 10, 120, 50);
    ExpectFoundAt(RunPasses(atColumnLimit, 1), 1, 100, 10);
}

TEST(FindAndExtract, TopRowAndTheImageBelow) {
    SmallScan scan;
    scan.Bright(10, 5, 120, 50);  // image 1: x1 = 130, y1 = 55
    scan.Bright(140, 6, 120, 50); // image 2: window 131 < x < 5130
    scan.Bright(270, 7, 120, 50); // image 3: after image 2's x1 = 260
    scan.Bright(12, 60, 120, 50); // image 4: rows 56 < y, columns x < 160
    const PassRun run = RunPasses(scan, 4);
    ExpectFoundAt(run, 1, 10, 5);
    ExpectFoundAt(run, 2, 140, 6);
    ExpectFoundAt(run, 3, 270, 7);
    ExpectFoundAt(run, 4, 12, 60);
    EXPECT_EQ(run.m_sink.m_opened, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(run.m_sink.m_rows.at(4)[0], scan.Row(12, 60, 120));
    EXPECT_EQ(run.m_placements[4].m_nState, PLACEMENT_NOT_EXPECTED);
}

TEST(FindAndExtract, ImageTwoStartsAfterTheStep) {
    // Image 2's window starts after x1(1) + step = 131: a rectangle from 131 is found at 132.
    SmallScan scan;
    scan.Bright(10, 5, 120, 50);
    scan.Bright(131, 6, 120, 50);
    ExpectFoundAt(RunPasses(scan, 2), 2, 132, 6);
}

TEST(FindAndExtract, MissingImageStopsTheLaterOnes) {
    SmallScan scan;
    scan.Bright(10, 5, 120, 50);
    scan.Bright(300, 7, 120, 50); // beyond image 2's column limit (300) is fine for image 3, never searched
    const PassRun run = RunPasses(scan, 3);
    ExpectFoundAt(run, 1, 10, 5);
    EXPECT_EQ(run.m_placements[1].m_nState, PLACEMENT_FOUND) << "image 2 is found at 300";

    SmallScan gap;
    gap.Bright(10, 5, 120, 50);
    gap.Bright(400, 7, 120, 50); // image 2 would be beyond its limit 300: rejected
    const PassRun missing = RunPasses(gap, 3);
    EXPECT_EQ(missing.m_placements[1].m_nState, PLACEMENT_SEARCHED);
    EXPECT_EQ(missing.m_placements[2].m_nState, PLACEMENT_SEARCHED) << "image 3 needs image 2";
    EXPECT_EQ(missing.m_sink.m_opened, std::vector<int>{1});
}

TEST(FindAndExtract, CandidateTooCloseToTheRightEdge) {
    SmallScan scan;
    scan.SetCells(600, 9400); // image 2 column limit 700
    scan.Bright(20, 10, 120, 50);
    scan.Bright(590, 12, 50, 50); // 590 + 50 is not inside the scan: never examined
    EXPECT_EQ(RunPasses(scan, 2).m_placements[1].m_nState, PLACEMENT_SEARCHED);

    SmallScan inside;
    inside.SetCells(600, 9400);
    inside.Bright(20, 10, 120, 50);
    inside.Bright(589, 12, 51, 50);
    const PassRun run = RunPasses(inside, 2);
    ExpectFoundAt(run, 2, 589, 12);
    // Pixels beyond the padded scan's right edge are 0.
    const std::vector<unsigned char>& row = run.m_sink.m_rows.at(2)[0];
    EXPECT_EQ(std::vector<unsigned char>(row.begin(), row.begin() + 51), inside.Row(589, 12, 51));
    EXPECT_EQ(std::vector<unsigned char>(row.begin() + 51, row.end()), std::vector<unsigned char>(69, 0));
}

TEST(FindAndExtract, ImageReachingBelowTheScanGetsFewerRows) {
    SmallScan scan;
    scan.m_geometry.m_nExpectedHeight = 250;
    scan.Bright(30, 10, 120, 246);
    const PassRun run = RunPasses(scan, 1);
    ExpectFoundAt(run, 1, 30, 10);
    EXPECT_EQ(run.m_sink.m_rows.at(1).size(), 246u);
    EXPECT_EQ(run.m_sink.m_rows.at(1).back(), scan.Row(30, 255, 120));
}

TEST(RunProgress, MonotoneFromTenToAHundredAcrossTheBatch) {
    // One file of 59 rows of tiles: 10 at the start, 100 at the end, never going back.
    int previous = RunProgressPosition(0, 1, 0, 59);
    EXPECT_EQ(previous, 10);
    for (int done = 1; done <= 59; ++done) {
        const int position = RunProgressPosition(0, 1, done, 59);
        EXPECT_GE(position, previous);
        previous = position;
    }
    EXPECT_EQ(previous, 100);
    // A batch of three: each file takes its third, the bar goes on where the previous file ended.
    EXPECT_EQ(RunProgressPosition(1, 3, 0, 59), 40);
    EXPECT_EQ(RunProgressPosition(0, 3, 59, 59), RunProgressPosition(1, 3, 0, 4));
    EXPECT_EQ(RunProgressPosition(2, 3, 59, 59), 100);
}

// Writes `scan` Deflate-compressed to `path` with the data of tile `damaged` overwritten.
void WriteDamagedScan(const std::string& path, SmallScan& scan, int damaged) {
    ASSERT_TRUE(test::WriteTiledScan(
        path, WIDTH, HEIGHT, TILE, TILE, [&](int x, int y) { return scan.At(x, y); },
        COMPRESSION_ADOBE_DEFLATE));
    std::uint64_t offset = 0;
    {
        Tiff input(TIFFOpen(path.c_str(), "r"));
        ASSERT_TRUE(input);
        std::uint64_t* offsets = nullptr;
        ASSERT_TRUE(TIFFGetField(input.get(), TIFFTAG_TILEOFFSETS, &offsets));
        offset = offsets[damaged];
    }
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::fseek(file, static_cast<long>(offset), SEEK_SET);
    const unsigned char garbage[8] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
    std::fwrite(garbage, 1, sizeof garbage, file);
    std::fclose(file);
}

// A damaged tile under the search stops it with the same detail and the same library messages
// whether one thread or several decode the search's tiles.
TEST(FindAndExtract, UnreadableTileInTheSearchIsAReadErrorOnEveryThreadCount) {
    TempDir dir;
    const std::string path = dir.File("broken.tif");
    SmallScan scan;
    scan.Bright(30, 10, 120, 50);
    WriteDamagedScan(path, scan, 2);
    std::unique_ptr<ScanTiles> tiles = ScanTiles::Open(path);
    ASSERT_TRUE(tiles);
    std::vector<std::string> lone;
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(threads);
        ImagePlacements placements;
        ResetPlacements(placements, 1);
        KeptTiles kept(scan.m_geometry.m_nTileCount, 8 * TILE * TILE);
        RecordingProgress recorded;
        test::RecordingMessages messages;
        TiffErrorScope errors(messages);
        const SplitResult found = FindImages(*tiles, scan.m_geometry, SearchConstants::For(scan.m_geometry),
                                             placements, kept, recorded, threads);
        EXPECT_EQ(found.outcome, RunOutcome::FatalRead);
        EXPECT_EQ(found.Reason(), "reading " + path + ": tile 2 cannot be read");
        std::vector<std::string> shown;
        for (const auto& message : messages.m_shown)
            shown.push_back(message.m_strCaption + ": " + message.m_strText);
        ASSERT_FALSE(shown.empty());
        if (threads == 1)
            lone = shown;
        EXPECT_EQ(shown, lone);
    }
}

TEST(FindAndExtract, UnreadableTileIsAReadError) {
    TempDir dir;
    const std::string path = dir.File("broken.tif");
    SmallScan scan;
    scan.Bright(30, 10, 120, 50);
    WriteDamagedScan(path, scan, 12);

    // Image 1 lies in the top rows of tiles; the damaged tile (12: row 1, column 2) is outside the search
    // window and the image, yet the one pass reads it and stops, with the library's message first.
    std::unique_ptr<ScanTiles> tiles = ScanTiles::Open(path);
    ASSERT_TRUE(tiles);
    for (int threads : {1, 3}) {
        SCOPED_TRACE(threads);
        ImagePlacements placements;
        ResetPlacements(placements, 1);
        KeptTiles kept(scan.m_geometry.m_nTileCount, 0);
        RecordingProgress recorded;
        ASSERT_EQ(FindImages(*tiles, scan.m_geometry, SearchConstants::For(scan.m_geometry), placements, kept,
                             recorded)
                      .outcome,
                  RunOutcome::Done);
        EXPECT_EQ(placements[0].m_nState, PLACEMENT_FOUND);
        EXPECT_EQ(placements[0].m_nX0, 30);
        EXPECT_EQ(placements[0].m_nY0, 10);
        RecordingSink sink;
        sink.m_nWidth = 120;
        test::RecordingMessages messages;
        TiffErrorScope errors(messages);
        ExtractionSettings settings;
        settings.m_nThreads = threads;
        const SplitResult extracted = ExtractImages(
            {path, *tiles, scan.m_geometry, placements, kept, sink, messages, recorded, settings});
        EXPECT_EQ(extracted.outcome, RunOutcome::FatalRead);
        EXPECT_EQ(extracted.Reason(), "reading " + path + ": tile 12 cannot be read");
        ASSERT_FALSE(messages.m_shown.empty());
        EXPECT_NE(messages.m_shown.front().m_strCaption.find("Error"), std::string::npos);
        EXPECT_EQ(sink.m_rows[1].size(), 50u) << "the rows above the damaged row of tiles are handed over";
    }
}

} // namespace
} // namespace gc

namespace gc {
namespace {

// Whatever a reading thread throws (here the tile callback of one tile) ends the pass as a fatal read
// with its reason on the calling thread, however many threads read.
TEST(OnePass, AThreadsExceptionIsAFatalStopWithItsReason) {
    TempDir dir;
    const std::string path = dir.File("s.tif");
    SmallScan scan;
    ASSERT_TRUE(
        test::WriteTiledScan(path, WIDTH, HEIGHT, TILE, TILE, [&](int x, int y) { return scan.At(x, y); }));
    std::unique_ptr<ScanTiles> tiles = ScanTiles::Open(path);
    ASSERT_TRUE(tiles);
    const ScanGeometry& geometry = scan.m_geometry;
    for (int threads : {1, 2, 8}) {
        for (int failing : {0, geometry.m_nTileCount - 1}) {
            SCOPED_TRACE(std::to_string(threads) + " threads, tile " + std::to_string(failing));
            ImagePlacements placements;
            ResetPlacements(placements, 1);
            KeptTiles kept(geometry.m_nTileCount, 0);
            RecordingSink sink;
            test::RecordingMessages messages;
            RecordingProgress progress;
            ExtractionSettings settings;
            settings.m_nThreads = threads;
            settings.m_fnTileDecoded = [failing](int tile, const unsigned char*) {
                if (tile == failing)
                    throw std::runtime_error("decoder gave up");
            };
            const SplitResult extracted =
                ExtractImages({path, *tiles, geometry, placements, kept, sink, messages, progress, settings});
            EXPECT_EQ(extracted.outcome, RunOutcome::FatalRead);
            EXPECT_EQ(extracted.Reason(), "reading " + path + DETAIL_THREAD_FAILED + "decoder gave up");
        }
    }
}

} // namespace
} // namespace gc

namespace gc {
namespace {

// The sink's first failure (a result or an exception) ends the pass with it whether the rows are
// written on the calling thread (1 thread) or on the writer thread: no row after it is handed over,
// the rows before it all are, in order, and a failure's reason is the sink's.
TEST(OnePass, TheSinksFirstFailureEndsThePassOnEveryThreadCount) {
    TempDir dir;
    const std::string path = dir.File("s.tif");
    SmallScan scan;
    scan.Bright(30, 10, 120, 50);
    ASSERT_TRUE(
        test::WriteTiledScan(path, WIDTH, HEIGHT, TILE, TILE, [&](int x, int y) { return scan.At(x, y); }));
    std::unique_ptr<ScanTiles> tiles = ScanTiles::Open(path);
    ASSERT_TRUE(tiles);
    static constexpr int FAILING_ROW = 20;
    class FailingSink final : public ImageRowSink {
    public:
        explicit FailingSink(bool throws) : m_bThrows(throws) {}
        SplitResult WriteOutputRow(int, const unsigned char* row, int rowIndex) override {
            m_rows.push_back(rowIndex);
            m_firstPixels.push_back(row[0]);
            if (rowIndex < FAILING_ROW)
                return {};
            if (m_bThrows)
                throw std::runtime_error("disk gone");
            return {RunOutcome::FatalWrite, "writing s_1.mrc", "disk gone", 0};
        }
        bool m_bThrows;
        std::vector<int> m_rows;
        std::vector<unsigned char> m_firstPixels;
    };
    for (int threads : {1, 2}) {
        for (bool throws : {false, true}) {
            SCOPED_TRACE(std::to_string(threads) + " threads" + (throws ? ", throwing" : ""));
            ImagePlacements placements;
            ResetPlacements(placements, 1);
            KeptTiles kept(scan.m_geometry.m_nTileCount, 0);
            RecordingProgress progress;
            ASSERT_EQ(FindImages(*tiles, scan.m_geometry, SearchConstants::For(scan.m_geometry), placements,
                                 kept, progress)
                          .outcome,
                      RunOutcome::Done);
            FailingSink sink(throws);
            test::RecordingMessages messages;
            ExtractionSettings settings;
            settings.m_nThreads = threads;
            const ExtractionJob job{path, *tiles,   scan.m_geometry, placements, kept,
                                    sink, messages, progress,        settings};
            if (throws)
                EXPECT_THROW(ExtractImages(job), std::runtime_error);
            else {
                const SplitResult extracted = ExtractImages(job);
                EXPECT_EQ(extracted.outcome, RunOutcome::FatalWrite);
                EXPECT_EQ(extracted.Reason(), "writing s_1.mrc: disk gone")
                    << "the reason crosses the thread";
            }
            ASSERT_EQ(sink.m_rows.size(), static_cast<std::size_t>(FAILING_ROW + 1));
            for (int i = 0; i <= FAILING_ROW; ++i) {
                EXPECT_EQ(sink.m_rows[i], i);
                EXPECT_EQ(sink.m_firstPixels[i], scan.At(30, 10 + i)) << "row " << i;
            }
        }
    }
}

} // namespace
} // namespace gc
