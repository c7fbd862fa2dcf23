#include "split/ScanCheck.h"
#include "SplitTestSupport.h"
#include "core/TiffHandle.h"
#include "split/SplitMessages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace gc {
namespace {

using test::RecordingMessages;
using test::TempDir;

using Tiff = gc::TiffHandle;

struct CheckResult {
    RunOutcome m_verdict = RunOutcome::Done;
    ScanGeometry m_geometry;
    std::vector<std::string> m_texts;
};

CheckResult Check(const std::string& path, const RunSettings& parameters = {}) {
    CheckResult result;
    Tiff input(TIFFOpen(path.c_str(), "r"));
    EXPECT_TRUE(input) << path;
    if (!input)
        return result;
    RecordingMessages messages;
    result.m_verdict = CheckScanFile(input.get(), path, parameters, result.m_geometry, messages);
    result.m_texts = messages.Texts();
    return result;
}

TEST(ScanGeometry, ExpectedAndBinnedSizesForEveryChoice) {
    struct Case {
        int cm, binning, width, height, binnedWidth, binnedHeight;
    };
    // width from the width column (7, 8, 9 cm), height from the height column (9, 10, 11 cm)
    const Case cases[] = {{7, 2, 10171, 0, 5085, 0}, {8, 3, 11625, 0, 3875, 0}, {9, 4, 13078, 0, 3269, 0}};
    for (const Case& c : cases) {
        ScanGeometry geometry;
        geometry.Derive(c.cm, 10, c.binning);
        EXPECT_EQ(geometry.m_nExpectedWidth, c.width);
        EXPECT_EQ(geometry.m_nBinnedWidth, c.binnedWidth);
    }
    const int heights[][5] = {
        {9, 12870, 6435, 4290, 3217}, {10, 14300, 7150, 4766, 3575}, {11, 15730, 7865, 5243, 3932}};
    for (const auto& h : heights) {
        for (int b = 2; b <= 4; ++b) {
            ScanGeometry geometry;
            geometry.Derive(8, h[0], b);
            EXPECT_EQ(geometry.m_nExpectedHeight, h[1]);
            EXPECT_EQ(geometry.m_nBinnedHeight, h[b]);
        }
    }
}

TEST(ScanCheck, DefaultScanIsAcceptedWithItsGeometry) {
    TempDir dir;
    const std::string path = dir.File("big.tif");
    ASSERT_TRUE(test::WriteDarkScan(path, 36000, 30000, 512, 512));
    const CheckResult result = Check(path);
    EXPECT_EQ(result.m_verdict, RunOutcome::Done);
    EXPECT_TRUE(result.m_texts.empty());
    const ScanGeometry& g = result.m_geometry;
    EXPECT_EQ(g.m_nTilesAcross, 71);
    EXPECT_EQ(g.m_nTilesDown, 59);
    EXPECT_EQ(g.m_nTileCount, 71 * 59);
    EXPECT_EQ(g.m_nTileSize, 512 * 512);
    EXPECT_EQ(g.m_nPaddedWidth, 36352);
    EXPECT_EQ(g.m_nPaddedHeight, 30208);
    EXPECT_EQ(g.m_nCellWidth, 12117);
    EXPECT_EQ(g.m_nCellHeight, 15104);
    EXPECT_EQ(g.m_nCellWidth8, 1514);
    EXPECT_EQ(g.m_nCellHeight8, 1888);
    EXPECT_EQ(g.m_nExpectedWidth, 11625);
    EXPECT_EQ(g.m_nExpectedHeight, 14300);
    EXPECT_EQ(g.m_nCompression, COMPRESSION_PACKBITS);
    EXPECT_EQ(g.m_nPhotometric, PHOTOMETRIC_MINISBLACK);
    EXPECT_FALSE(g.m_bHasRowsPerStrip);
    EXPECT_TRUE(g.FitsBand());
}

TEST(ScanCheck, FormatProblemsSkipTheFileWithEveryMessage) {
    TempDir dir;
    const std::string sixteen = dir.File("sixteen.tif");
    ASSERT_TRUE(test::WriteFormatTiff(sixteen, 64, 64, 1, 16, PLANARCONFIG_CONTIG, 16, 16));
    CheckResult result = Check(sixteen);
    EXPECT_EQ(result.m_verdict, RunOutcome::Skipped);
    EXPECT_EQ(result.m_texts, std::vector<std::string>{MSG_ONLY_8_BIT});

    const std::string twoSamples = dir.File("two.tif");
    ASSERT_TRUE(test::WriteFormatTiff(twoSamples, 64, 64, 2, 16, PLANARCONFIG_SEPARATE, 16, 16));
    result = Check(twoSamples);
    EXPECT_EQ(result.m_verdict, RunOutcome::Skipped);
    EXPECT_EQ(result.m_texts,
              (std::vector<std::string>{MSG_BAD_SAMPLES_PER_PIXEL, MSG_ONLY_8_BIT, MSG_ONLY_SINGLE_PLANE}));
}

TEST(ScanCheck, RgbStopsAfterItsMessages) {
    TempDir dir;
    const std::string rgb16 = dir.File("rgb16.tif");
    ASSERT_TRUE(test::WriteFormatTiff(rgb16, 64, 64, 3, 16, PLANARCONFIG_CONTIG, 16, 16));
    CheckResult result = Check(rgb16);
    EXPECT_EQ(result.m_verdict, RunOutcome::FatalRgb);
    EXPECT_EQ(result.m_texts, (std::vector<std::string>{MSG_ONLY_8_BIT, MSG_RGB_SKIPPED}));

    const std::string rgb8 = dir.File("rgb8.tif");
    ASSERT_TRUE(test::WriteFormatTiff(rgb8, 64, 64, 3, 8, PLANARCONFIG_CONTIG));
    result = Check(rgb8);
    EXPECT_EQ(result.m_verdict, RunOutcome::FatalRgb) << "RGB is refused before the strip test";
    EXPECT_EQ(result.m_texts, std::vector<std::string>{MSG_RGB_SKIPPED});
}

TEST(ScanCheck, StripTiffIsSkippedWithItsPath) {
    TempDir dir;
    const std::string path = dir.File("strips.tif");
    ASSERT_TRUE(test::WriteFormatTiff(path, 64, 64, 1, 8, PLANARCONFIG_CONTIG));
    const CheckResult result = Check(path);
    EXPECT_EQ(result.m_verdict, RunOutcome::Skipped);
    EXPECT_EQ(result.m_texts, std::vector<std::string>{path + MSG_STRIP_ENCODED});
    EXPECT_EQ(result.m_geometry.m_nPaddedWidth, 0) << "no geometry for a strip file";
}

TEST(ScanCheck, PlausibilityStops) {
    TempDir dir;
    struct Case {
        int width, height, widthCm, heightCm;
        const char* message;
    };
    const Case cases[] = {
        // 11625 × 14300 / 2 = 83,118,750 > 9,216 × 7,680 padded pixels.
        {9000, 7500, 8, 10, MSG_BINNED_IMAGE},
        // Enough pixels, but a cell narrower than a quarter image: 11625 / 4 = 2906 > 8192 / 3 = 2730.
        {8192, 16384, 8, 10, MSG_BINNED_IMAGE},
        // A cell lower than a quarter image: 14300 / 4 = 3575 > 6656 / 2 = 3328.
        {16384, 6656, 8, 10, MSG_BINNED_IMAGE},
        // 9 cm × 9 cm: 13078 wide > 12870 high, whatever the scan.
        {36000, 30000, 9, 9, MSG_PLACED_INCORRECTLY},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("scan.tif");
        ASSERT_TRUE(test::WriteDarkScan(path, c.width, c.height, 512, 512));
        RunSettings parameters;
        parameters.m_nWidthCm = c.widthCm;
        parameters.m_nHeightCm = c.heightCm;
        const CheckResult result = Check(path, parameters);
        EXPECT_EQ(result.m_verdict, RunOutcome::FatalRead) << c.width << "x" << c.height;
        EXPECT_EQ(result.m_texts, std::vector<std::string>{c.message}) << c.width << "x" << c.height;
    }
}

TEST(ScanGeometry, BandLimits) {
    ScanGeometry geometry;
    geometry.m_nImageWidth = 36000;
    geometry.m_nImageLength = 30000;
    geometry.m_nTileWidth = 512;
    geometry.m_nTileLength = 512;
    geometry.m_nTileSize = 512 * 512;
    geometry.Derive(8, 10, 0);
    EXPECT_TRUE(geometry.FitsBand());
    ScanGeometry tall = geometry;
    tall.m_nTilesDown = 513;
    EXPECT_FALSE(tall.FitsBand());
    ScanGeometry bigTile = geometry;
    bigTile.m_nTileSize = 262145;
    EXPECT_FALSE(bigTile.FitsBand());
    ScanGeometry longTile = geometry;
    longTile.m_nTileLength = 1024;
    longTile.m_nTileWidth = 128;
    longTile.m_nTileSize = 1024 * 128;
    EXPECT_FALSE(longTile.FitsBand()) << "more rows than the band holds";
    ScanGeometry wide = geometry;
    wide.m_nPaddedWidth = BAND_MAX_WIDTH + 512;
    EXPECT_FALSE(wide.FitsBand());
}

} // namespace
} // namespace gc
