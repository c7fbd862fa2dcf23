#include "convert/GainTable.h"
#include "ConvertFixtures.h"
#include "convert/ConvertMessages.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace gc {
namespace {

using test::RecordingMessages;
using test::TempDir;

void WriteText(const std::string& path, const std::string& text) {
    test::WriteFileBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

TEST(GainTable, RowsFollowTheListFrom2Down) {
    ASSERT_EQ(GAIN_TABLE.size(), 41u);
    for (int i = 0; i < GAIN_COUNT; ++i) {
        // Each GAIN is the double nearest to its list item's text.
        EXPECT_EQ(GAIN_TABLE[i].gain, std::strtod(GAIN_LIST_ITEMS[i], nullptr)) << i;
        EXPECT_EQ(FindGainIndex(GAIN_TABLE[i].gain), i);
        if (i > 0) {
            EXPECT_GT(GAIN_TABLE[i].x0, GAIN_TABLE[i - 1].x0) << i;
            EXPECT_LT(GAIN_TABLE[i].y0, GAIN_TABLE[i - 1].y0) << i;
        }
    }
    EXPECT_STREQ(GAIN_LIST_ITEMS[20], "0.0");
    EXPECT_STREQ(GAIN_LIST_ITEMS[21], "-0.1");
    // The rows are data: a is not monotonic.
    EXPECT_EQ(GAIN_TABLE[24].a, -0.4002);
    EXPECT_EQ(GAIN_TABLE[25].a, -0.4004);
    EXPECT_EQ(GAIN_TABLE[26].a, -0.4004);
    EXPECT_EQ(GAIN_TABLE[33].a, -0.398);
    EXPECT_EQ(GAIN_TABLE[34].a, -0.3981);
    EXPECT_EQ(GAIN_TABLE[0].x0, -12420);
    EXPECT_EQ(GAIN_TABLE[32].x0, -87.68);
    EXPECT_EQ(GAIN_TABLE[40].y0, 3.779);
}

TEST(GainTable, DefaultIsTheRowOfGainZero) {
    const GainSetting& row = GAIN_TABLE[DEFAULT_GAIN_INDEX];
    EXPECT_EQ(row.gain, DEFAULT_GAIN_SETTING.gain);
    EXPECT_EQ(row.a, DEFAULT_GAIN_SETTING.a);
    EXPECT_EQ(row.x0, DEFAULT_GAIN_SETTING.x0);
    EXPECT_EQ(row.y0, DEFAULT_GAIN_SETTING.y0);
    EXPECT_EQ(DEFAULT_GAIN_SETTING.a, -0.4016);
    EXPECT_EQ(DEFAULT_GAIN_SETTING.x0, -309);
    EXPECT_EQ(DEFAULT_GAIN_SETTING.y0, 4.402);
    EXPECT_EQ(FindGainIndex(1.95), -1);
    EXPECT_EQ(FindGainIndex(-0.0), DEFAULT_GAIN_INDEX);
}

TEST(LastRunFile, DefaultRowIsWrittenWithFloat32Constants) {
    TempDir dir;
    const std::string path = dir.File(LAST_RUN_FILE_NAME);
    ASSERT_TRUE(SaveLastRun(path, 0.0, -0.4016f, -309.0f, 4.402f));
    const auto bytes = test::ReadFileBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "0.\n-0.40160000324249267578\n-309.\n4.4019999504089355469\n");
    EXPECT_EQ(LastRunText(1.9, -0.7286f, -9926.0f, 8.451f),
              "1.8999999999999999112\n-0.72860002517700195312\n-9926.\n8.451000213623046875\n");
}

TEST(LastRunFile, RoundTripRestoresGainAndFloat32Constants) {
    TempDir dir;
    const std::string path = dir.File(LAST_RUN_FILE_NAME);
    const GainSetting& row = GAIN_TABLE[7];
    ASSERT_TRUE(SaveLastRun(path, row.gain, static_cast<float>(row.a), static_cast<float>(row.x0),
                            static_cast<float>(row.y0)));
    RecordingMessages messages;
    const LastRunValues values = LoadLastRun(path, messages);
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_EQ(values.m_nGainIndex, 7);
    EXPECT_EQ(values.m_dGain, row.gain);
    EXPECT_EQ(values.m_dA, static_cast<double>(static_cast<float>(row.a)));
    EXPECT_EQ(values.m_dX0, static_cast<double>(static_cast<float>(row.x0)));
    EXPECT_EQ(values.m_dY0, static_cast<double>(static_cast<float>(row.y0)));
}

TEST(LastRunFile, GainMustBeATableValueExactly) {
    TempDir dir;
    const std::string path = dir.File(LAST_RUN_FILE_NAME);
    RecordingMessages messages;
    WriteText(path, "1.9000000000000000\n-1\n-2\n3\n");
    LastRunValues values = LoadLastRun(path, messages);
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_EQ(values.m_nGainIndex, 1);
    EXPECT_EQ(values.m_dY0, 3.0);

    WriteText(path, "1.95\n-1\n-2\n3\n");
    values = LoadLastRun(path, messages);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_LAST_RUN_UNKNOWN_GAIN});
    EXPECT_EQ(values.m_nGainIndex, -1);
    EXPECT_FALSE(values.m_dGain || values.m_dA || values.m_dX0 || values.m_dY0);
}

TEST(LastRunFile, ShortOrMissingFileKeepsWhatWasRead) {
    TempDir dir;
    const std::string path = dir.File(LAST_RUN_FILE_NAME);
    RecordingMessages messages;
    LastRunValues values = LoadLastRun(path, messages);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_LAST_RUN_MISSING});

    messages.m_shown.clear();
    WriteText(path, "-0.5\nletters\n");
    values = LoadLastRun(path, messages);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_LAST_RUN_CORRUPT});
    EXPECT_EQ(values.m_nGainIndex, 25);
    EXPECT_EQ(values.m_dA, 0.0); // a line without a number reads as 0
    EXPECT_FALSE(values.m_dX0);
    EXPECT_FALSE(values.m_dY0);

    messages.m_shown.clear();
    WriteText(path, "");
    values = LoadLastRun(path, messages);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_LAST_RUN_CORRUPT});
    EXPECT_FALSE(values.m_dGain);
}

TEST(LastRunFile, LongLineIsReadInPieces) {
    TempDir dir;
    const std::string path = dir.File(LAST_RUN_FILE_NAME);
    // 99 characters of line 2 are taken; the rest of it counts as line 3, so line 4 is the old line 3.
    WriteText(path, "0.3\n-0.5" + std::string(95, '0') + "7\n-200\n4\n");
    RecordingMessages messages;
    const LastRunValues values = LoadLastRun(path, messages);
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_EQ(values.m_dA, -0.5);
    EXPECT_EQ(values.m_dX0, 7.0);
    EXPECT_EQ(values.m_dY0, -200.0);
}

TEST(LastRunFile, UnwritablePlaceFails) {
    TempDir dir;
    EXPECT_FALSE(SaveLastRun(dir.File("missing-folder/last_run_parameters.txt"), 0.0, 1.0f, 1.0f, 1.0f));
}

} // namespace
} // namespace gc
