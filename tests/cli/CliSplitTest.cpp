// gridcarver-cli split: options as the dialog sets them, usage errors, output streams, exit statuses.
#include "CliRun.h"
#include "cli/CommandMessages.h"
#include "split/SizeCheck.h"
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

using test::CliRun;
using test::ReadText;
using test::SplitIn;

namespace fs = std::filesystem;
using test::TempDir;

TEST(CliSplit, SettingsLineImageLinesAndTally) {
    TempDir dir;
    const tools::ScanSpec recipe = tools::OneImageSpec();
    std::string error;
    ASSERT_TRUE(tools::GenerateScan(recipe, dir.File("plate.tif"), nullptr, &error)) << error;

    // The output folder does not exist yet: it is made, with its parents.
    const CliRun run = SplitIn(
        dir, "--images 1 --height-cm 9 --width-cm 7 --binning 2 --append '' --threads 2 --progress none "
             "--output-dir new/out.v plate.tif");
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    const std::string folder = (dir.Path() / "new" / "out.v").string();
    EXPECT_EQ(run.m_strOut,
              "Run: 1 scan, 1 image each, 7 cm wide x 9 cm high (10171 x 12870 pixels), binning 2, "
              "MRC files into " +
                  folder + "/, 2 threads\n" + "plate.tif: image 1: written " + folder +
                  "/empty_1.mrc at 221,198 size 10171 x 12870\n" + "1 scan, 1 image written\n" +
                  "Run Complete.\n");
    EXPECT_EQ(run.m_strErr, "") << "the right size gives no size warning";
    EXPECT_TRUE(fs::exists(dir.Path() / "new" / "out.v" / "empty_1.mrc"));
    EXPECT_TRUE(fs::exists(dir.Path() / "new" / "out.v" / "empty_1_2X2.mrc"));
    EXPECT_EQ(fs::file_size(dir.Path() / "new" / "out.v" / "empty_1.mrc"), 1024u + 10171u * 12870u);
}

TEST(CliSplit, QuietKeepsEveryProblemOnStandardError) {
    TempDir dir;
    ASSERT_TRUE(test::WriteDarkScan(dir.File("dark.tif"), 10496, 13312, 256, 256));
    ASSERT_TRUE(test::WriteFormatTiff(dir.File("strip.tif"), 32, 32, 1, 8, PLANARCONFIG_CONTIG));

    // The dark scan's one expected image is not found; the strip scan is skipped; a missing file is
    // named once in plain words. --quiet drops none of it, and a dry run says it wrote nothing.
    for (const char* quiet : {"", "--quiet "}) {
        SCOPED_TRACE(quiet);
        const CliRun run = SplitIn(dir, std::string(quiet) +
                                            "--progress none --threads 1 --dry-run --images 1 --height-cm 9 "
                                            "--width-cm 7 dark.tif strip.tif nonexist.tif");
        EXPECT_EQ(run.m_nStatus, 3);
        EXPECT_EQ(run.m_strErr, std::string("dark.tif: image 1: not found\n") + "strip.tif" +
                                    MSG_STRIP_ENCODED + "\n" + "nonexist.tif: no such file\n");
        const std::string end =
            "3 scans, 0 images to write, 1 not found, 2 scans skipped\nDry run: nothing written.\n";
        EXPECT_EQ(run.m_strOut, *quiet
                                    ? end
                                    : "Dry run: 3 scans, 1 image each, 7 cm wide x 9 cm high (10171 x 12870 "
                                      "pixels), no binning, MRC files beside each scan, 1 thread\n" +
                                          end);
    }
}

TEST(CliSplit, ProgressLinesWhenStandardErrorIsNotATerminal) {
    TempDir dir;
    ASSERT_TRUE(test::WriteDarkScan(dir.File("dark.tif"), 10496, 13312, 256, 256));
    for (const char* progress : {"", "--progress lines "}) {
        const CliRun run =
            SplitIn(dir, std::string(progress) + "--images 1 --height-cm 9 --width-cm 7 dark.tif");
        EXPECT_EQ(run.m_nStatus, 3);
        const std::string started = "split: dark.tif (file 1 of 1) started\n";
        const std::string problem = "dark.tif: image 1: not found\n";
        ASSERT_EQ(run.m_strErr.compare(0, started.size() + problem.size(), started + problem), 0)
            << run.m_strErr;
        EXPECT_EQ(
            run.m_strErr.rfind("split: dark.tif (file 1 of 1) done in ", started.size() + problem.size()),
            started.size() + problem.size())
            << run.m_strErr;
    }
    EXPECT_EQ(SplitIn(dir, "--quiet --images 1 --height-cm 9 --width-cm 7 dark.tif").m_strErr,
              "dark.tif: image 1: not found\n")
        << "--quiet without --progress shows no progress lines";
}

TEST(CliSplit, SizeWarningsGoToStandardErrorTheReportAndWithStrictTheExitStatus) {
    // The one-image scan holds a 7 x 9 cm image; the defaults split it as 8 x 10 cm.
    TempDir dir;
    std::string error;
    ASSERT_TRUE(tools::GenerateScan(tools::OneImageSpec(), dir.File("plate.tif"), nullptr, &error)) << error;
    const std::string warning = std::string("plate.tif: image 1: size warning: ") + SIZE_WARNING_SHOWS +
                                "7.0 cm wide x 9.0 cm high (10171 x 12870" + SIZE_WARNING_CHOSEN +
                                "11625 x 14300" + SIZE_WARNING_PIXELS + SIZE_WARNING_TRY + "9 --width-cm 7\n";
    for (const char* strict : {"", "--strict "}) {
        const CliRun run =
            SplitIn(dir, std::string(strict) + "--dry-run --quiet --images 1 --report r.json plate.tif");
        EXPECT_EQ(run.m_nStatus, *strict ? 3 : 0) << "warnings change the status only with --strict";
        EXPECT_EQ(run.m_strErr.find(warning), 0u) << run.m_strErr;
        EXPECT_NE(run.m_strOut.find("3 size warnings\n"), std::string::npos)
            << "and two run-offs: " << run.m_strOut;
    }
    const int status = test::RunCommand(
        "/usr/bin/python3 -c \"import json,os; r=json.load(open('" + dir.File("r.json") +
            "')); f=r['files'][0]; print(r['settings']['threads']>0, r['settings']['strict'], "
            "f['absolute_path']==os.path.realpath('" +
            dir.File("plate.tif") + "'), len(f['images'][0]['warnings']))\"",
        &error);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(error, "True True True 3\n");
}

TEST(CliSplit, FatalStopsExitOne) {
    TempDir dir;
    ASSERT_TRUE(test::WriteFormatTiff(dir.File("rgb.tif"), 32, 32, 3, 8, PLANARCONFIG_CONTIG, 16, 16));
    CliRun run = SplitIn(dir, "--quiet rgb.tif");
    EXPECT_EQ(run.m_nStatus, 1);
    EXPECT_EQ(run.m_strOut, "1 scan, 0 images written, 1 scan stopped\n")
        << "the tally, without \"Run Complete.\"";
    // One line says what happened (the desktop's skip and stop texts together said both).
    EXPECT_EQ(run.m_strErr, "rgb.tif" + std::string(cli::CLI_RGB_STOPS) + "\n");

    ASSERT_TRUE(test::WriteDarkScan(dir.File("small.tif"), 9000, 7500, 512, 512));
    run = SplitIn(dir, "--quiet small.tif");
    EXPECT_EQ(run.m_nStatus, 1);
    EXPECT_EQ(run.m_strErr,
              "small.tif: " + std::string(MSG_BINNED_IMAGE) +
                  "\nreading small.tif: the scan does not fit the Run's parameters or limits\nsmall.tif: " +
                  MSG_READ_ERROR + "\n");
}

TEST(CliSplit, ValuesTheDialogDoesNotOfferAreUsageErrors) {
    TempDir dir;
    std::ofstream(dir.File("plate.tif")) << "a file, not a folder";
    for (const char* arguments : {"--binning 5 a.tif", "--height-cm 12 a.tif", "--width-cm 10 a.tif",
                                  "--images 0 a.tif", "--images 7 a.tif", "--start-number 12a a.tif",
                                  "--start-number 1234567 a.tif", "--output-dir plate.tif a.tif", "",
                                  "--append 123456789012345678901234567890123456789012345678901 a.tif"}) {
        const CliRun run = SplitIn(dir, arguments);
        EXPECT_EQ(run.m_nStatus, 2) << arguments;
        EXPECT_EQ(run.m_strOut, "") << arguments;
        EXPECT_EQ(run.m_strErr.find("Usage:"), std::string::npos) << "no help dump: " << arguments;
        EXPECT_EQ(std::count(run.m_strErr.begin(), run.m_strErr.end(), '\n'), 2) << run.m_strErr;
        EXPECT_NE(run.m_strErr.find("\nRun 'gridcarver-cli split --help' for usage.\n"), std::string::npos)
            << arguments;
    }
    std::string files;
    for (int i = 0; i < 101; ++i)
        files += " s" + std::to_string(i) + ".tif";
    const CliRun tooMany = SplitIn(dir, files);
    EXPECT_EQ(tooMany.m_nStatus, 2);
    EXPECT_NE(tooMany.m_strErr.find(MSG_TOO_MANY_INPUT_FILES), std::string::npos) << tooMany.m_strErr;
    EXPECT_EQ(tooMany.m_strOut, "");
}

} // namespace
} // namespace gc
