// What no command may lose or hide: an output someone made read-only, a file of the batch a merge
// would replace, the very file an export reads; a stop signal during pick or export; a write over the
// size limit; a plan's value or folder; a pixel size the magnification makes absurd. Driven through
// gridcarver-cli as a user would run it.
#include "CliRun.h"
#include "OneImageScan.h"
#include "convert/ConvertFixtures.h"
#include "pick/PickMessages.h"
#include "split/PlanMessages.h"
#include "split/SplitMessages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace gc {
namespace {

using test::CliRun;
using test::ReadText;
using test::RunCliIn;
using test::TempDir;
namespace fs = std::filesystem;

// A folder holding an 8-bit strip TIFF plate7.tif and plan.json, the plan of a dry run of it.
struct Workbench {
    Workbench() {
        EXPECT_TRUE(test::WriteTiff(dir.File("plate7.tif"), {40, 30, 8, 1},
                                    [](std::uint32_t x, std::uint32_t y) { return x * 5 + y; }));
        EXPECT_EQ(RunCliIn(dir, "split --quiet --dry-run --report plan.json plate7.tif").m_nStatus, 3);
    }
    TempDir dir;
};

// Every writer keeps a file it must not replace: an earlier output made read-only, a file of the
// batch (the merge's report), the input itself under another name (export). Nothing is replaced and
// the command ends with status 3.
TEST(OutputsKept, NoWriterReplacesWhatItMustKeep) {
    const struct {
        std::string command;
        std::string kept;
        bool readOnly; // made read-only first; otherwise the file is one of the command's own
    } cases[] = {
        {"convert plate7.tif", "plate7.mrc", true},
        {"cut --start-x 1 --start-y 1 --end-x 4 --end-y 4 plate7.tif", "plate7_Cut_0.tif", true},
        {"pick --size 4 plate7.tif 10,10", "plate7_picks.star", true},
        {"export plate7.tif out.bmp", "out.bmp", true},
        {"split --quiet --report r.json plate7.tif", "r.json", true},
        {"report --merge plan.json --output m.json", "m.json", true},
        {"report --merge plan.json --output plate7.tif", "plate7.tif", false},
        {"report --merge plan.json --output ./plan.json", "plan.json", false},
        {"export plate7.tif ./plate7.tif", "plate7.tif", false},
        {"export plate7.tif ABSOLUTE", "plate7.tif", false},
    };
    for (const auto& c : cases) {
        Workbench bench;
        const std::string kept = bench.dir.File(c.kept);
        if (c.readOnly) {
            test::WriteFileBytes(kept, {'k', 'e', 'p', 't'});
            fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        }
        const std::string before = ReadText(kept);
        std::string command = c.command;
        if (const std::size_t at = command.find("ABSOLUTE"); at != std::string::npos)
            command.replace(at, 8, kept);
        const CliRun run = RunCliIn(bench.dir, command);
        EXPECT_EQ(run.m_nStatus, 3) << command << "\n" << run.m_strErr;
        EXPECT_EQ(ReadText(kept), before) << command;
        EXPECT_NE(run.m_strErr.find(c.readOnly ? "read-only" : "not written"), std::string::npos)
            << command << "\n"
            << run.m_strErr;
    }
}

// A stop signal during a pick or an export ends it like the Run: the signal's status, no file left. A
// write over the file size limit is a failed write: status 1 and the reason, no file left.
TEST(OutputsKept, PickAndExportEndedFromOutsideLeaveNoFile) {
    TempDir dir;
    // Large enough that opening it takes longer than the wait before the signal: a colour picture is
    // decoded whole (a grey one in plain strips would be mapped, read only where boxes lie).
    ASSERT_TRUE(test::WriteTiff(dir.File("big.tif"), {9000, 9000, 8, 64, 1, 3},
                                [](std::uint32_t x, std::uint32_t y) { return (x + y) % 251; }));
    ASSERT_TRUE(test::WriteTiff(dir.File("plate.tif"), {200, 200, 8, 1},
                                [](std::uint32_t x, std::uint32_t y) { return (x * 3 + y) % 256; }));
    const char* const signalled = " >/dev/null 2>&1 & pid=$!; sleep 0.3; kill -";
    const struct {
        std::string before, command, after;
        int status;
    } cases[] = {
        {"", "pick --size 20 big.tif 100,100 300,300 500,500",
         signalled + std::string("TERM $pid; wait $pid"), 143},
        {"", "export big.tif out.bmp", signalled + std::string("INT $pid; wait $pid"), 130},
        {"ulimit -f 4; ", "pick --size 40 plate.tif 50,50", " 2>&1", 1},
        {"ulimit -f 4; ", "export plate.tif out.bmp", " 2>&1", 1},
    };
    for (const auto& c : cases) {
        std::string out;
        const int status = test::RunCommand("cd '" + dir.Path().string() + "' && (" + c.before + "'" +
                                                GC_CLI + "' " + c.command + c.after + ")",
                                            &out);
        EXPECT_EQ(status, c.status) << c.command << "\n" << out;
        if (c.status == 1) {
            EXPECT_NE(out.find("File too large"), std::string::npos) << c.command << "\n" << out;
        }
        EXPECT_EQ(test::FilesIn(dir.Path()), (std::vector<std::string>{"big.tif", "plate.tif"})) << c.command;
    }
}

// Ten refused picks are named, the rest counted in one line: a huge --coords file cannot flood the
// terminal.
TEST(OutputsKept, RepeatedRefusalsAreSummarised) {
    Workbench bench;
    std::string centres;
    for (int i = 0; i < 15; ++i)
        centres += " " + std::to_string(1000 + i) + ",5";
    const CliRun run = RunCliIn(bench.dir, "pick --size 4 plate7.tif" + centres);
    EXPECT_EQ(run.m_nStatus, 3);
    const std::vector<std::string> lines = test::Lines(run.m_strErr);
    ASSERT_EQ(lines.size(), 12u) << run.m_strErr;
    EXPECT_EQ(lines[9], pick_text::REFUSED_OUTSIDE + std::string("1009,5"));
    EXPECT_EQ(lines[10], std::string("5") + pick_text::REFUSED_MORE);
    EXPECT_EQ(lines[11], pick_text::NO_CENTRE_LEFT);
}

// --task takes digits only, with no blank on either side.
TEST(OutputsKept, ATaskNumberIsDigitsOnly) {
    Workbench bench;
    for (const char* task : {"' 1'", "'1 '", "+1", "0x1"})
        EXPECT_EQ(RunCliIn(bench.dir, std::string("split --plan plan.json --task ") + task).m_nStatus, 2)
            << task;
}

// A planned task makes the plan's output folder when it is gone, as split makes --output-dir.
TEST(OutputsKept, APlanTaskMakesItsOutputFolder) {
    TempDir dir;
    fs::copy_file(test::OneImageScan(), dir.Path() / "s.tif");
    ASSERT_EQ(test::SplitIn(dir, std::string("--quiet --dry-run --report plan.json --output-dir out ") +
                                     test::ONE_IMAGE + "s.tif")
                  .m_nStatus,
              0);
    fs::remove_all(dir.Path() / "out");
    const CliRun run = test::SplitIn(dir, "--quiet --plan plan.json --task 1");
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_TRUE(fs::exists(dir.Path() / "out" / "s_1.mrc"));
}

// A pixel size the scan's resolution tags and the magnification give is held to the bounds of
// --pixel-size (status 3 naming the scan, nothing written); numbers that are not finite are refused.
TEST(OutputsKept, PixelSizesStayWithinTheirBounds) {
    TempDir dir;
    fs::copy_file(test::OneImageScan(), dir.Path() / "s.tif");
    // One pixel per inch: 2.54e8 angstrom before the magnification.
    ASSERT_EQ(
        test::RunCommand("cd '" + dir.Path().string() +
                         "' && tiffset -s 282 1 s.tif && tiffset -s 283 1 s.tif && tiffset -s 296 2 s.tif"),
        0);
    const struct {
        const char* options;
        int status;
    } cases[] = {
        {"--magnification 50000", 3}, {"--magnification 1e-300", 3}, {"--magnification nan", 2},
        {"--pixel-size nan", 2},      {"--pixel-size inf", 2},
    };
    for (const auto& c : cases) {
        const CliRun run =
            test::SplitIn(dir, std::string("--quiet ") + test::ONE_IMAGE + c.options + " s.tif");
        EXPECT_EQ(run.m_nStatus, c.status) << c.options << "\n" << run.m_strErr;
        if (c.status == 3) {
            EXPECT_NE(run.m_strErr.find(std::string("s.tif") + MSG_DERIVED_PIXEL_SIZE), std::string::npos)
                << run.m_strErr;
        }
        EXPECT_EQ(test::FilesIn(dir.Path()), std::vector<std::string>{"s.tif"}) << c.options;
    }
}

} // namespace
} // namespace gc
