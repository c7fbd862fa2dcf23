#include "convert/Convert.h"
#include "ConvertFixtures.h"
#include "convert/ConvertMessages.h"
#include "convert/FitFields.h"
#include "convert/GainTable.h"
#include "convert/OutputNames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <sstream>

namespace gc {
namespace {

using test::MrcImage;
using test::RecordingMessages;
using test::RecordingProgress;
using test::TempDir;
using test::TiffSpec;

const FitConstants DEFAULT_FIT = {static_cast<float>(DEFAULT_GAIN_SETTING.a),
                                  static_cast<float>(DEFAULT_GAIN_SETTING.x0),
                                  static_cast<float>(DEFAULT_GAIN_SETTING.y0)};

// The optical density written for x (already on its scale), worked out here step by step.
float ExpectedDensity(float x, const FitConstants& fit) {
    const double y = static_cast<double>(fit.m_fA) *
                         std::log(std::fabs(static_cast<double>(x) - static_cast<double>(fit.m_fX0))) +
                     static_cast<double>(fit.m_fY0);
    return static_cast<float>(y);
}

unsigned Pattern8(std::uint32_t x, std::uint32_t y) {
    return (x * 37 + y * 11 + 5) % 256;
}

class ConvertTest : public ::testing::Test {
protected:
    std::string MakeTiff(const std::string& name, const TiffSpec& recipe, const test::PixelFunction& pixel) {
        const std::string path = m_dir.File(name);
        EXPECT_TRUE(test::WriteTiff(path, recipe, pixel)) << path;
        return path;
    }
    ConvertOutcome Convert(const std::vector<std::string>& files) {
        return ConvertFiles(files, m_settings, m_dir.File(LAST_RUN_FILE_NAME), m_messages, m_progress);
    }
    MrcImage ReadOutput(const std::string& path) {
        MrcImage image;
        EXPECT_TRUE(test::ReadMrc(path, image)) << path;
        return image;
    }

    TempDir m_dir;
    RecordingMessages m_messages;
    RecordingProgress m_progress;
    ConvertSettings m_settings{0.0, DEFAULT_FIT, 0, OUTPUT_FORMAT_AUTO, false, false, {}};
};

TEST(OpticalDensity, DocumentedValuesOnBothScales) {
    EXPECT_NEAR(OpticalDensity(0, 8, OUTPUT_FORMAT_8_BIT, false, DEFAULT_FIT), 2.09949, 5e-6);
    EXPECT_NEAR(OpticalDensity(255, 8, OUTPUT_FORMAT_8_BIT, false, DEFAULT_FIT), 1.85784, 5e-6);
    EXPECT_NEAR(OpticalDensity(255, 8, OUTPUT_FORMAT_16_BIT, false, DEFAULT_FIT), -0.05377, 5e-6);
    // The negative is taken on the scale: 0 becomes 255, or 65535.
    EXPECT_EQ(OpticalDensity(0, 8, OUTPUT_FORMAT_8_BIT, true, DEFAULT_FIT),
              OpticalDensity(255, 8, OUTPUT_FORMAT_8_BIT, false, DEFAULT_FIT));
    EXPECT_EQ(OpticalDensity(0, 16, OUTPUT_FORMAT_16_BIT, true, DEFAULT_FIT),
              OpticalDensity(65535, 16, OUTPUT_FORMAT_16_BIT, false, DEFAULT_FIT));
    // A 16-bit value on the 8-bit scale is divided by 257 in float32.
    EXPECT_EQ(OpticalDensity(257 * 200, 16, OUTPUT_FORMAT_8_BIT, false, DEFAULT_FIT),
              OpticalDensity(200, 8, OUTPUT_FORMAT_8_BIT, false, DEFAULT_FIT));
    EXPECT_EQ(OpticalDensity(1000, 16, OUTPUT_FORMAT_8_BIT, false, DEFAULT_FIT),
              ExpectedDensity(1000.0f / 257.0f, DEFAULT_FIT));
    EXPECT_EQ(OpticalDensity(100, 16, OUTPUT_FORMAT_8_BIT, true, DEFAULT_FIT),
              ExpectedDensity(255.0f - 100.0f / 257.0f, DEFAULT_FIT));
    // No guard at x = x0: the density is infinite.
    const FitConstants atPixel = {-0.4f, 100.0f, 4.0f};
    EXPECT_EQ(OpticalDensity(100, 8, OUTPUT_FORMAT_8_BIT, false, atPixel),
              std::numeric_limits<float>::infinity());
}

TEST(ConvertNames, CutAtTheFirstDotOfTheFileName) {
    EXPECT_EQ(OdFileName("/scans/plate7.tif"), "/scans/plate7.mrc");
    EXPECT_EQ(OdFileName("/scans/plate7.old.tif"), "/scans/plate7.mrc");
    EXPECT_EQ(OdFileName("/sc.ans/plate7"), "/sc.ans/plate7.mrc");
    EXPECT_EQ(OdBinnedFileName("/scans/plate7.old.tif", 2), "/scans/plate7_2_bin.mrc");
    EXPECT_EQ(OdBinnedFileName("/sc.ans/plate7.tiff", 3), "/sc.ans/plate7_3_bin.mrc");
    EXPECT_EQ(OdBinnedFileName("plate7.tif", 4), "plate7_4_bin.mrc");
}

TEST(FitConstants, CheckedInOrderAfterFloat32Rounding) {
    RecordingMessages messages;
    FitConstants fit;
    EXPECT_TRUE(ReadFitConstants("-0.4016", "-309", "4.402", 0, 20000, fit, messages));
    EXPECT_EQ(fit.m_fA, -0.4016f);
    EXPECT_EQ(fit.m_fX0, -309.0f);
    EXPECT_TRUE(ReadFitConstants("20000.9", "-20000.5", "1e-3", 0, 20000, fit, messages));
    EXPECT_TRUE(messages.m_shown.empty());

    const struct {
        const char* a;
        const char* x0;
        const char* y0;
        const char* message;
    } refused[] = {
        {"0", "-309", "4.402", MSG_A_NOT_CORRECT},         {"abc", "abc", "abc", MSG_A_NOT_CORRECT},
        {"20001", "-309", "4.402", MSG_A_NOT_CORRECT},     {"-0.4", "-20001", "4.4", MSG_X0_NOT_CORRECT},
        {"-0.4", "", "4.4", MSG_X0_NOT_CORRECT},           {"-0.4", "-309", "0.0", MSG_Y0_NOT_CORRECT},
        {"-0.4", "-309", "nan", MSG_Y0_NOT_CORRECT},       {"1e-50", "-309", "4.4", MSG_A_NOT_CORRECT},
        {"-0.4", "20000.9999", "4.4", MSG_X0_NOT_CORRECT}, // 20001 as float32
    };
    for (const auto& fields : refused) {
        messages.m_shown.clear();
        EXPECT_FALSE(ReadFitConstants(fields.a, fields.x0, fields.y0, 0, 20000, fit, messages));
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{fields.message}) << fields.a << " " << fields.x0;
    }
}

TEST_F(ConvertTest, EightBitImageValuesHeaderAndLabel) {
    const std::string input = MakeTiff("plate7.tif", {6, 5, 8, 2}, Pattern8);
    ASSERT_EQ(Convert({input}), ConvertOutcome::Done);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{MSG_DONE});
    EXPECT_EQ(m_settings.m_nOutputFormat, OUTPUT_FORMAT_8_BIT);

    const MrcImage image = ReadOutput(m_dir.File("plate7.mrc"));
    EXPECT_EQ(image.m_nWidth, 6);
    EXPECT_EQ(image.m_nHeight, 5);
    EXPECT_EQ(image.m_nMode, 2);
    EXPECT_EQ(image.m_strLabel, LABEL_OD_8_BIT);
    double sum = 0, sumOfSquares = 0;
    float minimum = 1e9f, maximum = -1e9f;
    for (std::uint32_t y = 0; y < 5; ++y)
        for (std::uint32_t x = 0; x < 6; ++x) {
            const float expected = ExpectedDensity(static_cast<float>(Pattern8(x, y)), DEFAULT_FIT);
            ASSERT_EQ(image.m_values[y * 6 + x], expected) << x << "," << y;
            sum += expected;
            sumOfSquares += static_cast<double>(expected) * expected;
            minimum = std::min(minimum, expected);
            maximum = std::max(maximum, expected);
        }
    EXPECT_EQ(image.m_fMin, minimum);
    EXPECT_EQ(image.m_fMax, maximum);
    const double mean = sum / 30;
    EXPECT_FLOAT_EQ(image.m_fMean, static_cast<float>(mean));
    // The documented spread: the plain sum of squares less the squared mean, over N.
    EXPECT_FLOAT_EQ(image.m_fRms, static_cast<float>(std::sqrt(std::fabs(sumOfSquares - mean * mean) / 30)));
    EXPECT_EQ(m_progress.m_positions.front(), 10);
    EXPECT_EQ(m_progress.m_positions.back(), 100);
}

TEST_F(ConvertTest, SixteenBitImageReadBackByMrcfile) {
    auto pixel = [](std::uint32_t x, std::uint32_t y) { return (x * 4099 + y * 977) % 65536; };
    const std::string input = MakeTiff("wide16.tiff", {9, 7, 16, 3}, pixel);
    m_settings.m_nBinSize = 2;
    ASSERT_EQ(Convert({input}), ConvertOutcome::Done);
    EXPECT_EQ(m_settings.m_nOutputFormat, OUTPUT_FORMAT_16_BIT);

    const MrcImage image = ReadOutput(m_dir.File("wide16.mrc"));
    for (std::uint32_t y = 0; y < 7; ++y)
        for (std::uint32_t x = 0; x < 9; ++x)
            ASSERT_EQ(image.m_values[y * 9 + x],
                      ExpectedDensity(static_cast<float>(pixel(x, y)), DEFAULT_FIT));

    std::string output;
    ASSERT_EQ(test::ReadMrcWithPython(m_dir.File("wide16.mrc"), output), 0) << output;
    std::istringstream lines(output);
    int nx = 0, ny = 0, mode = 0;
    double dmin, dmax, dmean, rms, dataSum, dataMin, dataMax;
    lines >> nx >> ny >> mode >> dmin >> dmax >> dmean >> rms;
    std::string label;
    std::getline(lines >> std::ws, label);
    lines >> dataSum >> dataMin >> dataMax;
    EXPECT_EQ(nx, 9);
    EXPECT_EQ(ny, 7);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(label, LABEL_OD_16_BIT);
    EXPECT_EQ(dmin, dataMin);
    EXPECT_EQ(dmax, dataMax);
    EXPECT_NEAR(dmean, dataSum / 63, 1e-6);

    output.clear();
    ASSERT_EQ(test::ReadMrcWithPython(m_dir.File("wide16_2_bin.mrc"), output), 0) << output;
    std::istringstream binned(output);
    binned >> nx >> ny >> mode >> dmin >> dmax >> dmean >> rms;
    std::getline(binned >> std::ws, label);
    binned >> dataSum >> dataMin >> dataMax;
    EXPECT_EQ(nx, 4);
    EXPECT_EQ(ny, 3);
    EXPECT_EQ(label, LABEL_OD_2_BINNED);
    EXPECT_EQ(dmin, dataMin);
    EXPECT_EQ(dmax, dataMax);
    EXPECT_NEAR(dmean, dataSum / 12, 1e-6);
}

TEST_F(ConvertTest, AutoIsDecidedByTheFirstFile) {
    auto value8 = [](std::uint32_t x, std::uint32_t y) { return (x + 4 * y) * 17; };
    auto value16 = [&](std::uint32_t x, std::uint32_t y) { return value8(x, y) * 257; };
    const std::string eight = MakeTiff("a8.tif", {4, 4, 8, 1}, value8);
    const std::string sixteen = MakeTiff("b16.tif", {4, 4, 16, 1}, value16);

    ASSERT_EQ(Convert({eight, sixteen}), ConvertOutcome::Done);
    EXPECT_EQ(m_settings.m_nOutputFormat, OUTPUT_FORMAT_8_BIT);
    MrcImage first = ReadOutput(m_dir.File("a8.mrc"));
    MrcImage second = ReadOutput(m_dir.File("b16.mrc"));
    EXPECT_EQ(second.m_strLabel, LABEL_OD_8_BIT);
    EXPECT_EQ(first.m_values, second.m_values); // v·257 ÷ 257 is v again

    m_settings.m_nOutputFormat = OUTPUT_FORMAT_AUTO;
    ASSERT_EQ(Convert({sixteen, eight}), ConvertOutcome::Done);
    EXPECT_EQ(m_settings.m_nOutputFormat, OUTPUT_FORMAT_16_BIT);
    first = ReadOutput(m_dir.File("a8.mrc"));
    second = ReadOutput(m_dir.File("b16.mrc"));
    EXPECT_EQ(first.m_strLabel, LABEL_OD_16_BIT);
    EXPECT_EQ(first.m_values, second.m_values);      // v × 257 on the 16-bit scale
    EXPECT_NEAR(first.m_values[15], -0.05377, 5e-6); // 255
}

TEST_F(ConvertTest, NegativeImageHeaderStillBoundsTheValues) {
    const std::string input = MakeTiff("n.tif", {8, 3, 8, 1}, Pattern8);
    m_settings.m_bNegative = true;
    m_settings.m_nOutputFormat = OUTPUT_FORMAT_8_BIT;
    ASSERT_EQ(Convert({input}), ConvertOutcome::Done);
    const MrcImage image = ReadOutput(m_dir.File("n.mrc"));
    for (std::uint32_t i = 0; i < 24; ++i) {
        const float x = 255.0f - static_cast<float>(Pattern8(i % 8, i / 8));
        ASSERT_EQ(image.m_values[i], ExpectedDensity(x, DEFAULT_FIT));
    }
    EXPECT_EQ(image.m_fMin, *std::min_element(image.m_values.begin(), image.m_values.end()));
    EXPECT_EQ(image.m_fMax, *std::max_element(image.m_values.begin(), image.m_values.end()));
}

TEST_F(ConvertTest, HeaderExtremesStartAtAMillionAndMinusOne) {
    // Every density lies below -1 here: the maximum, which starts at -1, is never replaced, in the
    // full-size header and in the binned one; the minimum is the smallest value written.
    const std::string input = MakeTiff("low.tif", {5, 4, 8, 1}, Pattern8);
    m_settings.m_fit = {-0.4016f, -309.0f, -9.5f};
    m_settings.m_nBinSize = 2;
    ASSERT_EQ(Convert({input}), ConvertOutcome::Done);
    const MrcImage image = ReadOutput(m_dir.File("low.mrc"));
    EXPECT_LT(*std::max_element(image.m_values.begin(), image.m_values.end()), -1.0f);
    EXPECT_EQ(image.m_fMax, -1.0f);
    EXPECT_EQ(image.m_fMin, *std::min_element(image.m_values.begin(), image.m_values.end()));
    const MrcImage binned = ReadOutput(m_dir.File("low_2_bin.mrc"));
    ASSERT_EQ(binned.m_values.size(), 4u);
    EXPECT_EQ(binned.m_fMax, -1.0f);
    EXPECT_EQ(binned.m_fMin, *std::min_element(binned.m_values.begin(), binned.m_values.end()));

    // A pixel equal to x0 gives an infinite density, in the file and in the header.
    m_settings.m_fit = {-0.4016f, 42.0f, 4.402f};
    m_settings.m_nBinSize = 0;
    const std::string atX0 =
        MakeTiff("atx0.tif", {3, 2, 8, 1}, [](std::uint32_t x, std::uint32_t) { return 40 + x; });
    ASSERT_EQ(Convert({atX0}), ConvertOutcome::Done);
    const MrcImage infinite = ReadOutput(m_dir.File("atx0.mrc"));
    EXPECT_EQ(infinite.m_values[2], std::numeric_limits<float>::infinity());
    EXPECT_EQ(infinite.m_fMax, std::numeric_limits<float>::infinity());

    // Every pixel at x0: all values are infinite and the minimum keeps its start of 1,000,000.
    const std::string allAtX0 =
        MakeTiff("allx0.tif", {3, 2, 8, 1}, [](std::uint32_t, std::uint32_t) { return 42u; });
    ASSERT_EQ(Convert({allAtX0}), ConvertOutcome::Done);
    const MrcImage allInfinite = ReadOutput(m_dir.File("allx0.mrc"));
    EXPECT_EQ(allInfinite.m_fMin, 1000000.0f);
    EXPECT_EQ(allInfinite.m_fMax, std::numeric_limits<float>::infinity());

    // An image narrower than the bin size gives an empty binned image: the extremes keep their
    // start values, and the mean and spread are 0 rather than 0 ÷ 0.
    m_settings.m_fit = DEFAULT_FIT;
    m_settings.m_nBinSize = 2;
    const std::string narrow = MakeTiff("narrow.tif", {1, 3, 8, 1}, Pattern8);
    ASSERT_EQ(Convert({narrow}), ConvertOutcome::Done);
    const MrcImage empty = ReadOutput(m_dir.File("narrow_2_bin.mrc"));
    EXPECT_EQ(empty.m_nWidth, 0);
    EXPECT_EQ(empty.m_nHeight, 1);
    EXPECT_TRUE(empty.m_values.empty());
    EXPECT_EQ(empty.m_fMin, 1000000.0f);
    EXPECT_EQ(empty.m_fMax, -1.0f);
    EXPECT_EQ(empty.m_fMean, 0.0f);
    EXPECT_EQ(empty.m_fRms, 0.0f);
}

TEST_F(ConvertTest, BinningDropsTheLastColumnsAndRows) {
    // 5 × 7 with bin size 2 gives 2 × 3 values; column 4 and row 6 are far off and must not count.
    auto pixel = [](std::uint32_t x, std::uint32_t y) -> unsigned {
        return x == 4 || y == 6 ? 255 : x * 10 + y * 3;
    };
    const std::string input = MakeTiff("b.tif", {5, 7, 8, 2}, pixel);
    m_settings.m_nBinSize = 2;
    ASSERT_EQ(Convert({input}), ConvertOutcome::Done);
    const MrcImage full = ReadOutput(m_dir.File("b.mrc"));
    const MrcImage binned = ReadOutput(m_dir.File("b_2_bin.mrc"));
    ASSERT_EQ(binned.m_nWidth, 2);
    ASSERT_EQ(binned.m_nHeight, 3);
    EXPECT_EQ(binned.m_strLabel, LABEL_OD_2_BINNED);
    std::vector<float> expected;
    for (int by = 0; by < 3; ++by)
        for (int bx = 0; bx < 2; ++bx) {
            // float32 running sums: a row's pair first, then the rows added into the accumulator.
            float accumulator = 0.0f;
            for (int y = 2 * by; y < 2 * by + 2; ++y)
                accumulator += full.m_values[y * 5 + 2 * bx] + full.m_values[y * 5 + 2 * bx + 1];
            expected.push_back(accumulator / 4.0f);
        }
    EXPECT_EQ(binned.m_values, expected);
    EXPECT_EQ(binned.m_fMin, *std::min_element(expected.begin(), expected.end()));
    EXPECT_EQ(binned.m_fMax, *std::max_element(expected.begin(), expected.end()));
    double sum = 0, sumOfSquares = 0;
    for (float v : expected) {
        sum += v;
        sumOfSquares += static_cast<double>(v) * v;
    }
    const double mean = sum / 6;
    EXPECT_FLOAT_EQ(binned.m_fMean, static_cast<float>(mean));
    EXPECT_FLOAT_EQ(binned.m_fRms,
                    static_cast<float>(std::sqrt(std::fabs(sumOfSquares / 6 - mean * mean) / 5)));
}

TEST_F(ConvertTest, BinSizesThreeAndFour) {
    const std::string input = MakeTiff("s.tif", {7, 9, 8, 4}, Pattern8);
    m_settings.m_nBinSize = 3;
    ASSERT_EQ(Convert({input}), ConvertOutcome::Done);
    MrcImage binned = ReadOutput(m_dir.File("s_3_bin.mrc"));
    EXPECT_EQ(binned.m_nWidth, 2);
    EXPECT_EQ(binned.m_nHeight, 3);
    EXPECT_EQ(binned.m_strLabel, LABEL_OD_3_BINNED);

    m_settings.m_nBinSize = 4;
    ASSERT_EQ(Convert({input}), ConvertOutcome::Done);
    binned = ReadOutput(m_dir.File("s_4_bin.mrc"));
    EXPECT_EQ(binned.m_nWidth, 1);
    EXPECT_EQ(binned.m_nHeight, 2);
    EXPECT_EQ(binned.m_strLabel, LABEL_OD_4_BINNED);

    // A single binned value has no spread (rather than 0 ÷ 0).
    const std::string small = MakeTiff("one.tif", {4, 5, 8, 1}, Pattern8);
    ASSERT_EQ(Convert({small}), ConvertOutcome::Done);
    binned = ReadOutput(m_dir.File("one_4_bin.mrc"));
    ASSERT_EQ(binned.m_values.size(), 1u);
    EXPECT_EQ(binned.m_fRms, 0.0f);
    EXPECT_EQ(binned.m_fMean, binned.m_values[0]);
}

TEST_F(ConvertTest, BinnedSizeOver10000StopsWithTwoMessages) {
    const std::string wide = MakeTiff("wide.tif", {20002, 2, 8, 1}, Pattern8);
    m_settings.m_nBinSize = 2;
    EXPECT_EQ(Convert({wide}), ConvertOutcome::FatalWrite);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{MSG_BINNED_TOO_BIG, MSG_WRITE_ERROR}));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("wide.mrc")));

    m_messages.m_shown.clear();
    const std::string tall = MakeTiff("tall.tif", {2, 20002, 8, 1024}, Pattern8);
    EXPECT_EQ(Convert({tall}), ConvertOutcome::FatalWrite);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{MSG_BINNED_TOO_BIG, MSG_WRITE_ERROR}));

    m_messages.m_shown.clear();
    const std::string fits = MakeTiff("fits.tif", {20001, 2, 8, 1}, Pattern8);
    ASSERT_EQ(Convert({fits}), ConvertOutcome::Done);
    EXPECT_EQ(ReadOutput(m_dir.File("fits_2_bin.mrc")).m_nWidth, 10000);

    m_settings.m_nBinSize = 0;
    EXPECT_EQ(Convert({wide}), ConvertOutcome::Done);
}

TEST_F(ConvertTest, StripLayoutAndCompressionDoNotChangeTheOutput) {
    TiffSpec recipe{7, 1030, 16, 1};
    auto pixel = [](std::uint32_t x, std::uint32_t y) { return (x * 7919 + y * 104729) % 65536; };
    const std::string oneRow = MakeTiff("r1.tif", recipe, pixel);
    recipe.m_nRowsPerStrip = 1024;
    const std::string manyRows = MakeTiff("r1024.tif", recipe, pixel);
    recipe.m_nCompression = 32773; // PackBits
    const std::string packed = MakeTiff("packed.tif", recipe, pixel);
    m_settings.m_nBinSize = 3;
    ASSERT_EQ(Convert({oneRow, manyRows, packed}), ConvertOutcome::Done);
    const auto reference = test::ReadFileBytes(m_dir.File("r1.mrc"));
    ASSERT_EQ(reference.size(), 1024u + 4u * 7 * 1030);
    EXPECT_EQ(test::ReadFileBytes(m_dir.File("r1024.mrc")), reference);
    EXPECT_EQ(test::ReadFileBytes(m_dir.File("packed.mrc")), reference);
    EXPECT_EQ(test::ReadFileBytes(m_dir.File("r1024_3_bin.mrc")),
              test::ReadFileBytes(m_dir.File("r1_3_bin.mrc")));

    recipe.m_nCompression = 1;
    recipe.m_nRowsPerStrip = 1025;
    const std::string refused = MakeTiff("r1025.tif", recipe, pixel);
    m_messages.m_shown.clear();
    EXPECT_EQ(Convert({refused}), ConvertOutcome::CannotHandle);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{MSG_CONVERT_TOO_MANY_ROWS_PER_STRIP});
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("r1025.mrc")));
}

TEST_F(ConvertTest, FormatChecksStopTheBatch) {
    TiffSpec rgb{4, 4, 8, 1};
    rgb.m_nSamplesPerPixel = 3;
    TiffSpec deep{4, 4, 32, 1};
    TiffSpec planes{4, 4, 8, 1};
    planes.m_nPlanarConfig = 2;
    const std::string good = MakeTiff("good.tif", {4, 4, 8, 1}, Pattern8);
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {MakeTiff("rgb.tif", rgb, Pattern8), MSG_NOT_GREYSCALE},
        {MakeTiff("deep.tif", deep, Pattern8), MSG_NOT_8_OR_16_BIT},
        {MakeTiff("planes.tif", planes, Pattern8), MSG_NOT_SINGLE_PLANE},
        {m_dir.File("missing.tif"), MSG_COULD_NOT_OPEN_TIFF},
    };
    for (const auto& bad : cases) {
        m_messages.m_shown.clear();
        std::filesystem::remove(m_dir.File("good.mrc"));
        EXPECT_EQ(Convert({bad.path, good}), ConvertOutcome::CannotHandle);
        const auto texts = m_messages.Texts();
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.back(), bad.message) << bad.path;
        EXPECT_FALSE(std::filesystem::exists(m_dir.File("good.mrc")))
            << "the batch went on after " << bad.path;
    }
}

TEST_F(ConvertTest, LastRunFileIsWrittenBeforeAnyInputIsOpened) {
    m_settings.m_dGain = -0.3;
    m_settings.m_fit = {-0.4006f, -232.6f, 4.308f};
    EXPECT_EQ(Convert({m_dir.File("missing.tif")}), ConvertOutcome::CannotHandle);
    RecordingMessages messages;
    const LastRunValues values = LoadLastRun(m_dir.File(LAST_RUN_FILE_NAME), messages);
    EXPECT_EQ(values.m_nGainIndex, 23);
    EXPECT_EQ(values.m_dX0, static_cast<double>(-232.6f));

    const ConvertOutcome outcome =
        ConvertFiles({m_dir.File("missing.tif")}, m_settings,
                     m_dir.File("no/such/folder/last_run_parameters.txt"), m_messages, m_progress);
    EXPECT_EQ(outcome, ConvertOutcome::FatalWrite);
    EXPECT_EQ(m_messages.Texts().back(), MSG_WRITE_ERROR);
}

TEST_F(ConvertTest, UnwritableOutputIsAFatalWriteError) {
    const std::string input = MakeTiff("ro.tif", {4, 4, 8, 1}, Pattern8);
    std::filesystem::create_directory(m_dir.File("ro.mrc")); // a folder where the output should go
    m_settings.m_nBinSize = 2;
    EXPECT_EQ(Convert({input}), ConvertOutcome::FatalWrite);
    EXPECT_EQ(m_messages.Texts().back(), MSG_WRITE_ERROR);
    // The binned file is created only after the full-size one was.
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("ro_2_bin.mrc")));
}

TEST_F(ConvertTest, ProgressRestartsNearTenForEachFile) {
    const std::string first = MakeTiff("p1.tif", {4, 3, 8, 1}, Pattern8);
    const std::string second = MakeTiff("p2.tif", {4, 3, 8, 1}, Pattern8);
    ASSERT_EQ(Convert({first, second}), ConvertOutcome::Done);
    // Strip 0 of each file: 10 + 1·(i + 1)·1·90 ÷ (3·2).
    EXPECT_EQ(m_progress.m_positions, (std::vector<int>{10, 25, 40, 100}));
    EXPECT_EQ(m_progress.m_nUpper, 100);

    // A strip taller than the image would push the bar past its end; it stops at 100.
    m_progress.m_positions.clear();
    const std::string tallStrip = MakeTiff("p3.tif", {4, 3, 8, 1024}, Pattern8);
    ASSERT_EQ(Convert({tallStrip}), ConvertOutcome::Done);
    EXPECT_EQ(m_progress.m_positions, (std::vector<int>{10, 100, 100}));
}

TEST_F(ConvertTest, StatisticsReportComesFirst) {
    const std::string input =
        MakeTiff("st.tif", {3, 3, 8, 1}, [](std::uint32_t, std::uint32_t) { return 7u; });
    m_settings.m_bStatistics = true;
    ASSERT_EQ(Convert({input}), ConvertOutcome::Done);
    const auto texts = m_messages.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind(std::string(STATS_FILE_NAME) + input + "\n", 0), 0u);
    EXPECT_EQ(texts[1], MSG_DONE);
}

} // namespace
} // namespace gc
