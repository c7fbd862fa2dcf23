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

TEST(PixelStatistics, AllSevenImageReport) {
    TempDir dir;
    const std::string path = dir.File("seven.tif");
    ASSERT_TRUE(test::WriteTiff(path, {10, 10, 8, 3}, [](std::uint32_t, std::uint32_t) { return 7u; }));
    RecordingMessages messages;
    ASSERT_TRUE(ReportPixelStatistics(path, 0, messages));
    // N = 100: √(|49·100 − 49| ÷ 100), just under 7.
    const std::string spread = "6.96491205974634";
    ASSERT_NEAR(std::sqrt((4900.0 - 49.0) / 100.0), std::stod(spread), 1e-14);
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"Image File Name: " + path +
                                       "\nMean Pixel Value is: 7.\nMinimum pixel value is: "
                                       "7\nMaximum pixel value is: 7\nStandard Deviation in the "
                                       "Mean Pixel Values is: " +
                                       spread});
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
    EXPECT_DOUBLE_EQ(statistics.m_dMean, (4 * 3 * 1000 + 3 * 250 * 6 + 4 * 3) / 12.0);
    double squares = 0;
    for (unsigned y = 0; y < 3; ++y)
        for (unsigned x = 0; x < 4; ++x)
            squares += std::pow(1000.0 + 250 * x + y, 2);
    EXPECT_DOUBLE_EQ(statistics.m_dSpread,
                     std::sqrt(std::fabs(squares - statistics.m_dMean * statistics.m_dMean) / 12));
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
