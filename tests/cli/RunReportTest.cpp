// What the Run found, shown before and after: the dry run's lines equal a real Run's, the JSON report
// matches the files written (and is written after a stop too), the placement picture has the outlines
// where the images are.
#include "CliRun.h"
#include "core/TiffHandle.h"
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

namespace fs = std::filesystem;
using test::CliRun;
using test::SplitIn;
using test::TempDir;

// Three 7 × 9 cm images along the top of a scan too short to hold them (they run off the bottom);
// a fourth image is expected but cannot be found.
constexpr int SCAN_WIDTH = 31744, SCAN_HEIGHT = 7168;
const std::vector<tools::PlacedImage> PLACED = {
    {0, 150, 150, 10171, 12870}, {1, 10721, 200, 10171, 12870}, {2, 21292, 120, 10171, 12870}};
constexpr const char* OPTIONS = "--images 4 --height-cm 9 --width-cm 7 --binning 2 --output-dir out ";

// The per-image lines of a Run's standard output.
std::string ImageLines(const std::string& out) {
    std::istringstream lines(out);
    std::string line, result;
    while (std::getline(lines, line))
        if (line.rfind("scan.tif: image ", 0) == 0)
            result += line + "\n";
    return result;
}

std::string Python(const TempDir& folder, const std::string& script, const std::string& arguments) {
    std::string output;
    const int status = test::RunCommand("cd '" + folder.Path().string() + "' && " + GC_PYTHON + " -c \"" +
                                            script + "\" " + arguments + " 2>&1",
                                        &output);
    return status == 0 ? output : "python failed: " + output;
}

class RunReport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = std::make_unique<TempDir>();
        tools::ScanSpec recipe;
        recipe.m_nWidth = SCAN_WIDTH;
        recipe.m_nHeight = SCAN_HEIGHT;
        recipe.m_compression = tools::ScanCompression::Deflate;
        recipe.m_placements = PLACED;
        std::string error;
        ASSERT_TRUE(tools::GenerateScan(recipe, folder->File("scan.tif"), nullptr, &error)) << error;
    }
    static void TearDownTestSuite() { folder.reset(); }
    void SetUp() override {
        fs::remove_all(folder->Path() / "out");
        fs::create_directory(folder->Path() / "out");
    }
    static std::unique_ptr<TempDir> folder;
};
std::unique_ptr<TempDir> RunReport::folder;

TEST_F(RunReport, DryRunNamesAndCornersAreThoseOfTheRun) {
    const CliRun dry = SplitIn(*folder, std::string(OPTIONS) + "--dry-run --report dry.json scan.tif");
    EXPECT_EQ(dry.m_nStatus, 3) << "image 4 is expected and not found: " << dry.m_strErr;
    const std::string out = (folder->Path() / "out").string();
    const auto expected = [&](const std::string& verb) {
        std::string lines;
        for (const tools::PlacedImage& image : PLACED)
            lines += "scan.tif: image " + std::to_string(image.m_nIndex + 1) + ": " + verb + " " + out +
                     "/scan_" + std::to_string(image.m_nIndex + 1) + ".mrc at " + std::to_string(image.m_nX) +
                     "," + std::to_string(image.m_nY) + " size 10171 x 12870\n";
        return lines;
    };
    EXPECT_EQ(ImageLines(dry.m_strOut), expected("would write"));
    EXPECT_NE(dry.m_strErr.find("scan.tif: image 4: not found\n"), std::string::npos) << dry.m_strErr;
    EXPECT_TRUE(fs::is_empty(folder->Path() / "out")) << "a dry run writes nothing";

    const CliRun real = SplitIn(*folder, std::string(OPTIONS) + "--report real.json scan.tif");
    EXPECT_EQ(real.m_nStatus, 3) << real.m_strErr;
    EXPECT_EQ(ImageLines(real.m_strOut), expected("written"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder->Path() / "out"), fs::directory_iterator()), 6);

    // The reports parse; the real one's outputs are the files written, with their header statistics;
    // the dry one has the same corners and marks nothing written.
    const std::string script =
        "import json, sys, warnings, mrcfile\n"
        "warnings.simplefilter('ignore')\n"
        "real, dry = (json.load(open(name)) for name in sys.argv[1:3])\n"
        "assert real['outcome'] == 'done' and real['settings']['binning'] == 2 and "
        "dry['settings']['dry_run']\n"
        "scan, dryScan = real['files'][0], dry['files'][0]\n"
        "assert scan['outcome'] == 'done' and scan['width'] == 31744 and scan['compression'] == 'deflate'\n"
        "for image, dryImage in zip(scan['images'], dryScan['images']):\n"
        "    assert image['found'] == dryImage['found'] and image.get('corner') == dryImage.get('corner')\n"
        "    if not image['found']:\n"
        "        print(image['number'], 'not found'); continue\n"
        "    assert image['written'] and not dryImage['written']\n"
        "    assert image['rows_delivered'] == 7168 - image['corner']['y']\n"
        "    for output in image['outputs']:\n"
        "        with mrcfile.open(output['path'], permissive=True) as m:\n"
        "            assert m.data.shape == (output['height'], output['width'])\n"
        "            assert abs(float(m.header.dmean) - output['header']['mean']) < 1e-3\n"
        "            assert abs(float(m.header.rms) - output['header']['rms']) < 1e-3\n"
        "    print(image['number'], image['corner']['x'], image['corner']['y'], len(image['outputs']))\n";
    EXPECT_EQ(Python(*folder, script, "real.json dry.json"),
              "1 150 150 2\n2 10721 200 2\n3 21292 120 2\n4 not found\n");
}

TEST_F(RunReport, PlacementPictureOutlinesTheImages) {
    const CliRun run = SplitIn(*folder, std::string(OPTIONS) + "--quiet --dry-run --preview scan.tif");
    EXPECT_EQ(run.m_nStatus, 3) << run.m_strErr;
    const std::string picture = (folder->Path() / "out" / "scan_placements.png").string();
    ASSERT_TRUE(fs::exists(picture));
    // 31,744 pixels across at one sample per 16: 1,984 × 448. Each outline (3 pixels wide, in the
    // image's own colour, dashed since the images run off the scan, a dash first from the top-left
    // corner down) runs along the image's scaled left edge; the background is grey.
    std::string output;
    ASSERT_EQ(test::RunCommand("identify -format '%w %h' '" + picture + "'", &output), 0);
    EXPECT_EQ(output, "1984 448");
    auto pixel = [&](int x, int y) {
        std::string text;
        test::RunCommand("convert '" + picture + "' -crop 1x1+" + std::to_string(x) + "+" +
                             std::to_string(y) + " -depth 8 txt:- | tail -1",
                         &text);
        const std::size_t hash = text.find('#');
        return hash == std::string::npos ? text : text.substr(hash, 7);
    };
    EXPECT_EQ(pixel(150 / 16 + 1, 300 / 16), "#F34235") << "image 1: red";
    EXPECT_EQ(pixel(10721 / 16 + 1, 300 / 16), "#4CB04F") << "image 2: green";
    EXPECT_EQ(pixel(21292 / 16 + 1, 300 / 16), "#2197F3") << "image 3: blue";
    const std::string background = pixel(5, 440);
    EXPECT_EQ(background.substr(1, 2), background.substr(3, 2)) << "grey: " << background;
}

TEST_F(RunReport, ReportIsWrittenWhenTheRunStops) {
    TempDir dir;
    fs::copy_file(folder->File("scan.tif"), dir.Path() / "scan.tif");
    fs::create_directory(dir.Path() / "out");
    std::uint64_t offset = 0;
    {
        TiffHandle input(TIFFOpen(dir.File("scan.tif").c_str(), "r"));
        ASSERT_TRUE(input);
        offset = TIFFGetStrileOffset(input.get(), TIFFNumberOfTiles(input.get()) - 3);
    }
    {
        std::fstream file(dir.File("scan.tif"), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(offset));
        file.write("\xff\xff\xff\xff\xff\xff\xff\xff", 8);
    }
    const CliRun run = SplitIn(dir, std::string(OPTIONS) + "--quiet --report stop.json scan.tif");
    EXPECT_EQ(run.m_nStatus, 1);
    const std::string script = "import json, sys\n"
                               "report = json.load(open(sys.argv[1]))\n"
                               "scan = report['files'][0]\n"
                               "print(report['outcome'], scan['outcome'], scan['message'].splitlines()[-1],\n"
                               "      [image['written'] for image in scan['images'] if image['found']])\n";
    EXPECT_EQ(Python(dir, script, "stop.json"),
              std::string("stopped stopped ") + MSG_READ_ERROR + " [False, False, False]\n");
    EXPECT_TRUE(fs::is_empty(dir.Path() / "out"));
}

} // namespace
} // namespace gc
