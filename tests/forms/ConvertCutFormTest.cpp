#include "forms/ConvertCutForm.h"
#include "ConvertFixtures.h"
#include "convert/GainTable.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace gc {
namespace {

using test::RecordingMessages;
using test::RecordingProgress;
using test::TempDir;

class ScriptedChooser final : public TiffFileChooser {
public:
    std::optional<std::vector<std::string>> ChooseTiffFiles() override { return m_answer; }
    std::optional<std::vector<std::string>> m_answer;
};

std::vector<std::string> Paths(int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back("/scans/f" + std::to_string(i) + ".tif");
    return paths;
}

class ConvertCutFormTest : public ::testing::Test {
protected:
    ConvertCutFormTest() { m_dialog.m_strLastRunPath = m_dir.File(LAST_RUN_FILE_NAME); }
    TempDir m_dir;
    RecordingMessages m_messages;
    RecordingProgress m_progress;
    ConvertCutForm m_dialog{m_messages, m_progress};
};

TEST_F(ConvertCutFormTest, OpensWithTheDefaults) {
    EXPECT_FALSE(m_dialog.m_bTiffLoaded);
    EXPECT_EQ(m_dialog.m_nTiffCount, 0);
    EXPECT_EQ(m_dialog.m_nBinIndex, 0);
    EXPECT_EQ(m_dialog.m_nOutputFormat, OUTPUT_FORMAT_AUTO);
    EXPECT_FALSE(m_dialog.m_bNegative || m_dialog.m_bStatistics);
    EXPECT_EQ(m_dialog.m_dGain, 0.0);
    EXPECT_EQ(m_dialog.m_nUpperLimit, 20000);
    EXPECT_EQ(m_dialog.m_nGainSelection, NO_SELECTION);
    EXPECT_EQ(m_dialog.m_nBinSelection, NO_SELECTION);
    EXPECT_EQ(m_dialog.m_nFormatSelection, NO_SELECTION);
    EXPECT_EQ(m_dialog.m_strA, "-0.4016");
    EXPECT_EQ(m_dialog.m_strX0, "-309");
    EXPECT_EQ(m_dialog.m_strY0, "4.402");
    EXPECT_EQ(m_dialog.m_strCutStartX, "0");
    EXPECT_EQ(m_dialog.m_strCutEndY, "0");

    // Convert and Cut at once ask for files; Load last run asks too.
    EXPECT_EQ(m_dialog.OnConvert(), ConvertOutcome::Refused);
    EXPECT_EQ(m_dialog.OnCut(), ConvertOutcome::Refused);
    m_dialog.OnLoadLastRun();
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{MSG_LOAD_VALID_TIFF_FIRST,
                                                            MSG_LOAD_VALID_TIFF_FIRST, MSG_LOAD_TIFF_FIRST}));
    EXPECT_FALSE(std::filesystem::exists(m_dialog.m_strLastRunPath));
}

TEST_F(ConvertCutFormTest, AtMostOneHundredFilesAreLoaded) {
    ScriptedChooser chooser;
    chooser.m_answer = Paths(100);
    m_dialog.OnLoadTiffFiles(chooser);
    EXPECT_TRUE(m_dialog.m_bTiffLoaded);
    EXPECT_EQ(m_dialog.m_nTiffCount, 100);
    EXPECT_EQ(m_dialog.m_strTiffFiles[99], "/scans/f99.tif");

    chooser.m_answer = Paths(3);
    m_dialog.OnLoadTiffFiles(chooser);
    EXPECT_EQ(m_dialog.m_nTiffCount, 3);

    chooser.m_answer = Paths(101);
    m_dialog.OnLoadTiffFiles(chooser);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{MSG_MORE_THAN_100_FILES});
    EXPECT_EQ(m_dialog.m_nTiffCount, 3);
    EXPECT_EQ(m_dialog.m_strTiffFiles, Paths(3));

    chooser.m_answer.reset(); // cancelled
    m_dialog.OnLoadTiffFiles(chooser);
    EXPECT_EQ(m_dialog.m_nTiffCount, 3);
    EXPECT_TRUE(m_dialog.m_bTiffLoaded);
}

TEST_F(ConvertCutFormTest, ListsAndCheckBoxes) {
    m_dialog.OnSelchangeBinSize(3);
    EXPECT_EQ(m_dialog.m_nBinIndex, 3);
    m_dialog.OnSelchangeBinSize(0);
    EXPECT_EQ(m_dialog.m_nBinIndex, 0);
    m_dialog.OnSelchangeBinSize(2);
    m_dialog.OnSelchangeBinSize(NO_SELECTION);
    EXPECT_EQ(m_dialog.m_nBinIndex, 0);

    m_dialog.OnSelchangeOutputFormat(2);
    EXPECT_EQ(m_dialog.m_nOutputFormat, OUTPUT_FORMAT_16_BIT);
    m_dialog.OnSelchangeOutputFormat(0);
    EXPECT_EQ(m_dialog.m_nOutputFormat, OUTPUT_FORMAT_AUTO);
    m_dialog.OnSelchangeOutputFormat(1);
    m_dialog.OnSelchangeOutputFormat(NO_SELECTION);
    EXPECT_EQ(m_dialog.m_nOutputFormat, OUTPUT_FORMAT_AUTO);

    m_dialog.OnOutputNegative();
    EXPECT_TRUE(m_dialog.m_bNegative && m_dialog.m_bNegativeChecked);
    m_dialog.OnOutputNegative();
    EXPECT_FALSE(m_dialog.m_bNegative || m_dialog.m_bNegativeChecked);
    m_dialog.OnDisplayStatistics();
    EXPECT_TRUE(m_dialog.m_bStatistics && m_dialog.m_bStatisticsChecked);
}

TEST_F(ConvertCutFormTest, GainSelectionFillsTheFields) {
    m_dialog.OnSelchangeGain(0);
    EXPECT_EQ(m_dialog.m_dGain, 2.0);
    EXPECT_EQ(m_dialog.m_strA, "-0.7913");
    EXPECT_EQ(m_dialog.m_strX0, "-12420.");
    EXPECT_EQ(m_dialog.m_strY0, "9.194");
    m_dialog.OnSelchangeGain(32);
    EXPECT_EQ(m_dialog.m_strX0, "-87.68");
    m_dialog.OnSelchangeGain(DEFAULT_GAIN_INDEX);
    EXPECT_EQ(m_dialog.m_dA, -0.4016);
    EXPECT_EQ(m_dialog.m_dX0, -309.0);
    EXPECT_EQ(m_dialog.m_dY0, 4.402);
    EXPECT_EQ(m_dialog.m_strX0, "-309.");
    m_dialog.OnSelchangeGain(3);
    m_dialog.OnSelchangeGain(NO_SELECTION);
    EXPECT_EQ(m_dialog.m_dGain, DEFAULT_GAIN_SETTING.gain);
    EXPECT_EQ(m_dialog.m_dA, DEFAULT_GAIN_SETTING.a);
}

TEST_F(ConvertCutFormTest, DefaultParametersRestoreEverythingButStatistics) {
    m_dialog.OnSelchangeGain(5);
    m_dialog.OnSelchangeBinSize(2);
    m_dialog.OnSelchangeOutputFormat(2);
    m_dialog.OnOutputNegative();
    m_dialog.OnDisplayStatistics();
    m_dialog.m_strCutStartX = "5";
    m_dialog.OnSetDefaultParameters();
    EXPECT_EQ(m_dialog.m_nBinIndex, 0);
    EXPECT_EQ(m_dialog.m_nBinSelection, 0);
    EXPECT_EQ(m_dialog.m_nOutputFormat, OUTPUT_FORMAT_AUTO);
    EXPECT_EQ(m_dialog.m_nFormatSelection, 0);
    EXPECT_FALSE(m_dialog.m_bNegative || m_dialog.m_bNegativeChecked);
    EXPECT_TRUE(m_dialog.m_bStatistics && m_dialog.m_bStatisticsChecked);
    EXPECT_EQ(m_dialog.m_nGainSelection, DEFAULT_GAIN_INDEX);
    EXPECT_EQ(m_dialog.m_strX0, "-309");
    EXPECT_EQ(m_dialog.m_strCutStartX, "0");

    // The Cut fields show 0 again, and Cut refuses them.
    m_dialog.LoadTiffFiles(Paths(1));
    EXPECT_EQ(m_dialog.OnCut(), ConvertOutcome::Refused);
    EXPECT_EQ(m_messages.Texts().back(), MSG_CUT_START_X_RANGE);
}

TEST_F(ConvertCutFormTest, LoadLastRunSelectsTheGainAndKeepsTheFileConstants) {
    test::WriteFileBytes(m_dialog.m_strLastRunPath, [] {
        const std::string text = "1.9\n-0.40160000324249267578\n-309.\n4.4019999504089355469\n";
        return std::vector<unsigned char>(text.begin(), text.end());
    }());
    m_dialog.LoadTiffFiles(Paths(1));
    m_dialog.OnLoadLastRun();
    EXPECT_TRUE(m_messages.m_shown.empty());
    EXPECT_EQ(m_dialog.m_nGainSelection, 1);
    EXPECT_EQ(m_dialog.m_dGain, 1.9);
    EXPECT_EQ(m_dialog.m_strA, "-0.401600003242493"); // not the table's -0.7286
    EXPECT_EQ(m_dialog.m_strX0, "-309");
    EXPECT_EQ(m_dialog.m_strY0, "4.40199995040894");

    // Typed-over fields are refreshed from the members even when the file is missing.
    std::filesystem::remove(m_dialog.m_strLastRunPath);
    m_dialog.m_strA = "abc";
    m_dialog.OnLoadLastRun();
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{MSG_LAST_RUN_MISSING});
    EXPECT_EQ(m_dialog.m_strA, "-0.401600003242493");
}

TEST_F(ConvertCutFormTest, ConvertReadsTheFieldsAndRemembersAuto) {
    const std::string input = m_dir.File("plate.tif");
    ASSERT_TRUE(
        test::WriteTiff(input, {4, 4, 16, 1}, [](std::uint32_t x, std::uint32_t) { return 1000u * x; }));
    m_dialog.LoadTiffFiles({input});
    m_dialog.m_strA = "abc";
    EXPECT_EQ(m_dialog.OnConvert(), ConvertOutcome::Refused);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{MSG_A_NOT_CORRECT});
    EXPECT_FALSE(std::filesystem::exists(m_dialog.m_strLastRunPath));

    m_messages.m_shown.clear();
    m_dialog.m_strA = "-0.4016";
    ASSERT_EQ(m_dialog.OnConvert(), ConvertOutcome::Done);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{MSG_DONE});
    EXPECT_EQ(m_dialog.m_nOutputFormat, OUTPUT_FORMAT_16_BIT);
    EXPECT_EQ(m_progress.m_positions.front(), 10);
    EXPECT_EQ(m_progress.m_positions.back(), 100);
    const auto text = test::ReadFileBytes(m_dialog.m_strLastRunPath);
    EXPECT_EQ(std::string(text.begin(), text.end()),
              "0.\n-0.40160000324249267578\n-309.\n4.4019999504089355469\n");
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("plate.mrc")));

    // Each item of the bin-size list makes the copy of its size; "none" makes none.
    for (const auto& [item, binned] : {std::pair<int, const char*>{1, "plate_2_bin.mrc"},
                                       {2, "plate_3_bin.mrc"},
                                       {3, "plate_4_bin.mrc"}}) {
        m_dialog.OnSelchangeBinSize(item);
        ASSERT_EQ(m_dialog.OnConvert(), ConvertOutcome::Done) << item;
        EXPECT_TRUE(std::filesystem::exists(m_dir.File(binned))) << item;
    }
}

TEST_F(ConvertCutFormTest, CutReadsItsFields) {
    const std::string input = m_dir.File("c.tif");
    ASSERT_TRUE(test::WriteTiff(input, {20, 20, 8, 1}, [](std::uint32_t x, std::uint32_t) { return x; }));
    m_dialog.LoadTiffFiles({input});
    m_dialog.m_strCutStartX = "12abc";
    m_dialog.m_strCutStartY = "1";
    m_dialog.m_strCutEndX = "20";
    m_dialog.m_strCutEndY = "2";
    ASSERT_EQ(m_dialog.OnCut(), ConvertOutcome::Done);
    test::TiffImage out;
    ASSERT_TRUE(test::ReadTiff(m_dir.File("c_Cut_0.tif"), out));
    EXPECT_EQ(out.m_nWidth, 9u);
    EXPECT_EQ(out.m_samples.front(), 11u);
    EXPECT_EQ(m_progress.m_positions.front(), 10);

    m_dialog.m_strCutStartX = "abc";
    EXPECT_EQ(m_dialog.OnCut(), ConvertOutcome::Refused);
    EXPECT_EQ(m_messages.Texts().back(), MSG_CUT_START_X_RANGE);
}

class ScriptedQuestions final : public Questions {
public:
    Answer Ask(const std::string& text, const std::vector<Answer>& answers) override {
        m_asked.push_back(text);
        m_offered = answers;
        return m_answer;
    }
    Answer m_answer = Answer::No;
    std::vector<std::string> m_asked;
    std::vector<Answer> m_offered;
};

// With a question to ask, Convert and Cut name the outputs that exist and replace them only on Yes;
// "Done..." then names every file written by its whole path.
TEST_F(ConvertCutFormTest, ExistingOutputsAreReplacedOnlyWhenTheUserSaysSo) {
    const std::string input = m_dir.File("plate.tif");
    ASSERT_TRUE(test::WriteTiff(input, {20, 20, 8, 1}, [](std::uint32_t x, std::uint32_t) { return x + 1; }));
    m_dialog.LoadTiffFiles({input});
    m_dialog.OnSelchangeBinSize(1);
    m_dialog.m_strCutStartX = "1";
    m_dialog.m_strCutStartY = "1";
    m_dialog.m_strCutEndX = "5";
    m_dialog.m_strCutEndY = "5";
    ScriptedQuestions questions;
    m_dialog.SetQuestions(&questions);
    struct Case {
        const char* name;
        ConvertOutcome (ConvertCutForm::*press)();
        std::vector<std::string> outputs;
    } cases[] = {
        {"convert", &ConvertCutForm::OnConvert, {m_dir.File("plate.mrc"), m_dir.File("plate_2_bin.mrc")}},
        {"cut", &ConvertCutForm::OnCut, {m_dir.File("plate_Cut_0.tif")}},
    };
    for (const Case& c : cases) {
        std::string written = std::string(MSG_DONE) + "\n\n" + MSG_FILES_WRITTEN;
        for (const std::string& output : c.outputs)
            written += "\n" + output;
        // Nothing there yet: no question.
        m_messages.m_shown.clear();
        ASSERT_EQ((m_dialog.*c.press)(), ConvertOutcome::Done) << c.name;
        EXPECT_TRUE(questions.m_asked.empty()) << c.name;
        EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{written}) << c.name;

        // They exist now: No writes nothing and keeps the dialog open.
        test::WriteFileBytes(c.outputs.front(), {'k', 'e', 'p', 't'});
        m_messages.m_shown.clear();
        EXPECT_EQ((m_dialog.*c.press)(), ConvertOutcome::Refused) << c.name;
        ASSERT_EQ(questions.m_asked.size(), 1u) << c.name;
        EXPECT_EQ(questions.m_offered, (std::vector<Answer>{Answer::Yes, Answer::No}));
        for (const std::string& output : c.outputs)
            EXPECT_NE(questions.m_asked[0].find("\n" + output), std::string::npos) << output;
        EXPECT_TRUE(questions.m_asked[0].starts_with(QUESTION_REPLACE_FILES));
        EXPECT_EQ(test::ReadFileBytes(c.outputs.front()), (std::vector<unsigned char>{'k', 'e', 'p', 't'}));
        EXPECT_TRUE(m_messages.m_shown.empty()) << c.name;

        // Yes replaces them.
        questions.m_answer = Answer::Yes;
        ASSERT_EQ((m_dialog.*c.press)(), ConvertOutcome::Done) << c.name;
        EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{written}) << c.name;
        EXPECT_NE(test::ReadFileBytes(c.outputs.front()).size(), 4u) << c.name;
        questions = ScriptedQuestions{};
    }
}

} // namespace
} // namespace gc
