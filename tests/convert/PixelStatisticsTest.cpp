#include "convert/PixelStatistics.h"
#include "ConvertFixtures.h"
#include "convert/ConvertMessages.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gc {
namespace {

using test::RecordingMessages;
using test::TempDir;
using test::TiffSpec;

// The report's "Standard Deviation" is the deviation of the pixel values, not their root mean square.
TEST(PixelStatistics, ReportShowsTheStandardDeviation) {
    struct Case {
        const char* name;
        std::uint32_t (*pixel)(std::uint32_t x, std::uint32_t y);
        const char* mean;
        const char* deviation;
    };
    const Case cases[] = {
        {"flat", [](std::uint32_t, std::uint32_t) { return 7u; }, "7.", "0."},
        // Half 0, half 200: mean 100, every value 100 from it.
        {"halves", [](std::uint32_t x, std::uint32_t) { return x < 5 ? 0u : 200u; }, "100.", "100."},
        // 0..9 along x: the deviation of 0..9 is √8.25.
        {"ramp", [](std::uint32_t x, std::uint32_t) { return x; }, "4.5", "2.87228132326901"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.File(std::string(c.name) + ".tif");
        ASSERT_TRUE(test::WriteTiff(path, {10, 10, 8, 3}, c.pixel));
        RecordingMessages messages;
        ASSERT_TRUE(ReportPixelStatistics(path, 0, messages)) << c.name;
        ASSERT_EQ(messages.Texts().size(), 1u) << c.name;
        const std::string text = messages.Texts()[0];
        EXPECT_NE(text.find(std::string("\nMean Pixel Value is: ") + c.mean + "\n"), std::string::npos)
            << text;
        EXPECT_TRUE(
            text.ends_with(std::string("\nStandard Deviation in the Mean Pixel Values is: ") + c.deviation))
            << text;
    }
}

TEST(PixelStatistics, SixteenBitAndShortLastStrip) {
    TempDir dir;
    const std::string path = dir.File("deep.tif");
    // 3 rows in strips of 2: the second strip holds one row and only 4 × 3 pixels count.
    ASSERT_TRUE(test::WriteTiff(path, {4, 3, 16, 2},
                                [](std::uint32_t x, std::uint32_t y) { return 1000u + 250 * x + y; }));
    RecordingMessages messages;
    PixelStatistics statistics;
    ASSERT_TRUE(ComputePixelStatistics(path, 0, statistics, messages));
    EXPECT_EQ(statistics.m_nMinimum, 1000);
    EXPECT_EQ(statistics.m_nMaximum, 1752);
    const double mean = (4 * 3 * 1000 + 3 * 250 * 6 + 4 * 3) / 12.0;
    EXPECT_DOUBLE_EQ(statistics.m_dMean, mean);
    double deviations = 0; // two passes: the squared distances from the mean
    for (unsigned y = 0; y < 3; ++y)
        for (unsigned x = 0; x < 4; ++x)
            deviations += std::pow(1000.0 + 250 * x + y - mean, 2);
    EXPECT_NEAR(statistics.m_dSpread, std::sqrt(deviations / 12), 1e-9);
}

TEST(PixelStatistics, ChecksShowTheirOwnTexts) {
    TempDir dir;
    RecordingMessages messages;
    TiffSpec tall{3, 1030, 8, 1025};
    ASSERT_TRUE(test::WriteTiff(dir.File("tall.tif"), tall, [](std::uint32_t, std::uint32_t) { return 1u; }));
    EXPECT_FALSE(ReportPixelStatistics(dir.File("tall.tif"), 0, messages));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_STATS_TOO_MANY_ROWS_PER_STRIP});

    TiffSpec rgb{3, 3, 8, 1};
    rgb.m_nSamplesPerPixel = 3;
    ASSERT_TRUE(test::WriteTiff(dir.File("rgb.tif"), rgb, [](std::uint32_t, std::uint32_t) { return 1u; }));
    messages.m_shown.clear();
    EXPECT_FALSE(ReportPixelStatistics(dir.File("rgb.tif"), 0, messages));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_NOT_GREYSCALE});

    messages.m_shown.clear();
    EXPECT_FALSE(ReportPixelStatistics(dir.File("none.tif"), 0, messages));
    EXPECT_EQ(messages.Texts().back(), MSG_COULD_NOT_OPEN_TIFF);
}

TEST(PixelStatistics, LongPathNeverOverrunsTheReport) {
    PixelStatistics statistics{0, 255, 127.5, 147.2};
    const std::string shortText = PixelStatisticsText("/a/b.tif", statistics);
    EXPECT_LT(shortText.size(), MAX_STATISTICS_TEXT);
    EXPECT_EQ(shortText.substr(shortText.find('\n')),
              "\nMean Pixel Value is: 127.5\nMinimum pixel value is: 0\nMaximum pixel value is: 255\n"
              "Standard Deviation in the Mean Pixel Values is: 147.2");

    const std::string longPath = "/" + std::string(600, 'd') + "/plate7.tif";
    const std::string text = PixelStatisticsText(longPath, statistics);
    EXPECT_EQ(text.size(), MAX_STATISTICS_TEXT);
    EXPECT_EQ(text.rfind("Image File Name: ...", 0), 0u);
    EXPECT_NE(text.find("/plate7.tif\nMean Pixel Value is: 127.5\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 5), "147.2");
}

} // namespace
} // namespace gc
