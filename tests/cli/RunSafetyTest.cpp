// The Run never loses a lab's data: outputs appear whole or not at all, inputs and the Run's own
// outputs are never written over, images that run off the scan are completed, failures say which file
// and why, and a stop signal ends the Run without leftovers. Driven through gridcarver-cli.
#include "CliRun.h"
#include "OneImageScan.h"
#include "cli/CommandMessages.h"
#include "core/PendingFile.h"
#include "split/RunDriver.h"
#include "split/SplitMessages.h"
#include "split/SplitTestSupport.h"
#include "support/TestSupport.h"
#include "tools/ScanGenerator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace gc {
namespace {

using test::CliRun;
using test::ReadText;
using test::SplitIn;

namespace fs = std::filesystem;
using test::ONE_IMAGE;
using test::OneImageScan;
using test::TempDir;

constexpr std::uintmax_t ONE_IMAGE_MRC_SIZE = 1024u + 10171u * 12870u;

// The folder holds exactly these files (no outputs besides, no temporaries).
void ExpectFiles(const fs::path& folder, std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    EXPECT_EQ(test::FilesIn(folder), names);
}

TEST(RunSafety, InputsAndTheRunsOwnOutputsAreNeverWrittenOver) {
    TempDir dir;
    const std::string original = ReadText(OneImageScan());
    fs::copy_file(OneImageScan(), dir.Path() / "s.tif");
    fs::copy_file(OneImageScan(), dir.Path() / "s_1.tif");
    // Image 1 of s.tif would be s_1.tif, the second input: it is not written, the Run goes on.
    CliRun run = SplitIn(dir, std::string("--quiet --tiff ") + ONE_IMAGE + "s.tif s_1.tif");
    EXPECT_EQ(run.m_nStatus, 3) << run.m_strErr;
    EXPECT_EQ(run.m_strErr, "Image 1 of s.tif" + std::string(MSG_RUN_IMAGE_NOT_WRITTEN) + "s_1.tif" +
                                MSG_CLASHES_WITH_INPUT + "\n");
    EXPECT_EQ(run.m_strOut, "2 scans, 1 image written, 1 not written\nRun Complete.\n");
    EXPECT_TRUE(ReadText(dir.Path() / "s_1.tif") == original) << "the input is untouched";
    ExpectFiles(dir.Path(), {"s.tif", "s_1.tif", "s_1_1.tif"});

    // Two scans of one name into one folder: the second scan's image would replace the first's.
    TempDir batch;
    fs::create_directories(batch.Path() / "a");
    fs::create_directories(batch.Path() / "b");
    fs::create_directories(batch.Path() / "out");
    fs::copy_file(OneImageScan(), batch.Path() / "a" / "scan.tif");
    fs::copy_file(OneImageScan(), batch.Path() / "b" / "scan.tif");
    run = SplitIn(batch, std::string("--quiet ") + ONE_IMAGE + "--output-dir out a/scan.tif b/scan.tif");
    EXPECT_EQ(run.m_nStatus, 3) << run.m_strErr;
    const std::string written = (batch.Path() / "out" / "scan_1.mrc").string();
    EXPECT_EQ(run.m_strErr, "Image 1 of b/scan.tif" + std::string(MSG_RUN_IMAGE_NOT_WRITTEN) + written +
                                MSG_CLASHES_WITH_OUTPUT + "\n");
    ExpectFiles(batch.Path() / "out", {"scan_1.mrc"});
}

TEST(RunSafety, ConcurrentRunsIntoOneFolderEachWriteWholeFiles) {
    TempDir dir;
    fs::copy_file(OneImageScan(), dir.Path() / "s.tif");
    fs::create_directory(dir.Path() / "out");
    // Both Runs name their image run_1.mrc; whichever renames last wins, and the file is whole.
    const std::string command = std::string("'") + GC_CLI + "' split --quiet " + ONE_IMAGE +
                                "--append run --output-dir out s.tif >/dev/null 2>&1";
    const int status = test::RunCommand("cd '" + dir.Path().string() + "' && (" + command + " & " + command +
                                        " & wait %1; a=$?; wait %2; b=$?; exit $((a * 16 + b)))");
    EXPECT_EQ(status, 0);
    ExpectFiles(dir.Path() / "out", {"run_1.mrc"});
    const test::MrcFile mrc = test::ReadMrc((dir.Path() / "out" / "run_1.mrc").string());
    EXPECT_EQ(fs::file_size(dir.Path() / "out" / "run_1.mrc"), ONE_IMAGE_MRC_SIZE);
    EXPECT_EQ(mrc.m_nNY, 12870);
    EXPECT_NE(mrc.m_fDMean, 0.0f);
}

TEST(RunSafety, ReadAndWriteErrorsLeaveNoPartialFileAndSayWhy) {
    TempDir dir;
    fs::copy_file(OneImageScan(), dir.Path() / "s.tif");
    // Damage a tile near the bottom, far below the image's corner: the Run has written most rows.
    std::uint64_t offset = 0;
    std::uint32_t tile = 0;
    {
        TiffHandle input(TIFFOpen(dir.File("s.tif").c_str(), "r"));
        ASSERT_TRUE(input);
        tile = TIFFNumberOfTiles(input.get()) - 20;
        offset = TIFFGetStrileOffset(input.get(), tile);
    }
    {
        std::fstream file(dir.File("s.tif"), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(offset));
        file.write("\xff\xff\xff\xff\xff\xff\xff\xff", 8);
    }
    for (const char* format : {"", "--tiff "}) {
        SCOPED_TRACE(format);
        const CliRun run = SplitIn(dir, std::string("--quiet --binning 2 ") + format + ONE_IMAGE + "s.tif");
        EXPECT_EQ(run.m_nStatus, 1);
        EXPECT_NE(run.m_strErr.find("reading s.tif: tile " + std::to_string(tile) +
                                    " cannot be read\ns.tif: " + MSG_READ_ERROR + "\n"),
                  std::string::npos)
            << run.m_strErr;
        ExpectFiles(dir.Path(), {"s.tif"});
    }

    // A write that runs into the file size limit (SIGXFSZ ignored, so the write fails with EFBIG).
    TempDir full;
    fs::copy_file(OneImageScan(), full.Path() / "s.tif");
    const CliRun run =
        SplitIn(full, std::string("--quiet ") + ONE_IMAGE + "s.tif", "trap '' XFSZ; ulimit -f 20000 && ");
    EXPECT_EQ(run.m_nStatus, 1);
    EXPECT_EQ(run.m_strErr,
              "s.tif: writing s_1.mrc: File too large\ns.tif: " + std::string(MSG_WRITE_ERROR) + "\n");
    ExpectFiles(full.Path(), {"s.tif"});
}

TEST(RunSafety, ImagesRunningOffTheBottomAreCompleted) {
    TempDir dir;
    fs::copy_file(OneImageScan(700), dir.Path() / "s.tif");
    CliRun run = SplitIn(dir, std::string("--quiet --binning 3 ") + ONE_IMAGE + "s.tif");
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    run = SplitIn(dir, std::string("--quiet --tiff --binning 3 ") + ONE_IMAGE + "s.tif");
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    // An independent reader takes the MRC files as they are (it gives no data for a file shorter than
    // its header says); every strip of the TIFF outputs reads back.
    std::string output;
    const std::string script =
        "import sys, warnings, mrcfile\n"
        "warnings.simplefilter('ignore')\n"
        "for name in sys.argv[1:]:\n"
        "    with mrcfile.open(name, permissive=True) as m:\n"
        "        print(name, m.data.shape, int(m.data[-1].max()), float(m.header.dmean) > 0)\n";
    ASSERT_EQ(test::RunCommand("cd '" + dir.Path().string() + "' && " + GC_PYTHON + " -c \"" + script +
                                   "\" s_1.mrc s_1_3X3.mrc",
                               &output),
              0)
        << output;
    EXPECT_EQ(output, "s_1.mrc (12870, 10171) 0 True\ns_1_3X3.mrc (4290, 3390) 0 True\n");
    for (const char* name : {"s_1.tif", "s_1_3X3.tif"}) {
        TiffHandle tiff(TIFFOpen(dir.File(name).c_str(), "r"));
        ASSERT_TRUE(tiff) << name;
        std::vector<unsigned char> strip(static_cast<std::size_t>(TIFFStripSize(tiff.get())));
        const std::uint32_t strips = TIFFNumberOfStrips(tiff.get());
        EXPECT_GT(TIFFReadEncodedStrip(tiff.get(), strips - 1, strip.data(), -1), 0) << name;
        EXPECT_EQ(std::count(strip.begin(), strip.end(), 0), static_cast<std::ptrdiff_t>(strip.size()))
            << name;
    }
}

TEST(RunSafety, KeepGoingSkipsAScanThatWouldStopTheRun) {
    TempDir dir;
    fs::copy_file(OneImageScan(), dir.Path() / "a.tif");
    fs::copy_file(OneImageScan(), dir.Path() / "c.tif");
    ASSERT_TRUE(test::WriteFormatTiff(dir.File("rgb.tif"), 64, 64, 3, 8, PLANARCONFIG_CONTIG, 16, 16));
    // Without --keep-going the RGB scan stops the batch, and the Run says how far it got.
    CliRun run = SplitIn(dir, std::string("--quiet ") + ONE_IMAGE + "a.tif rgb.tif c.tif");
    EXPECT_EQ(run.m_nStatus, 1);
    EXPECT_NE(
        run.m_strErr.find("The Run stopped at file 2 of 3 (rgb.tif); 1 split, 0 skipped before it.\nrgb.tif" +
                          std::string(cli::CLI_RGB_STOPS) + "\n"),
        std::string::npos)
        << run.m_strErr;
    ExpectFiles(dir.Path(), {"a.tif", "rgb.tif", "c.tif", "a_1.mrc"});
    fs::remove(dir.Path() / "a_1.mrc");

    run = SplitIn(dir, std::string("--quiet --keep-going ") + ONE_IMAGE + "a.tif rgb.tif c.tif");
    EXPECT_EQ(run.m_nStatus, 3);
    EXPECT_EQ(run.m_strErr, "rgb.tif" + std::string(cli::CLI_RGB_SKIPPED) + "\n");
    EXPECT_EQ(run.m_strOut, "3 scans, 2 images written, 1 scan skipped\nRun Complete.\n");
    ExpectFiles(dir.Path(), {"a.tif", "rgb.tif", "c.tif", "a_1.mrc", "c_1.mrc"});
}

// Asks to stop after the bar has been set `positions` times.
class StoppingProgress final : public Progress {
public:
    explicit StoppingProgress(int positions) : m_nLeft(positions) {}
    void SetRange(int, int) override {}
    void SetPos(int) override { --m_nLeft; }
    bool StopRequested() const override { return m_nLeft <= 0; }

private:
    int m_nLeft;
};

TEST(RunSafety, AStopRequestEndsTheRunWithoutLeftovers) {
    TempDir dir;
    fs::copy_file(OneImageScan(), dir.Path() / "s.tif");
    for (bool tiff : {false, true}) {
        RunSettings parameters;
        parameters.m_nImageCount = 1;
        parameters.m_nWidthCm = 7;
        parameters.m_nHeightCm = 9;
        parameters.m_nBinning = 2;
        parameters.m_bOutputTiff = tiff;
        parameters.m_strInputFiles = {dir.File("s.tif")};
        test::RecordingMessages messages;
        StoppingProgress progress(20); // well inside the image's rows
        RunDriver driver(parameters, messages, progress);
        const RunResult result = driver.OnRun();
        EXPECT_EQ(result.m_outcome, RunOutcome::Interrupted);
        EXPECT_TRUE(messages.m_shown.empty()) << "no fatal text and no \"Run Complete.\"";
        ExpectFiles(dir.Path(), {"s.tif"});
    }

    // The command line: SIGINT and SIGTERM stop a long Run with 130 / 143. One large dark scan takes
    // about half a second of one core, as long as the wait before the signal; given eight times over,
    // the batch outlasts the wait on any machine.
    ASSERT_TRUE(test::WriteDarkScan(dir.File("dark.tif"), 100000, 60000, 512, 512));
    std::string batch;
    for (int i = 0; i < 8; ++i)
        batch += " dark.tif";
    for (auto [signal, status] : {std::pair{"INT", 130}, std::pair{"TERM", 143}}) {
        SCOPED_TRACE(signal);
        const int result = test::RunCommand(
            "cd '" + dir.Path().string() + "' && ('" + GC_CLI + "' split --quiet --threads 1" + batch +
            " >/dev/null 2>&1 & pid=$!; sleep 0.5; kill -" + signal + " $pid; wait $pid)");
        EXPECT_EQ(result, status);
    }
    ExpectFiles(dir.Path(), {"s.tif", "dark.tif"});
}

} // namespace
} // namespace gc
