// The Run's engine (find every image first, then one multi-threaded pass over the tiles) against the
// six-pass reference, on a few hundred random scans: both must find the same corners and write the
// same files, byte for byte.
#include "SixPassReference.h"
#include "SplitTestSupport.h"
#include "split/SplitScan.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

namespace gc {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t COMPRESSIONS[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE,
                                          COMPRESSION_PACKBITS};

struct RandomScan {
    int m_nWidth = 0, m_nHeight = 0, m_nTile = 0;
    std::uint16_t m_nCompression = COMPRESSION_NONE;
    int m_nImageCount = 6;
    ScanGeometry m_geometry;
    std::vector<unsigned char> m_pixels; // the padded scan
};

// A scan of random size and content: dark noise, up to six bright images near their grid cells (some
// missing, some running off the right or bottom edge, some with dark pixels), bright bars that fail
// the run test or are found and rejected. The geometry is the one the checks compute, except that the
// cells are stretched along one axis so that the search step is 1 or 2 on a small scan, with limits
// drawn at random.
RandomScan MakeRandomScan(std::mt19937& random) {
    auto draw = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    RandomScan scan;
    scan.m_nTile = draw(0, 3) == 0 ? 512 : 256;
    const int across = scan.m_nTile == 512 ? draw(3, 4) : draw(3, 7);
    const int down = scan.m_nTile == 512 ? 2 : draw(2, 4);
    scan.m_nWidth = across * scan.m_nTile - draw(0, scan.m_nTile - 1);
    scan.m_nHeight = down * scan.m_nTile - draw(0, scan.m_nTile - 1);
    scan.m_nCompression = COMPRESSIONS[draw(0, 3)];
    scan.m_nImageCount = draw(1, 6);

    ScanGeometry& g = scan.m_geometry;
    g.m_nImageWidth = static_cast<std::uint32_t>(scan.m_nWidth);
    g.m_nImageLength = static_cast<std::uint32_t>(scan.m_nHeight);
    g.m_nTileWidth = g.m_nTileLength = static_cast<std::uint32_t>(scan.m_nTile);
    g.m_nSamplesPerPixel = 1;
    g.m_nBitsPerSample = 8;
    g.m_nPlanarConfig = 1;
    g.m_nCompression = scan.m_nCompression;
    g.m_nTileSize = scan.m_nTile * scan.m_nTile;
    g.m_nTilesAcross = across;
    g.m_nTilesDown = down;
    g.m_nTileCount = across * down;
    g.m_nPaddedWidth = across * scan.m_nTile;
    g.m_nPaddedHeight = down * scan.m_nTile;
    const int cellWidth = g.m_nPaddedWidth / 3;
    const int cellHeight = g.m_nPaddedHeight / 2;
    const int stretched = draw(10000, 21000);
    if (draw(0, 1) == 0) {
        g.m_nCellWidth = cellWidth;
        g.m_nCellHeight = stretched - cellWidth;
    } else {
        g.m_nCellWidth = stretched - cellHeight;
        g.m_nCellHeight = cellHeight;
    }
    g.m_nCellWidth8 = cellWidth * draw(5, 40) / 100;
    g.m_nCellHeight8 = cellHeight * draw(5, 40) / 100;
    g.m_nExpectedWidth = draw(cellWidth / 3, cellWidth * 11 / 10);
    g.m_nExpectedHeight = draw(cellHeight / 3, cellHeight * 13 / 10);

    const int paddedWidth = g.m_nPaddedWidth;
    const int paddedHeight = g.m_nPaddedHeight;
    scan.m_pixels.resize(static_cast<std::size_t>(paddedWidth) * paddedHeight);
    for (unsigned char& p : scan.m_pixels)
        p = static_cast<unsigned char>(draw(0, 50));
    auto fill = [&](int left, int top, int width, int height, bool speckled) {
        for (int y = std::max(top, 0); y < std::min(top + height, paddedHeight); ++y)
            for (int x = std::max(left, 0); x < std::min(left + width, paddedWidth); ++x)
                scan.m_pixels[static_cast<std::size_t>(y) * paddedWidth + x] =
                    static_cast<unsigned char>(speckled && draw(0, 60) == 0 ? draw(0, 50) : draw(51, 255));
    };
    for (int k = 0; k < 6; ++k) {
        if (draw(0, 9) == 0)
            continue; // a missing image
        const int left = (k % 3) * cellWidth + draw(0, cellWidth / 4);
        const int top = (k / 3) * cellHeight + draw(0, cellHeight / 4);
        const bool offTheEdge = draw(0, 4) == 0;
        const int width = offTheEdge ? paddedWidth : g.m_nExpectedWidth + draw(-20, 20);
        const int height = offTheEdge ? paddedHeight : g.m_nExpectedHeight + draw(-20, 20);
        fill(left, top, width, height, draw(0, 2) == 0);
    }
    for (int bars = draw(0, 12); bars > 0; --bars)
        fill(draw(0, paddedWidth - 1), draw(0, paddedHeight - 1), draw(3, 150), draw(1, 3), false);
    return scan;
}

std::map<std::string, std::string> FilesIn(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] = {std::istreambuf_iterator<char>(in), {}};
    }
    return files;
}

RunSettings NamingParameters(std::mt19937& random, const fs::path& folder) {
    RunSettings parameters;
    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = folder.string() + "/";
    parameters.m_bStartNumber = random() % 2 == 0;
    parameters.m_strStartNumber = "0007";
    parameters.m_bAppendString = random() % 3 == 0;
    parameters.m_strAppendString = "film";
    return parameters;
}

TEST(OnePassEngine, SameFindsAndSameFilesAsTheSixPassReference) {
    constexpr int SCANS = 240;
    test::TempDir dir;
    std::mt19937 random(20261207);
    int found = 0, missing = 0, shortImages = 0;
    for (int i = 0; i < SCANS; ++i) {
        const unsigned seed = static_cast<unsigned>(random());
        std::mt19937 caseRandom(seed);
        RandomScan scan = MakeRandomScan(caseRandom);
        const int binning = std::array{0, 2, 3, 4}[caseRandom() % 4];
        const bool tiff = caseRandom() % 2 == 0;
        const int threads = static_cast<int>(caseRandom() % 4) + 1;
        SCOPED_TRACE("scan " + std::to_string(i) + " seed " + std::to_string(seed) + ": " +
                     std::to_string(scan.m_nWidth) + " x " + std::to_string(scan.m_nHeight) + ", tiles " +
                     std::to_string(scan.m_nTile) + ", compression " + std::to_string(scan.m_nCompression) +
                     ", images " + std::to_string(scan.m_nImageCount) + ", binning " +
                     std::to_string(binning) + (tiff ? ", TIFF" : ", MRC") + ", threads " +
                     std::to_string(threads));

        const std::string path = dir.File("scan" + std::to_string(i) + ".tif");
        const int paddedWidth = scan.m_geometry.m_nPaddedWidth;
        ASSERT_TRUE(test::WriteTiledScan(
            path, scan.m_nWidth, scan.m_nHeight, scan.m_nTile, scan.m_nTile,
            [&](int x, int y) { return scan.m_pixels[static_cast<std::size_t>(y) * paddedWidth + x]; },
            scan.m_nCompression));
        ScanGeometry& g = scan.m_geometry;
        g.m_nBinnedWidth = binning ? g.m_nExpectedWidth / binning : 0;
        g.m_nBinnedHeight = binning ? g.m_nExpectedHeight / binning : 0;
        const OutputSettings settings = OutputSettings::For(g, tiff, binning);

        const fs::path expectedFolder = dir.Path() / ("reference" + std::to_string(i));
        const fs::path actualFolder = dir.Path() / ("engine" + std::to_string(i));
        fs::create_directories(expectedFolder);
        fs::create_directories(actualFolder);
        std::mt19937 namingRandom(seed);
        RunSettings expectedNaming = NamingParameters(namingRandom, expectedFolder);
        RunSettings actualNaming = expectedNaming;
        actualNaming.m_strOutputDir = actualFolder.string() + "/";

        ImagePlacements expected;
        OutputNamer expectedNamer(expectedNaming);
        ASSERT_TRUE(test::SixPassSplit(scan.m_pixels, path, g, scan.m_nImageCount, settings, expectedNamer,
                                       expected));

        ImagePlacements actual;
        ResetPlacements(actual, scan.m_nImageCount);
        OutputNamer actualNamer(actualNaming);
        std::unique_ptr<ScanTiles> tiles = ScanTiles::Open(path);
        ASSERT_TRUE(tiles);
        test::RecordingMessages messages;
        test::RecordingProgress progress;
        ExtractionSettings extraction;
        extraction.m_nThreads = threads;
        RunFiles runFiles;
        const ScanJob job{path, *tiles, g, settings, actualNamer, messages, progress, extraction, runFiles};
        SplitReport report;
        ASSERT_EQ(SplitCheckedScan(job, actual, report).outcome, RunOutcome::Done);
        EXPECT_TRUE(messages.m_shown.empty());

        for (int k = 0; k < MAX_IMAGES; ++k) {
            SCOPED_TRACE("image " + std::to_string(k + 1));
            ASSERT_EQ(actual[k].m_nState, expected[k].m_nState);
            if (expected[k].m_nState != PLACEMENT_FOUND) {
                missing += k < scan.m_nImageCount;
                continue;
            }
            ++found;
            shortImages += expected[k].m_nRowsDone < g.m_nExpectedHeight;
            EXPECT_EQ(actual[k].m_nX0, expected[k].m_nX0);
            EXPECT_EQ(actual[k].m_nY0, expected[k].m_nY0);
            EXPECT_EQ(actual[k].m_nRowsDone, expected[k].m_nRowsDone);
        }
        const auto expectedFiles = FilesIn(expectedFolder);
        const auto actualFiles = FilesIn(actualFolder);
        ASSERT_EQ(expectedFiles.size(), actualFiles.size());
        for (const auto& [name, bytes] : expectedFiles) {
            const auto other = actualFiles.find(name);
            ASSERT_NE(other, actualFiles.end()) << name;
            EXPECT_TRUE(other->second == bytes) << name << " differs";
        }
        fs::remove_all(expectedFolder);
        fs::remove_all(actualFolder);
        fs::remove(path);
        if (HasFatalFailure())
            return;
    }
    // The random scans reach every kind of outcome.
    EXPECT_GT(found, SCANS);
    EXPECT_GT(missing, SCANS / 4);
    EXPECT_GT(shortImages, SCANS / 30);
}

} // namespace
} // namespace gc
