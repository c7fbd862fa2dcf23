// What the command line says when something is wrong: one line a person can act on, with the status
// scripts rely on. Each case is a command line, its exit status and the start of the first line it
// prints on standard error (or standard output).
#include "CliRun.h"
#include "OneImageScan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace gc {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct MessageCase {
    const char* arguments;
    int status;
    const char* firstLine; // the start of the first line of standard error
};

// A folder with a readable scan ("scan.tif", a copy of the one-image scan), a folder ("folder") and
// no "missing.tif".
class PlainMessages : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(test::OneImageScan(), m_dir.File("scan.tif"));
        fs::create_directory(m_dir.Path() / "folder");
    }
    void Expect(const MessageCase& c) {
        const test::CliRun run = test::RunCliIn(m_dir, c.arguments);
        EXPECT_EQ(run.m_nStatus, c.status) << c.arguments << "\n" << run.m_strErr;
        const std::vector<std::string> lines = test::Lines(run.m_strErr);
        ASSERT_FALSE(lines.empty()) << c.arguments;
        EXPECT_EQ(lines[0].rfind(c.firstLine, 0), 0u) << c.arguments << "\n" << run.m_strErr;
        // The library's own wording never reaches the user.
        EXPECT_EQ(run.m_strErr.find("TIFFOpen"), std::string::npos) << c.arguments << "\n" << run.m_strErr;
        EXPECT_EQ(run.m_strErr.find("invalid TIFF"), std::string::npos) << c.arguments << "\n"
                                                                        << run.m_strErr;
    }
    TempDir m_dir;
};

TEST_F(PlainMessages, UsageProblemsNameTheWordAndTheRule) {
    const MessageCase cases[] = {
        {"splt scan.tif", 2, "gridcarver-cli: unknown command \"splt\"; did you mean \"split\"?"},
        {"stat scan.tif", 2, "gridcarver-cli: unknown command \"stat\"; did you mean \"stats\"?"},
        {"frobnicate", 2, "gridcarver-cli: unknown command \"frobnicate\"; the commands are export, "},
        {"", 2, "gridcarver-cli: a command is required: export, properties, split, report, "},
        {"split --pixel-size abc scan.tif", 2, "gridcarver-cli: --pixel-size: abc is not a number"},
        {"split --pixel-size nan scan.tif", 2, "gridcarver-cli: --pixel-size: nan is not a number"},
        {"split --pixel-size -1 scan.tif", 2,
         "gridcarver-cli: --pixel-size: must be between 0 and 1000 \u00C5"},
        {"convert --pixel-size 1001 scan.tif", 2,
         "gridcarver-cli: --pixel-size: must be between 0 and 1000 \u00C5"},
        {"pick scan.tif --size 8 --pixel-size inf 9,9", 2,
         "gridcarver-cli: --pixel-size: must be between 0 and 1000 \u00C5"},
        {"split --magnification 0 scan.tif", 2, "gridcarver-cli: --magnification: must be a number above 0"},
        {"split --magnification 5x scan.tif", 2, "gridcarver-cli: --magnification: 5x is not a number"},
        {"split --report nowhere/r.json scan.tif", 2, "gridcarver-cli: --report: "},
        {"export scan.tif scan.png", 2,
         "gridcarver-cli: scan.png: export writes BMP, JPEG and TIFF files only (.bmp, .jpg, .jpeg, .tif, "
         ".tiff)"},
        {"split --plan plan.json --task 1 --binning 2", 2,
         "gridcarver-cli: --plan takes only --task, --threads, --quiet and --progress; the plan holds the "
         "rest: --binning"},
    };
    for (const MessageCase& c : cases)
        Expect(c);
    // Refused before the Run: nothing was split.
    EXPECT_FALSE(fs::exists(m_dir.Path() / "scan_1.mrc"));
}

TEST_F(PlainMessages, AnInputThatCannotBeReadIsNamedOnce) {
    const MessageCase cases[] = {
        {"split --quiet missing.tif", 3, "missing.tif: no such file"},
        {"split --quiet folder", 3, "folder: is a folder, not a file"},
        {"convert missing.tif", 4, "missing.tif: no such file"},
        {"convert folder", 4, "folder: is a folder, not a file"},
        {"cut --start-x 1 --start-y 1 --end-x 2 --end-y 2 missing.tif", 4, "missing.tif: no such file"},
        {"stats missing.tif", 4, "missing.tif: no such file"},
        {"stats folder", 4, "folder: is a folder, not a file"},
        {"properties folder", 4, "folder: is a folder, not a file"},
        {"export missing.tif out.bmp", 4, "missing.tif: no such file"},
        {"pick folder --size 8 9,9", 4, "folder: is a folder, not a file"},
        {"pick missing.mrc --auto --diameter 20", 4, "missing.mrc: no such file"},
    };
    for (const MessageCase& c : cases) {
        Expect(c);
        const test::CliRun run = test::RunCliIn(m_dir, c.arguments);
        EXPECT_EQ(test::Lines(run.m_strErr).size(), 1u) << c.arguments << "\n" << run.m_strErr;
    }
}

// The help of every command ends with real examples and the statuses, SIGHUP's among them, and
// states the --plan rule once rather than under every option.
TEST_F(PlainMessages, HelpShowsExamplesAndEveryStatus) {
    for (const char* command :
         {"", "split ", "report ", "convert ", "cut ", "stats ", "properties ", "export ", "pick "}) {
        const test::CliRun run = test::RunCliIn(m_dir, std::string(command) + "--help");
        EXPECT_EQ(run.m_nStatus, 0) << command;
        EXPECT_NE(run.m_strOut.find("\nExamples:\n  gridcarver-cli " + std::string(command)),
                  std::string::npos)
            << command << run.m_strOut;
        EXPECT_NE(run.m_strOut.find("129/130/143"), std::string::npos) << command;
        EXPECT_EQ(run.m_strOut.find("Excludes: --plan"), std::string::npos) << command;
    }
}

// A dry run makes no folder and says so; with the pictures it makes the folder for them and says it
// wrote them. --quiet leaves standard error to the problems.
TEST_F(PlainMessages, DryRunsSayWhatTheyWrote) {
    const struct {
        const char* options;
        bool folderMade;
        const char* lastLine;
    } cases[] = {
        {"--dry-run --output-dir plain", false, "Dry run: nothing written."},
        {"--dry-run --preview --output-dir pictures", true, "Dry run: nothing written but the pictures."},
    };
    for (const auto& c : cases) {
        const test::CliRun run =
            test::SplitIn(m_dir, std::string(test::ONE_IMAGE) + "--quiet " + c.options + " scan.tif");
        EXPECT_EQ(run.m_nStatus, 0) << c.options << run.m_strErr;
        const std::string folder = std::string(c.options).substr(std::string(c.options).rfind(' ') + 1);
        EXPECT_EQ(fs::exists(m_dir.Path() / folder), c.folderMade) << c.options;
        const std::vector<std::string> lines = test::Lines(run.m_strOut);
        ASSERT_FALSE(lines.empty()) << c.options;
        EXPECT_EQ(lines.back(), c.lastLine) << c.options;
        EXPECT_EQ(run.m_strErr, "") << c.options;
    }
}

} // namespace
} // namespace gc
