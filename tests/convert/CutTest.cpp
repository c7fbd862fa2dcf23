#include "convert/Cut.h"
#include "ConvertFixtures.h"
#include "convert/ConvertMessages.h"
#include "convert/OutputNames.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace gc {
namespace {

using test::RecordingMessages;
using test::RecordingProgress;
using test::TempDir;
using test::TiffImage;
using test::TiffSpec;

unsigned Pattern(std::uint32_t x, std::uint32_t y) {
    return (x * 3 + y * 101) % 256;
}

class CutTest : public ::testing::Test {
protected:
    std::string MakeTiff(const std::string& name, const TiffSpec& recipe,
                         const test::PixelFunction& pixel = Pattern) {
        const std::string path = m_dir.File(name);
        EXPECT_TRUE(test::WriteTiff(path, recipe, pixel));
        return path;
    }
    ConvertOutcome Cut(const std::vector<std::string>& files, CutRectangle rectangle,
                       bool statistics = false) {
        return CutFiles(files, rectangle, statistics, m_messages, m_progress);
    }
    TiffImage Read(const std::string& path) {
        TiffImage image;
        EXPECT_TRUE(test::ReadTiff(path, image)) << path;
        return image;
    }

    TempDir m_dir;
    RecordingMessages m_messages;
    RecordingProgress m_progress;
};

TEST(CutNames, IndexInsertedBeforeTheFirstDotOfTheFileName) {
    EXPECT_EQ(CutFileName("/scans/plate7.tif", 0), "/scans/plate7_Cut_0.tif");
    EXPECT_EQ(CutFileName("/sc.ans/plate7.old.tiff", 12), "/sc.ans/plate7_Cut_12.old.tiff");
    EXPECT_EQ(CutFileName("/sc.ans/plate7", 1), "/sc.ans/plate7_Cut_1");
}

TEST(CutFields, ReadLenientlyAndCheckedInOrder) {
    RecordingMessages messages;
    CutRectangle rectangle;
    EXPECT_TRUE(ReadCutRectangle("12abc", " 3", "20000", "4", 0, 20000, rectangle, messages));
    EXPECT_EQ(rectangle.m_nStartX, 12);
    EXPECT_EQ(rectangle.m_nStartY, 3);
    EXPECT_EQ(rectangle.m_nEndX, 20000);
    EXPECT_EQ(rectangle.Width(), 19989);
    EXPECT_EQ(rectangle.Height(), 2);
    EXPECT_TRUE(messages.m_shown.empty());

    const struct {
        const char* fields[4];
        const char* message;
    } refused[] = {
        {{"abc", "abc", "abc", "abc"}, MSG_CUT_START_X_RANGE},
        {{"0", "1", "2", "2"}, MSG_CUT_START_X_RANGE},
        {{"1", "-1", "2", "2"}, MSG_CUT_START_Y_RANGE},
        {{"1", "1", "20001", "2"}, MSG_CUT_END_X_RANGE},
        {{"1", "1", "2", ""}, MSG_CUT_END_Y_RANGE},
        {{"5", "1", "5", "2"}, MSG_CUT_END_NOT_LARGER},
        {{"1", "3", "2", "2"}, MSG_CUT_END_NOT_LARGER},
    };
    for (const auto& c : refused) {
        messages.m_shown.clear();
        EXPECT_FALSE(ReadCutRectangle(c.fields[0], c.fields[1], c.fields[2], c.fields[3], 0, 20000, rectangle,
                                      messages));
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.message}) << c.fields[0] << c.fields[1];
    }
}

TEST_F(CutTest, WholeImageIsCopiedUnchanged) {
    const std::string input = MakeTiff("whole.tif", {100, 50, 8, 1});
    ASSERT_EQ(Cut({input}, {1, 1, 100, 50}), ConvertOutcome::Done);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{MSG_DONE});
    const TiffImage out = Read(m_dir.File("whole_Cut_0.tif"));
    EXPECT_EQ(out.m_samples, Read(input).m_samples);
    EXPECT_EQ(out.m_nWidth, 100u);
    EXPECT_EQ(out.m_nLength, 50u);
    EXPECT_EQ(out.m_nRowsPerStrip, 1u);
    EXPECT_EQ(m_progress.m_positions, (std::vector<int>{10 + 90 / 50, 100}));
}

TEST_F(CutTest, InnerRectangleIsOneBasedWithBothCorners) {
    const std::string input = MakeTiff("inner.tif", {10, 8, 8, 1});
    ASSERT_EQ(Cut({input}, {2, 3, 4, 5}), ConvertOutcome::Done);
    const TiffImage out = Read(m_dir.File("inner_Cut_0.tif"));
    ASSERT_EQ(out.m_nWidth, 3u);
    ASSERT_EQ(out.m_nLength, 3u);
    std::vector<unsigned> expected;
    for (std::uint32_t y = 2; y <= 4; ++y)
        for (std::uint32_t x = 1; x <= 3; ++x)
            expected.push_back(Pattern(x, y));
    EXPECT_EQ(out.m_samples, expected);
}

TEST_F(CutTest, LastColumnIsInsideAndOneMoreIsOutside) {
    const std::string input = MakeTiff("edge.tif", {10, 8, 8, 1});
    ASSERT_EQ(Cut({input}, {7, 1, 10, 8}), ConvertOutcome::Done);
    const TiffImage out = Read(m_dir.File("edge_Cut_0.tif"));
    EXPECT_EQ(out.m_samples.back(), Pattern(9, 7));

    const struct {
        CutRectangle rectangle;
        const char* message;
    } outside[] = {
        {{11, 1, 12, 8}, MSG_CUT_START_X_OUTSIDE},
        {{7, 1, 11, 8}, MSG_CUT_END_X_OUTSIDE},
        {{1, 9, 10, 10}, MSG_CUT_START_Y_OUTSIDE},
        {{1, 1, 10, 9}, MSG_CUT_END_Y_OUTSIDE},
    };
    for (const auto& c : outside) {
        m_messages.m_shown.clear();
        EXPECT_EQ(Cut({input}, c.rectangle), ConvertOutcome::CannotHandle);
        EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{c.message});
    }
}

TEST_F(CutTest, SixteenBitValuesAndTagsAreKept) {
    TiffSpec recipe{6, 5, 16, 1};
    recipe.m_nCompression = 5; // LZW, copied to the output
    const std::string input =
        MakeTiff("deep.tif", recipe, [](std::uint32_t x, std::uint32_t y) { return 60000u + x * 100 + y; });
    ASSERT_EQ(Cut({input}, {2, 2, 6, 5}), ConvertOutcome::Done);
    const TiffImage out = Read(m_dir.File("deep_Cut_0.tif"));
    EXPECT_EQ(out.m_nBits, 16);
    EXPECT_EQ(out.m_nCompression, 5);
    ASSERT_EQ(out.m_samples.size(), 20u);
    EXPECT_EQ(out.m_samples[0], 60000u + 100 + 1);
    EXPECT_EQ(out.m_samples[19], 60000u + 500 + 4);
}

TEST_F(CutTest, TwoFilesGetTheirIndexInTheName) {
    const std::string first = MakeTiff("a.tif", {4, 4, 8, 1});
    const std::string second = MakeTiff("b.tif", {4, 4, 8, 1});
    ASSERT_EQ(Cut({first, second}, {1, 1, 2, 2}), ConvertOutcome::Done);
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("a_Cut_0.tif")));
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("b_Cut_1.tif")));
    // Row 1 of each file: 1·(i + 1)·90 ÷ (4·2) + 10.
    EXPECT_EQ(m_progress.m_positions, (std::vector<int>{21, 32, 100}));
}

TEST_F(CutTest, FormatProblemsAreFatalReadErrors) {
    const std::string twoRows = MakeTiff("two.tif", {4, 6, 8, 2});
    EXPECT_EQ(Cut({twoRows}, {1, 1, 2, 2}), ConvertOutcome::FatalRead);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{MSG_CUT_ONE_ROW_PER_STRIP, MSG_READ_ERROR}));

    TiffSpec rgb{4, 4, 8, 1};
    rgb.m_nSamplesPerPixel = 3;
    m_messages.m_shown.clear();
    EXPECT_EQ(Cut({MakeTiff("rgb.tif", rgb)}, {1, 1, 2, 2}), ConvertOutcome::FatalRead);
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{MSG_NOT_GREYSCALE, MSG_READ_ERROR}));

    m_messages.m_shown.clear();
    EXPECT_EQ(Cut({m_dir.File("missing.tif")}, {1, 1, 2, 2}), ConvertOutcome::FatalRead);
    EXPECT_EQ(m_messages.Texts().back(), MSG_READ_ERROR);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("missing_Cut_0.tif")));
}

TEST_F(CutTest, UncreatableOutputIsAFatalWriteError) {
    const std::string input = MakeTiff("x.tif", {4, 4, 8, 1});
    std::filesystem::create_directory(m_dir.File("x_Cut_0.tif"));
    EXPECT_EQ(Cut({input}, {1, 1, 2, 2}), ConvertOutcome::FatalWrite);
    EXPECT_EQ(m_messages.Texts().back(), MSG_WRITE_ERROR);
}

} // namespace
} // namespace gc
