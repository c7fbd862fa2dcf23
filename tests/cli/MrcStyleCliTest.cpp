// gridcarver-cli split with --mrc2014, --pixel-size and --magnification: the values of the classic
// Run as unsigned 16-bit, the data's own statistics, the pixel size in the cell and the report.
#include "CliRun.h"
#include "OneImageScan.h"
#include "image/MrcHeader.h"
#include "split/SplitMessages.h"
#include "split/SplitTestSupport.h"
#include "support/TestSupport.h"
#include "tools/ScanGenerator.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace gc {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

int Split(const TempDir& dir, const std::string& arguments, std::string* errors = nullptr) {
    const test::CliRun run = test::SplitIn(dir, "--quiet --images 1 --height-cm 9 --width-cm 7 " + arguments);
    if (errors)
        *errors = run.m_strErr;
    return run.m_nStatus;
}

TEST(CliMrc2014, SameValuesAsClassicWithTheDataStatisticsAndPixelSize) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(tools::GenerateScan(tools::OneImageSpec(), dir.File("plate.tif"), nullptr, &error)) << error;
    fs::create_directory(dir.Path() / "classic");
    fs::create_directory(dir.Path() / "modern");
    ASSERT_EQ(Split(dir, "--binning 2 --output-dir classic plate.tif"), 0);
    ASSERT_EQ(
        Split(dir, "--binning 2 --mrc2014 --pixel-size 1.4 --report r.json --output-dir modern plate.tif"),
        0);

    const std::ifstream in(dir.File("r.json"));
    std::stringstream text;
    text << in.rdbuf();
    const nlohmann::json report = nlohmann::json::parse(text.str());
    const nlohmann::json& outputs = report["files"][0]["images"][0]["outputs"];
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_TRUE(report["settings"]["mrc2014"].get<bool>());

    const double pixelSizes[] = {1.4, 2.8};
    const char* names[] = {"plate_1.mrc", "plate_1_2X2.mrc"};
    for (int i = 0; i < 2; ++i) {
        const test::MrcFile classic = test::ReadMrc((dir.Path() / "classic" / names[i]).string());
        const test::MrcFile modern = test::ReadMrc((dir.Path() / "modern" / names[i]).string());
        ASSERT_TRUE(classic.m_bRead && modern.m_bRead) << names[i];
        EXPECT_EQ(modern.m_nMode, MRC_MODE_UINT16);
        ASSERT_EQ(modern.m_data.size(), 2 * classic.m_data.size());
        double sum = 0, squares = 0;
        unsigned char low = 255, high = 0;
        for (std::size_t k = 0; k < classic.m_data.size(); ++k) {
            const unsigned char value = classic.m_data[k];
            ASSERT_EQ(modern.m_data[2 * k], value) << names[i] << " value " << k;
            ASSERT_EQ(modern.m_data[2 * k + 1], 0) << names[i] << " value " << k;
            sum += value;
            squares += static_cast<double>(value) * value;
            low = std::min(low, value);
            high = std::max(high, value);
        }
        const double n = static_cast<double>(classic.m_data.size());
        const double mean = sum / n;
        EXPECT_FLOAT_EQ(modern.m_fDMin, low);
        EXPECT_FLOAT_EQ(modern.m_fDMax, high);
        EXPECT_FLOAT_EQ(modern.m_fDMean, static_cast<float>(mean));
        EXPECT_FLOAT_EQ(modern.m_fRms, static_cast<float>(std::sqrt(squares / n - mean * mean)));
        EXPECT_FLOAT_EQ(GetFloatLE(modern.m_header.data() + 40),
                        static_cast<float>(modern.m_nNX * pixelSizes[i]));
        // The classic file keeps a cell of one pixel per unit.
        EXPECT_FLOAT_EQ(GetFloatLE(classic.m_header.data() + 40), static_cast<float>(classic.m_nNX));
        EXPECT_DOUBLE_EQ(outputs[static_cast<std::size_t>(i)]["pixel_size"].get<double>(), pixelSizes[i]);
        EXPECT_FLOAT_EQ(outputs[static_cast<std::size_t>(i)]["header"]["dmax"].get<float>(), high);
    }
}

TEST(CliMrc2014, MagnificationTakesTheScansSamplingOnlyWhenUsable) {
    TempDir dir;
    std::string error;
    // The sample scans have different resolutions across and down: no one pixel size.
    ASSERT_TRUE(tools::GenerateScan(tools::OneImageSpec(), dir.File("plate.tif"), nullptr, &error)) << error;
    std::string errors;
    EXPECT_EQ(Split(dir, "--magnification 50000 plate.tif", &errors), 3);
    EXPECT_NE(errors.find(std::string("plate.tif") + MSG_NO_SCAN_SAMPLING), std::string::npos) << errors;
    EXPECT_FALSE(fs::exists(dir.Path() / "plate_1.mrc"));
    // One pixel size at a time.
    EXPECT_EQ(Split(dir, "--magnification 50000 --pixel-size 1.4 plate.tif"), 2);
    EXPECT_EQ(Split(dir, "--pixel-size 0 plate.tif"), 2);

    // A scan sampled alike across and down (a 7 µm step: 25400 / 7 pixels per inch) at 50,000×:
    // 1.4 Å in the cell of the full-size image, 2.8 Å in the binned one.
    tools::ScanSpec square = tools::OneImageSpec();
    square.m_dResolution = square.m_dYResolution = 25400.0 / 7.0;
    ASSERT_TRUE(tools::GenerateScan(square, dir.File("square.tif"), nullptr, &error)) << error;
    ASSERT_EQ(Split(dir, "--magnification 50000 --binning 2 square.tif", &errors), 0) << errors;
    const char* names[] = {"square_1.mrc", "square_1_2X2.mrc"};
    for (int i = 0; i < 2; ++i) {
        const test::MrcFile mrc = test::ReadMrc((dir.Path() / names[i]).string());
        ASSERT_TRUE(mrc.m_bRead) << names[i];
        EXPECT_NEAR(GetFloatLE(mrc.m_header.data() + 40) / mrc.m_nNX, 1.4 * (i + 1), 1e-5) << names[i];
    }
}

// A planned batch writes the bytes of one Run: every task names the plan's time in its MRC2014 label,
// whenever it runs.
TEST(CliMrc2014, PlannedTaskWritesTheBytesOfTheOneRun) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(tools::GenerateScan(tools::OneImageSpec(), dir.File("plate.tif"), nullptr, &error)) << error;
    const std::string time = "SOURCE_DATE_EPOCH=1700000000 ";
    ASSERT_EQ(test::SplitIn(dir,
                            "--quiet " + std::string(test::ONE_IMAGE) +
                                "--mrc2014 --binning 2 --output-dir one plate.tif",
                            time)
                  .m_nStatus,
              0);
    ASSERT_EQ(test::SplitIn(dir,
                            "--quiet " + std::string(test::ONE_IMAGE) +
                                "--mrc2014 --binning 2 --output-dir batch --dry-run --report plan.json "
                                "plate.tif",
                            time)
                  .m_nStatus,
              0);
    // The task runs later, without the variable: the plan's time counts. Its log names the threads it
    // used and ends with the tally.
    const test::CliRun task = test::SplitIn(dir, "--plan plan.json --task 1");
    ASSERT_EQ(task.m_nStatus, 0) << task.m_strErr;
    const std::vector<std::string> lines = test::Lines(task.m_strOut);
    ASSERT_GE(lines.size(), 3u) << task.m_strOut;
    EXPECT_EQ(lines.front().find(", 0 thread"), std::string::npos) << lines.front();
    EXPECT_EQ(lines.back(), "1 scan, 1 image written");
    for (const char* name : {"plate_1.mrc", "plate_1_2X2.mrc"}) {
        const std::string one = test::ReadText(dir.Path() / "one" / name);
        ASSERT_FALSE(one.empty()) << name;
        EXPECT_NE(one.find("2023-11-14 22:13:20 UTC"), std::string::npos) << name;
        EXPECT_TRUE(one == test::ReadText(dir.Path() / "batch" / name)) << name;
    }
}

} // namespace
} // namespace gc
