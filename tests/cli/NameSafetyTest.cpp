// No file of an operation replaces another of its files: every input and output of a Run, of a
// convert or cut batch and of a pick is named once (the report and the placement pictures too), and a
// name that is taken is not written, with a warning and status 3 — in a dry run as in the Run. Inputs
// that could exhaust memory or are not UTF-8 are handled, and the Run's smaller reports are exact.
#include "CliRun.h"
#include "OneImageScan.h"
#include "image/MrcHeader.h"
#include "image/TiffCodec.h"
#include "pick/PickMessages.h"
#include "pick/PickTestImages.h"
#include "split/RunDriver.h"
#include "split/RunReport.h"
#include "split/SplitMessages.h"
#include "split/SplitTestSupport.h"
#include "support/TestSupport.h"
#include "tools/ScanGenerator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace gc {
namespace {

using test::CliRun;
using test::FilesIn;
using test::ReadText;
using test::RunCliIn;

namespace fs = std::filesystem;
using test::ONE_IMAGE;
using test::OneImageScan;
using test::TempDir;

// What the Python `script` prints for the JSON report `path` (its sys.argv[1]).
std::string ReportQuery(const std::string& script, const std::string& path) {
    std::string output;
    EXPECT_EQ(test::RunCommand(std::string(GC_PYTHON) + " -c \"" + script + "\" '" + path + "'", &output), 0)
        << output;
    return output;
}

std::string NotWritten(const std::string& what, const std::string& name, const char* reason) {
    return what + MSG_RUN_IMAGE_NOT_WRITTEN + name + reason + "\n";
}

TEST(NameSafety, BareNamesOfOneRunAreOneFileBeforeAndAfterItIsWritten) {
    TempDir dir;
    fs::create_directories(dir.Path() / "d1");
    fs::create_directories(dir.Path() / "d2");
    for (const char* name : {"s.1.tif", "s.2.tif", "d1/s.tif", "d2/s.tif"})
        fs::copy_file(OneImageScan(), dir.Path() / name);
    const struct {
        std::string arguments, second;
    } cases[] = {
        {"s.1.tif s.2.tif", "s.2.tif"},
        {"--output-dir '' d1/s.tif d2/s.tif", "d2/s.tif"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string expected = NotWritten("Image 1 of " + c.second, "s_1.mrc", MSG_CLASHES_WITH_OUTPUT);
        // The dry run and the Run decide alike: the second scan's image is not written.
        for (const char* dry : {"--dry-run ", ""}) {
            const CliRun run = RunCliIn(dir, std::string("split --quiet ") + dry + ONE_IMAGE + c.arguments);
            EXPECT_EQ(run.m_nStatus, 3) << run.m_strErr;
            EXPECT_EQ(run.m_strErr, expected);
        }
        const test::MrcFile mrc = test::ReadMrc(dir.File("s_1.mrc"));
        EXPECT_EQ(mrc.m_nNY, 12870);
        fs::remove(dir.Path() / "s_1.mrc");
    }
}

TEST(NameSafety, TheReportAndThePicturesAreFilesOfTheRun) {
    TempDir dir;
    fs::copy_file(OneImageScan(), dir.Path() / "s.1.tif");
    fs::copy_file(OneImageScan(), dir.Path() / "s.2.tif");
    const std::string scan = ReadText(dir.Path() / "s.1.tif");

    // A report named as an input is not written.
    CliRun run =
        RunCliIn(dir, std::string("split --quiet --dry-run --report s.1.tif ") + ONE_IMAGE + "s.1.tif");
    EXPECT_EQ(run.m_nStatus, 3);
    EXPECT_EQ(run.m_strErr, NotWritten(MSG_REPORT_LABEL, "s.1.tif", MSG_CLASHES_WITH_INPUT));
    EXPECT_TRUE(ReadText(dir.Path() / "s.1.tif") == scan);

    // The report's name is taken from the start: the image that would replace it is not written.
    run = RunCliIn(dir, std::string("split --quiet --dry-run --report s_1.mrc ") + ONE_IMAGE + "s.1.tif");
    EXPECT_EQ(run.m_nStatus, 3);
    EXPECT_EQ(run.m_strErr, NotWritten("Image 1 of s.1.tif", "s_1.mrc", MSG_CLASHES_WITH_OUTPUT));
    EXPECT_EQ(ReadText(dir.Path() / "s_1.mrc").rfind("{\n", 0), 0u) << "the report";
    fs::remove(dir.Path() / "s_1.mrc");

    // Two scans of one stem share a picture name: the second picture is not written.
    run = RunCliIn(dir, std::string("split --quiet --dry-run --preview --append x ") + ONE_IMAGE +
                            "s.1.tif s.2.tif");
    EXPECT_EQ(run.m_nStatus, 3);
    EXPECT_EQ(run.m_strErr, NotWritten(std::string(MSG_PICTURE_OF) + "s.2.tif", "s_placements.png",
                                       MSG_CLASHES_WITH_OUTPUT));
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"s.1.tif", "s.2.tif", "s_placements.png"}));

    // Pictures that are only shown (the desktop program's preview) are no files: each scan gets its own.
    RunSettings parameters;
    parameters.m_nImageCount = 1;
    parameters.m_nHeightCm = 9;
    parameters.m_nWidthCm = 7;
    parameters.m_strInputFiles = {dir.File("s.1.tif"), dir.File("s.2.tif")};
    SilentMessages silent;
    NullProgress progress;
    RunDriver driver(parameters, silent, progress);
    driver.SetDryRun(true);
    driver.SetPreview(true);
    int pictures = 0;
    driver.m_fnScanDone = [&pictures](const ScanRecord&, const PlacementPreview* preview,
                                      const SplitResult&) { pictures += preview != nullptr ? 1 : 0; };
    EXPECT_EQ(OutcomeOf(driver.OnRun()), Outcome::Skipped) << "image 1 of s.2.tif would be s_1.mrc again";
    EXPECT_EQ(pictures, 2);
}

class PickNames : public testing::Test {
protected:
    void SetUp() override {
        SilentMessages silent;
        ASSERT_EQ(WriteTiffFile(m_dir.File("scan.tif"), test::PatternImage(80, 60), silent), 80 * 60);
    }
    TempDir m_dir;
};

TEST_F(PickNames, RepickingFromItsOwnStarFileKeepsItAndEveryRefusalCounts) {
    const std::string star = "data_\n\nloop_\n_rlnCoordinateX #1\n_rlnCoordinateY #2\n20 20\n22 20\n40 40\n";
    std::ofstream(m_dir.File("scan_picks.star")) << star;
    CliRun run = RunCliIn(m_dir, "pick scan.tif --size 10 --coords scan_picks.star");
    EXPECT_EQ(run.m_nStatus, 3);
    // A TIFF micrograph's .star rows count from the bottom: y 20 of the 60-row image is row 40.
    EXPECT_EQ(run.m_strErr, std::string(pick_text::REFUSED_TOO_CLOSE) + "22,40\nscan_picks.star" +
                                pick_text::NOT_WRITTEN + "scan_picks.star" + pick_text::CLASHES_WITH_INPUT +
                                "\n");
    EXPECT_EQ(ReadText(m_dir.Path() / "scan_picks.star"), star) << "the input, refused centre included";
    EXPECT_TRUE(fs::exists(m_dir.Path() / "scan_picks.box"));

    // A refused centre, or none left at all, is not a complete pick.
    const struct {
        const char* centres;
        int status;
    } cases[] = {{"20,20 40,40", 0}, {"20,20 22,20", 3}, {"78,30", 3}};
    for (const auto& c : cases) {
        run = RunCliIn(m_dir, std::string("pick scan.tif --size 10 ") + c.centres);
        EXPECT_EQ(run.m_nStatus, c.status) << c.centres << "\n" << run.m_strErr;
    }
    EXPECT_NE(run.m_strErr.find(pick_text::NO_CENTRE_LEFT), std::string::npos) << run.m_strErr;
}

// A memory limit that reading an endless file whole would pass. The address sanitizer reserves its
// shadow memory (terabytes of address space) at start, so under it the limit is left out.
#if defined(__SANITIZE_ADDRESS__)
constexpr const char* MEMORY_LIMIT = "";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr const char* MEMORY_LIMIT = "";
#else
constexpr const char* MEMORY_LIMIT = "ulimit -v 1500000; ";
#endif
#else
constexpr const char* MEMORY_LIMIT = "ulimit -v 1500000; ";
#endif

TEST_F(PickNames, EndlessOrHugeCoordinateFilesAreRefused) {
    fs::create_symlink("/dev/zero", m_dir.Path() / "zero.csv");
    std::ofstream(m_dir.File("huge.csv")) << "20,20\n";
    fs::resize_file(m_dir.Path() / "huge.csv", (std::uintmax_t{64} << 20) + 1);
    for (const char* name : {"zero.csv", "huge.csv"}) {
        const CliRun run =
            RunCliIn(m_dir, std::string("pick scan.tif --size 10 --coords ") + name, MEMORY_LIMIT);
        EXPECT_EQ(run.m_nStatus, 2) << name;
        EXPECT_EQ(run.m_strErr, name + std::string(pick_text::COORDS_TOO_LARGE) + "\n");
    }
}

TEST(NameSafety, ReportOfANameThatIsNotUtf8) {
    const struct {
        std::string bytes, text;
    } cases[] = {
        {"probe_\xb5m", "probe_\xc2\xb5m"},           // Latin-1: read as Latin-1
        {"probe_\xc2\xb5m", "probe_\xc2\xb5m"},       // UTF-8: kept
        {"a\xe2\x82", "a\xc3\xa2\xc2\x82"},           // a sequence cut short
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"}, // an encoded surrogate is not UTF-8
        {"\xf0\x9f\x94\xac", "\xf0\x9f\x94\xac"},     // four bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsonTextOfBytes(c.bytes), c.text) << c.bytes;

    // A scan named in Latin-1 gets its report (the scan is no TIFF: it is skipped).
    TempDir dir;
    std::ofstream(dir.File("probe_\xb5m.tif")) << "not a scan";
    const CliRun run = RunCliIn(dir, "split --quiet --report r.json 'probe_\xb5m.tif'");
    EXPECT_EQ(run.m_nStatus, 3) << run.m_strErr;
    EXPECT_EQ(ReportQuery("import json,sys; r = json.load(open(sys.argv[1], encoding='utf-8')); "
                          "print(r['files'][0]['path'])",
                          dir.File("r.json")),
              "probe_\xc2\xb5m.tif\n");
}

TEST(NameSafety, AppendStringsStayInTheFolderAndCountCharacters) {
    TempDir dir;
    std::ofstream(dir.File("s.tif")) << "not a scan";
    std::string fifty;
    for (int i = 0; i < 50; ++i)
        fifty += "\xc2\xb5";
    // Fifty characters are allowed (the scan is then skipped, not refused), one more is not.
    const struct {
        std::string text;
        int status;
    } cases[] = {{"../x", 2}, {"x/y", 2}, {"..", 2}, {"a\\\\b", 2}, {fifty, 3}, {fifty + "x", 2}};
    for (const auto& c : cases)
        EXPECT_EQ(RunCliIn(dir, "split --quiet --append '" + c.text + "' s.tif").m_nStatus, c.status)
            << c.text;
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"s.tif"});
}

TEST(NameSafety, ReportCountsRowsInsideTheScanAndKeepsTheStopsDetail) {
    TempDir dir;
    // The image starts at row 700; the scan ends 100 rows into its last row of tiles.
    constexpr int height = 13312 - 100;
    fs::copy_file(OneImageScan(700, height), dir.Path() / "s.tif");
    ASSERT_TRUE(test::WriteFormatTiff(dir.File("rgb.tif"), 64, 64, 3, 8, PLANARCONFIG_CONTIG, 16, 16));
    CliRun run =
        RunCliIn(dir, std::string("split --quiet --dry-run --report r.json ") + ONE_IMAGE + "s.tif rgb.tif");
    EXPECT_EQ(run.m_nStatus, 1);
    // The stopped file's message ends with the lines the stop showed: its detail, then the fatal text.
    const std::string script = "import json, sys\n"
                               "r = json.load(open(sys.argv[1]))\n"
                               "image = r['files'][0]['images'][0]\n"
                               "print(image['corner']['y'], image['rows_delivered'])\n"
                               "print('\\n'.join(r['files'][1]['message'].split('\\n')[-2:]))\n";
    EXPECT_EQ(ReportQuery(script, dir.File("r.json")), "700 " + std::to_string(height - 700) + "\n" +
                                                           DETAIL_READING + "rgb.tif" + DETAIL_RGB + "\n" +
                                                           MSG_RGB_FATAL + "\n");
}

} // namespace
} // namespace gc
