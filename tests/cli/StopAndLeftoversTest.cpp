// Every way a Run can end leaves no temporary: stop signals (a second one too), the file size limit,
// and, for a Run killed outright, the next Run in that folder. Earlier outputs made read-only are
// kept, and an MRC's properties come from its header alone. Driven through gridcarver-cli.
#include "CliRun.h"
#include "OneImageScan.h"
#include "core/FatalMessages.h"
#include "core/PendingFile.h"
#include "split/SplitMessages.h"
#include "support/TestSupport.h"
#include "tools/ScanGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace gc {
namespace {

using test::CliRun;
using test::FilesIn;
using test::ReadText;

namespace fs = std::filesystem;
using test::ONE_IMAGE;
using test::OneImageScan;
using test::TempDir;

// Runs `shell` (a command line) in `dir`; its exit status, its standard output in `out`.
int Shell(const TempDir& dir, const std::string& shell, std::string* out = nullptr) {
    return test::RunCommand("cd '" + dir.Path().string() + "' && " + shell, out);
}

// A split in the background, the given signals sent once its first temporary exists.
std::string SignalledSplit(const std::string& arguments, const std::string& signals) {
    return "('" + std::string(GC_CLI) + "' split --quiet " + ONE_IMAGE + arguments +
           " >/dev/null 2>&1 & pid=$!; "
           "until ls -a | grep -q '[.]gc-' || ! kill -0 $pid 2>/dev/null; do sleep 0.02; done; " +
           signals + " wait $pid)";
}

TEST(StopSignals, HangupEndsTheRunLikeInterruptWithItsReport) {
    TempDir dir;
    fs::copy_file(OneImageScan(), dir.Path() / "s.tif");
    const int status = Shell(dir, SignalledSplit("--report run.json s.tif", "kill -HUP $pid;"));
    EXPECT_EQ(status, 129);
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"run.json", "s.tif"}));
    EXPECT_NE(ReadText(dir.Path() / "run.json").find("\"interrupted\""), std::string::npos);
}

TEST(StopSignals, ASecondInterruptStillRemovesTheTemporaries) {
    TempDir dir;
    fs::copy_file(OneImageScan(), dir.Path() / "s.tif");
    const int status = Shell(dir, SignalledSplit("--binning 2 s.tif", "kill -INT $pid; kill -INT $pid;"));
    EXPECT_EQ(status, 130);
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"s.tif"});
}

TEST(StopSignals, TheFileSizeLimitIsAWriteErrorWithItsReason) {
    TempDir dir;
    fs::copy_file(OneImageScan(), dir.Path() / "s.tif");
    std::string out;
    const int status = Shell(
        dir, "(ulimit -f 20000; '" + std::string(GC_CLI) + "' split --quiet " + ONE_IMAGE + "s.tif 2>&1)",
        &out);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find(MSG_WRITE_ERROR), std::string::npos) << out;
    EXPECT_NE(out.find("File too large"), std::string::npos) << out;
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"s.tif"});
}

TEST(RunLeftovers, KilledRunsTemporariesGoReadOnlyOutputsStay) {
    TempDir dir;
    fs::copy_file(OneImageScan(), dir.Path() / "s.tif");
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    // A temporary of this host's naming, made by the ended child and unwritten past the grace period.
    std::string stale = fs::path(PendingFile(dir.File("s_1.mrc")).TemporaryPath()).filename().string();
    const std::string pid = "-" + std::to_string(static_cast<long>(::getpid())) + "-";
    stale.replace(stale.rfind(pid), pid.size(), "-" + std::to_string(child) + "-");
    std::ofstream(dir.File(stale)) << "left by a killed Run";
    fs::last_write_time(dir.File(stale),
                        fs::file_time_type::clock::now() - TEMPORARY_GRACE - std::chrono::minutes(1));
    std::ofstream(dir.File("s_1.mrc")) << "kept";
    fs::permissions(dir.File("s_1.mrc"), fs::perms::owner_read | fs::perms::group_read);
    std::string out;
    const int status =
        Shell(dir, "'" + std::string(GC_CLI) + "' split --threads 64 " + ONE_IMAGE + "s.tif 2>&1", &out);
    EXPECT_EQ(status, 3) << out;
    EXPECT_NE(out.find(std::string("1") + MSG_STALE_TEMPORARIES_REMOVED), std::string::npos) << out;
    EXPECT_NE(out.find("not written: read-only: s_1.mrc"), std::string::npos) << out;
    EXPECT_NE(out.find(std::string("64") + MSG_THREADS_CLAMPED), std::string::npos) << out;
    EXPECT_EQ(ReadText(dir.Path() / "s_1.mrc"), "kept");
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"s.tif", "s_1.mrc"}));
}

TEST(MrcProperties, ComeFromTheHeaderWhateverTheDataSize) {
    TempDir dir;
    // A 20000 × 20000 × 3 byte stack cut short after its header: nothing to decode, all to describe.
    std::vector<unsigned char> header(1024, 0);
    const auto put = [&header](int offset, int value) {
        for (int i = 0; i < 4; ++i)
            header[static_cast<std::size_t>(offset + i)] = static_cast<unsigned char>(value >> (8 * i));
    };
    put(0, 20000);
    put(4, 20000);
    put(8, 3);
    put(12, 0);
    header[212] = 0x44;
    header[213] = 0x44;
    test::WriteFileBytes(dir.File("big.mrc"), header);
    std::string out;
    EXPECT_EQ(Shell(dir, "'" + std::string(GC_CLI) + "' properties big.mrc --image 3", &out), 0);
    EXPECT_NE(out.find("NX NY NZ = 20000 20000 3"), std::string::npos) << out;
    EXPECT_EQ(Shell(dir, "'" + std::string(GC_CLI) + "' properties big.mrc --image 4 2>/dev/null", &out), 2);
}

} // namespace
} // namespace gc
