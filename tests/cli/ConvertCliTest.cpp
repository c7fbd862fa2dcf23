// The convert, cut and stats subcommands, run as a user runs them.
#include "convert/ConvertFixtures.h"
#include "convert/ConvertMessages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace gc {
namespace {

using test::TempDir;

class ConvertCliTest : public ::testing::Test {
protected:
    ConvertCliTest() {
        EXPECT_TRUE(test::WriteTiff(m_dir.File("plate7.tif"), {6, 5, 8, 1},
                                    [](std::uint32_t x, std::uint32_t y) { return x * 40 + y; }));
    }
    // Runs the program in the temporary folder; standard output and error are collected together.
    int Run(const std::string& arguments, std::string* output = nullptr) {
        std::string collected;
        const int status = test::RunCommand(
            "cd '" + m_dir.Path().string() + "' && '" + GC_CLI + "' " + arguments + " 2>&1", &collected);
        if (output != nullptr)
            *output = collected;
        return status;
    }
    std::string LastRunText() {
        const auto bytes = test::ReadFileBytes(m_dir.File(LAST_RUN_FILE_NAME));
        return {bytes.begin(), bytes.end()};
    }
    TempDir m_dir;
};

TEST_F(ConvertCliTest, NegativeNumbersAreValues) {
    std::string output;
    ASSERT_EQ(Run("convert --gain -0.3 --a -0.4016 --x0 -309 --bin 2 plate7.tif", &output), 0) << output;
    // A line per file written, the tally, then the completion.
    EXPECT_EQ(output, "plate7.mrc\nplate7_2_bin.mrc\n2 files written\n" + std::string(MSG_DONE) + "\n");
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("plate7.mrc")));
    EXPECT_TRUE(std::filesystem::exists(m_dir.File("plate7_2_bin.mrc")));
    // GAIN −0.3 with a and x0 typed over, y0 from the table row.
    EXPECT_EQ(LastRunText(),
              "-0.2999999999999999889\n-0.40160000324249267578\n-309.\n4.3080000877380371094\n");
}

TEST_F(ConvertCliTest, FieldTextsReachTheDialogChecks) {
    std::string output;
    // A refused value exits 2 (as a usage error does); an input the operation cannot handle exits 4.
    EXPECT_EQ(Run("convert --a abc plate7.tif", &output), 2);
    EXPECT_EQ(output, std::string(MSG_A_NOT_CORRECT) + "\n");
    EXPECT_EQ(Run("convert --y0=-0 plate7.tif", &output), 2);
    EXPECT_EQ(output, std::string(MSG_Y0_NOT_CORRECT) + "\n");
    EXPECT_EQ(Run("convert missing.tif", &output), 4);
    EXPECT_EQ(output, "missing.tif: no such file\n");
}

TEST_F(ConvertCliTest, ValuesTheDialogDoesNotOfferAreUsageErrors) {
    EXPECT_EQ(Run("convert --gain 1.95 plate7.tif"), 2);
    EXPECT_EQ(Run("convert --bin 5 plate7.tif"), 2);
    EXPECT_EQ(Run("convert --scale 12 plate7.tif"), 2);
    EXPECT_EQ(Run("convert"), 2);
    EXPECT_EQ(Run("cut --start-x 1 plate7.tif"), 2);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File(LAST_RUN_FILE_NAME)));
    std::string files;
    for (int i = 0; i < 101; ++i)
        files += " plate7.tif";
    std::string output;
    EXPECT_EQ(Run("convert" + files, &output), 2);
    EXPECT_NE(output.find(MSG_MORE_THAN_100_FILES), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File(LAST_RUN_FILE_NAME)));
    EXPECT_EQ(Run("convert --help"), 0);
    EXPECT_EQ(Run("stats --version"), 0);
}

TEST_F(ConvertCliTest, LastRunIsLoadedBeforeTheOverrides) {
    ASSERT_EQ(Run("convert --gain 1.5 --scale 16 plate7.tif"), 0);
    std::string output;
    ASSERT_EQ(Run("convert --last-run --y0 5 plate7.tif", &output), 0) << output;
    EXPECT_EQ(LastRunText(), "1.5\n-0.56650000810623168945\n-4277.\n5.\n");
    // Values that were not typed are checked as well, and a before x0 and y0.
    test::WriteFileBytes(m_dir.File(LAST_RUN_FILE_NAME), {'0', '\n', '0', '\n', '0', '\n', '1', '\n'});
    EXPECT_EQ(Run("convert --last-run --a 1 plate7.tif", &output), 2);
    EXPECT_EQ(output, std::string(MSG_X0_NOT_CORRECT) + "\n");
    EXPECT_EQ(Run("convert --last-run --x0 abc plate7.tif", &output), 2);
    EXPECT_EQ(output, std::string(MSG_A_NOT_CORRECT) + "\n");
    test::MrcImage image;
    ASSERT_TRUE(test::ReadMrc(m_dir.File("plate7.mrc"), image));
    EXPECT_EQ(image.m_strLabel, LABEL_OD_8_BIT); // Auto again in a new dialog
}

TEST_F(ConvertCliTest, CutAndStats) {
    std::string output;
    ASSERT_EQ(Run("cut --start-x 2abc --start-y 1 --end-x 6 --end-y 5 --stats plate7.tif", &output), 0);
    EXPECT_EQ(output.rfind("Image File Name: plate7.tif\nMean Pixel Value is: 102.\n", 0), 0u) << output;
    EXPECT_NE(output.find("\nDone...\n"), std::string::npos);
    test::TiffImage cut;
    ASSERT_TRUE(test::ReadTiff(m_dir.File("plate7_Cut_0.tif"), cut));
    EXPECT_EQ(cut.m_nWidth, 5u);

    EXPECT_EQ(Run("cut --start-x abc --start-y 1 --end-x 6 --end-y 5 plate7.tif", &output), 2);
    EXPECT_EQ(output, std::string(MSG_CUT_START_X_RANGE) + "\n");
    EXPECT_EQ(Run("cut --start-x 1 --start-y 1 --end-x 7 --end-y 5 plate7.tif", &output), 4);
    EXPECT_EQ(output, std::string(MSG_CUT_END_X_OUTSIDE) + "\n");

    ASSERT_EQ(Run("stats plate7.tif", &output), 0);
    EXPECT_EQ(output.substr(output.find("\nMinimum")),
              "\nMinimum pixel value is: 0\nMaximum pixel value is: 204\n"
              "Standard Deviation in the Mean Pixel Values is: " +
                  output.substr(output.rfind(": ") + 2));
    EXPECT_EQ(Run("stats missing.tif"), 4);
}

// A tiled TIFF (a scan meant for split) is named as such by all three, ends with status 4, and no
// file of the batch is written.
TEST_F(ConvertCliTest, TiledInputsAreNamedAndRefused) {
    ASSERT_EQ(test::RunCommand("cd '" + m_dir.Path().string() +
                               "' && tiffcp -t -w 16 -l 16 plate7.tif tiled.tif >/dev/null 2>&1"),
              0);
    for (const char* command :
         {"stats tiled.tif", "cut --start-x 1 --start-y 1 --end-x 2 --end-y 2 plate7.tif tiled.tif",
          "convert plate7.tif tiled.tif"}) {
        std::string output;
        EXPECT_EQ(Run(command, &output), 4) << command;
        EXPECT_EQ(output, std::string("tiled.tif") + MSG_TILED_INPUT + "\n") << command;
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("plate7_Cut_0.tif")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("plate7.mrc")));
}

// --last-run asks for the last run's constants: when the file is missing, empty or holds no GAIN, nothing
// is converted with other constants (status 3).
TEST_F(ConvertCliTest, ALastRunThatCannotBeReadConvertsNothing) {
    const struct {
        const char* content; // nullptr: no file
        const char* message;
    } cases[] = {
        {nullptr, MSG_LAST_RUN_MISSING},
        {"", MSG_LAST_RUN_CORRUPT},
        {"nan\nnan\nnan\nnan\n", MSG_LAST_RUN_UNKNOWN_GAIN},
        {"1.5\n-0.5\n", MSG_LAST_RUN_CORRUPT},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(m_dir.File(LAST_RUN_FILE_NAME));
        if (c.content != nullptr)
            test::WriteFileBytes(m_dir.File(LAST_RUN_FILE_NAME),
                                 std::vector<unsigned char>(c.content, c.content + std::strlen(c.content)));
        std::string output;
        EXPECT_EQ(Run("convert --last-run plate7.tif", &output), 3) << output;
        EXPECT_EQ(output, std::string(c.message) + "\n" + MSG_LAST_RUN_NOT_READ + "\n");
        EXPECT_FALSE(std::filesystem::exists(m_dir.File("plate7.mrc")));
    }
}

// A file that is no TIFF at all is named as such by convert and cut, with the status of an input
// they cannot handle, before anything is written (not a READ ERROR, not an output clash).
TEST_F(ConvertCliTest, InputsThatAreNoTiffAreNamedAndRefused) {
    test::WriteFileBytes(m_dir.File("x.mrc"), std::vector<unsigned char>(1024, 0));
    for (const char* command : {"convert x.mrc", "convert plate7.tif x.mrc",
                                "cut --start-x 1 --start-y 1 --end-x 2 --end-y 2 x.mrc"}) {
        std::string output;
        EXPECT_EQ(Run(command, &output), 4) << command;
        EXPECT_EQ(output, std::string("x.mrc") + MSG_NOT_TIFF_INPUT + "\n") << command;
    }
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("plate7.mrc")));
}

} // namespace
} // namespace gc
