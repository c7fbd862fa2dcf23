// gridcarver-cli split: options as the dialog sets them, usage errors, output streams, exit statuses.
#include "split/SplitMessages.h"
#include "split/SplitTestSupport.h"
#include "support/TestSupport.h"
#include "tools/ScanGenerator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace gc {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct CliRun {
    int m_nStatus = -1;
    std::string m_strOut, m_strErr;
};

// Runs the command line in `folder` with `arguments` (already quoted).
CliRun Split(const TempDir& folder, const std::string& arguments) {
    CliRun run;
    const std::string errors = folder.File("stderr.txt");
    run.m_nStatus = test::RunCommand("cd '" + folder.Path().string() + "' && '" + GC_CLI + "' split " +
                                         arguments + " 2>'" + errors + "'",
                                     &run.m_strOut);
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    run.m_strErr = text.str();
    return run;
}

std::string Summary(const std::string& input, const std::string& namingLines,
                    const std::string& binningLine) {
    return std::string("Input File Selected: \n") + input +
           "\nImages in TIFF file: 1\n"
           "Approximate height of images in TIFF file (cms): 9\n"
           "Approximate width of images in TIFF file (cms): 7\n" +
           namingLines + "Now select Run from the File menu or use the shortcut key Ctrl+R.\n" +
           "NOTE: MRC format files will be produced.\n" + binningLine + "\n\n";
}

TEST(CliSplit, SummaryOutputsAndExitZero) {
    TempDir dir;
    const tools::ScanSpec recipe = tools::OneImageSpec();
    std::string error;
    ASSERT_TRUE(tools::GenerateScan(recipe, dir.File("plate.tif"), nullptr, &error)) << error;
    fs::create_directory(dir.Path() / "out.v");

    const CliRun run =
        Split(dir, "--images 1 --height-cm 9 --width-cm 7 --binning 2 --append '' --output-dir out.v "
                   "plate.tif");
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    const std::string folder = (dir.Path() / "out.v").string();
    EXPECT_EQ(run.m_strOut,
              folder + "  : Location of Output Directory.\n" +
                  Summary("plate.tif",
                          "Files will have empty appended. Numbering will start with 1.\n"
                          "Output directory selected is: " +
                              folder + "/ .\n",
                          "2X2 binned output image will also be produced. Images will have _2X2 appended.") +
                  "plate.tif: image 1: " + folder + "/empty_1.mrc at 221,198 size 10171 x 12870\n" +
                  "Run Complete.\n");
    EXPECT_EQ(run.m_strErr, "");
    EXPECT_TRUE(fs::exists(dir.Path() / "out.v" / "empty_1.mrc"));
    EXPECT_TRUE(fs::exists(dir.Path() / "out.v" / "empty_1_2X2.mrc"));
    EXPECT_EQ(fs::file_size(dir.Path() / "out.v" / "empty_1.mrc"), 1024u + 10171u * 12870u);
}

TEST(CliSplit, QuietStartNumberAndSkippedFiles) {
    TempDir dir;
    ASSERT_TRUE(test::WriteDarkScan(dir.File("dark.tif"), 10496, 13312, 256, 256));
    ASSERT_TRUE(test::WriteFormatTiff(dir.File("strip.tif"), 32, 32, 1, 8, PLANARCONFIG_CONTIG));

    // A start number given empty reads "0001"; the summary shows it. The dark scan's one expected
    // image is not found: the Run says so and ends with status 3.
    CliRun run = Split(dir, "--images 1 --height-cm 9 --width-cm 7 --start-number '' dark.tif");
    EXPECT_EQ(run.m_nStatus, 3) << run.m_strErr;
    EXPECT_EQ(run.m_strOut,
              Summary("dark.tif", "Files will start with number 0001 appended after file name.\n",
                      "No binned output image will be produced.") +
                  "dark.tif: image 1: not found\nRun Complete.\n");

    // --quiet drops the summary; a skipped file gives status 3 and its message on standard error.
    run = Split(dir, "--quiet --images 1 --height-cm 9 --width-cm 7 dark.tif strip.tif");
    EXPECT_EQ(run.m_nStatus, 3);
    EXPECT_EQ(run.m_strOut, "Run Complete.\n");
    EXPECT_EQ(run.m_strErr, std::string("strip.tif") + MSG_STRIP_ENCODED + "\n");
}

TEST(CliSplit, QuietKeepsTheOutputDirectoryMessage) {
    // --quiet drops the run summary only; the chosen folder is still reported.
    TempDir dir;
    ASSERT_TRUE(test::WriteDarkScan(dir.File("dark.tif"), 10496, 13312, 256, 256));
    fs::create_directory(dir.Path() / "out");
    const CliRun run = Split(dir, "--quiet --images 1 --height-cm 9 --width-cm 7 --output-dir out dark.tif");
    EXPECT_EQ(run.m_nStatus, 3) << "the dark scan's image is not found";
    EXPECT_EQ(run.m_strOut,
              (dir.Path() / "out").string() + "  : Location of Output Directory.\n" + "Run Complete.\n");
    EXPECT_EQ(run.m_strErr, "");
}

TEST(CliSplit, FatalStopsExitOne) {
    TempDir dir;
    ASSERT_TRUE(test::WriteFormatTiff(dir.File("rgb.tif"), 32, 32, 3, 8, PLANARCONFIG_CONTIG, 16, 16));
    CliRun run = Split(dir, "--quiet rgb.tif");
    EXPECT_EQ(run.m_nStatus, 1);
    EXPECT_EQ(run.m_strOut, "");
    // The fixed texts stay; a detail line before the fatal one names the file and the reason.
    EXPECT_EQ(run.m_strErr,
              std::string(MSG_RGB_SKIPPED) + "\nreading rgb.tif: an RGB scan\n" + MSG_RGB_FATAL + "\n");

    ASSERT_TRUE(test::WriteDarkScan(dir.File("small.tif"), 9000, 7500, 512, 512));
    run = Split(dir, "--quiet small.tif");
    EXPECT_EQ(run.m_nStatus, 1);
    EXPECT_EQ(run.m_strErr,
              std::string(MSG_BINNED_IMAGE) +
                  "\nreading small.tif: the scan does not fit the Run's parameters or limits\n" +
                  MSG_READ_ERROR + "\n");
}

TEST(CliSplit, ValuesTheDialogDoesNotOfferAreUsageErrors) {
    TempDir dir;
    for (const char* arguments : {"--binning 5 a.tif", "--height-cm 12 a.tif", "--width-cm 10 a.tif",
                                  "--images 0 a.tif", "--images 7 a.tif", "--start-number 12a a.tif",
                                  "--start-number 1234567 a.tif", "--output-dir nowhere a.tif", "",
                                  "--append 123456789012345678901234567890123456789012345678901 a.tif"}) {
        const CliRun run = Split(dir, arguments);
        EXPECT_EQ(run.m_nStatus, 2) << arguments;
        EXPECT_EQ(run.m_strOut, "") << arguments;
        EXPECT_NE(run.m_strErr.find("Usage:"), std::string::npos) << arguments;
    }
    std::string files;
    for (int i = 0; i < 101; ++i)
        files += " s" + std::to_string(i) + ".tif";
    const CliRun tooMany = Split(dir, files);
    EXPECT_EQ(tooMany.m_nStatus, 2);
    EXPECT_NE(tooMany.m_strErr.find(MSG_TOO_MANY_INPUT_FILES), std::string::npos) << tooMany.m_strErr;
    EXPECT_EQ(tooMany.m_strOut, "");
}

} // namespace
} // namespace gc
