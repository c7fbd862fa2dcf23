// The sheet finder on realistic generated scans (rendered in memory at a third of the resolution, one
// sheet each) against their truth, effect by effect and seed by seed; the line fit with outliers; and
// the Run with --finder sheet on the classic sample scans, whose outputs must be byte for byte the
// classic finder's.
#include "split/SheetFinder.h"
#include "split/RunDriver.h"
#include "split/RunPlan.h"
#include "split/RunReport.h"
#include "split/SplitMessages.h"
#include "support/TestSupport.h"
#include "tools/ScanGenerator.h"
#include "tools/SheetScan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace gc {
namespace {

using tools::SheetEffects;
using tools::SheetScanSpec;
using tools::SheetTruth;

// A third of the scanner's resolution: one sheet of a 8 × 10 cm image (3875 × 4766 pixels).
SheetScanSpec SmallSheetScan(unsigned seed, const SheetEffects& effects) {
    SheetScanSpec recipe;
    recipe.scan.m_nWidth = 4352;
    recipe.scan.m_nHeight = 5376;
    recipe.scan.m_nImages = 1;
    recipe.scan.m_dResolution /= 3;
    recipe.scan.m_dYResolution /= 3;
    recipe.scan.m_nMargin = 50;
    recipe.scan.m_nJitter = 80;
    recipe.scan.m_nSeed = seed;
    recipe.effects = effects;
    return recipe;
}

ScanGeometry GeometryOf(const SheetScanSpec& recipe) {
    ScanGeometry geometry;
    geometry.m_nImageWidth = static_cast<std::uint32_t>(recipe.scan.m_nWidth);
    geometry.m_nImageLength = static_cast<std::uint32_t>(recipe.scan.m_nHeight);
    geometry.m_nPaddedWidth = recipe.scan.m_nWidth;
    geometry.m_nPaddedHeight = recipe.scan.m_nHeight;
    geometry.m_nCellWidth = recipe.scan.m_nWidth / 3;
    geometry.m_nCellHeight = recipe.scan.m_nHeight / 2;
    geometry.m_nExpectedWidth = tools::ImageWidthPixels(recipe.scan);
    geometry.m_nExpectedHeight = tools::ImageHeightPixels(recipe.scan);
    return geometry;
}

struct EffectCase {
    const char* name;
    SheetEffects effects;
    unsigned seed;
};

SheetEffects With(void (*set)(SheetEffects&)) {
    SheetEffects effects;
    set(effects);
    return effects;
}

std::vector<EffectCase> EffectCases() {
    return {
        {"clean", {}, 11},
        {"turned", With([](SheetEffects& e) { e.rotationDegrees = 0.9; }), 12},
        {"turned other seed", With([](SheetEffects& e) { e.rotationDegrees = 0.9; }), 13},
        {"soft edge", With([](SheetEffects& e) { e.softEdge = 18; }), 14},
        {"clear margin", With([](SheetEffects& e) { e.sheetMargin = 120; }), 15},
        {"marks and notches", With([](SheetEffects& e) {
             e.marks = true;
             e.notches = true;
         }),
         16},
        {"dust and fibres", With([](SheetEffects& e) {
             e.dust = 60;
             e.fibres = 8;
         }),
         17},
        {"scratches", With([](SheetEffects& e) { e.scratches = 6; }), 18},
        {"grain and light fall-off", With([](SheetEffects& e) {
             e.grain = 14;
             e.illumination = 0.25;
         }),
         19},
        {"under- or over-exposed", With([](SheetEffects& e) { e.exposure = 0.35; }), 20},
        {"leaks and glow", With([](SheetEffects& e) {
             e.leaks = 3;
             e.edgeGlow = true;
         }),
         21},
        {"displaced", With([](SheetEffects& e) { e.displacement = 150; }), 22},
        {"lab day", tools::LabDayEffects(23), 23},
        {"lab day", tools::LabDayEffects(24), 24},
    };
}

TEST(SheetFinderTest, FindsEachSheetAtItsTrueCornerAndAngle) {
    for (const EffectCase& effect : EffectCases()) {
        SCOPED_TRACE(std::string(effect.name) + ", seed " + std::to_string(effect.seed));
        SheetScanSpec recipe = SmallSheetScan(effect.seed, effect.effects);
        recipe.effects.missing = 0;
        std::vector<SheetTruth> truth;
        const std::vector<std::uint8_t> pixels = tools::RenderSheetScan(recipe, &truth);
        ASSERT_EQ(truth.size(), 1u);
        const int width = recipe.scan.m_nWidth, height = recipe.scan.m_nHeight;
        const PixelReader pixel = [&](int x, int y) {
            return x < 0 || y < 0 || x >= width || y >= height
                       ? -1
                       : pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x)];
        };
        const SheetFit fit = FindSheet(GeometryOf(recipe), pixel, 1);
        ASSERT_TRUE(fit.found);
        EXPECT_NEAR(fit.cornerX, truth[0].corners[0][0], 4.0);
        EXPECT_NEAR(fit.cornerY, truth[0].corners[0][1], 4.0);
        EXPECT_NEAR(fit.angle, truth[0].angle, 0.02);
        EXPECT_NEAR(fit.width, truth[0].width, 8.0);
        EXPECT_NEAR(fit.height, truth[0].height, 8.0);
    }
}

TEST(SheetFinderTest, EmptySlotHasNoSheet) {
    SheetEffects effects = tools::LabDayEffects(31);
    effects.missing = 1;
    const SheetScanSpec recipe = SmallSheetScan(31, effects);
    std::vector<SheetTruth> truth;
    const std::vector<std::uint8_t> pixels = tools::RenderSheetScan(recipe, &truth);
    ASSERT_FALSE(truth.at(0).present);
    const int width = recipe.scan.m_nWidth;
    const PixelReader pixel = [&](int x, int y) {
        return x < 0 || y < 0 || x >= width || y >= recipe.scan.m_nHeight
                   ? -1
                   : pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)];
    };
    EXPECT_FALSE(FindSheet(GeometryOf(recipe), pixel, 1).found);
}

TEST(SheetFinderTest, LineFitDropsPointsOffTheEdge) {
    struct Case {
        const char* name;
        std::vector<double> offsets; // added to the true line at points 0, 1, 2, ...
        bool fitted;
    };
    const std::vector<Case> cases = {
        {"exact", std::vector<double>(12, 0.0), true},
        {"a notch and a fibre", {0, 0, 60, 55, 0, 0, 0, -150, 0, 0, 0, 0}, true},
        {"half a pixel of noise and a mark",
         {0.5, -0.5, 0.5, -0.5, 200, 0.5, -0.5, 0.5, -0.5, 0.5, -0.5, 0.5},
         true},
        {"too few points", {0, 0, 0, 0, 0}, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<double> along, across;
        for (std::size_t i = 0; i < test.offsets.size(); ++i) {
            along.push_back(100.0 + 700.0 * static_cast<double>(i));
            across.push_back(250.0 + 0.012 * along.back() + test.offsets[i]);
        }
        const EdgeLine line = FitEdgeLine(along, across);
        ASSERT_EQ(line.fitted, test.fitted);
        if (!line.fitted)
            continue;
        EXPECT_NEAR(line.offset, 250.0, 0.5);
        EXPECT_NEAR(line.slope, 0.012, 1e-4);
    }
}

// The classic sample scans (sharp, square, on a noisy holder): the sheet finder places every image
// where the classic search does, so the outputs are the same bytes.
TEST(SheetFinderTest, ClassicScansGiveTheClassicOutputsByteForByte) {
    test::TempDir folder;
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        tools::ScanSpec recipe = tools::OneImageSpec();
        recipe.m_nSeed = seed;
        const std::string scan = folder.File("plate" + std::to_string(seed) + ".tif");
        std::string error;
        ASSERT_TRUE(tools::GenerateScan(recipe, scan, nullptr, &error)) << error;
        std::vector<std::vector<unsigned char>> outputs;
        for (ImageFinder finder : {ImageFinder::Classic, ImageFinder::Sheet}) {
            RunSettings parameters;
            parameters.m_nImageCount = 1;
            parameters.m_nWidthCm = 7;
            parameters.m_nHeightCm = 9;
            parameters.m_strInputFiles = {scan};
            parameters.m_finder = finder;
            test::RecordingMessages messages;
            NullProgress progress;
            RunDriver driver(parameters, messages, progress);
            ASSERT_EQ(driver.OnRun().m_outcome, RunOutcome::Done);
            ASSERT_EQ(driver.Records().at(0).images.at(0).warnings, std::vector<std::string>{});
            const std::string output = folder.File("plate" + std::to_string(seed) + "_1.mrc");
            outputs.push_back(test::ReadFileBytes(output));
            std::filesystem::remove(output);
        }
        EXPECT_FALSE(outputs[0].empty());
        EXPECT_TRUE(outputs[0] == outputs[1]);
    }
}

// A corner a person set is where the image is cut, with either finder; the record says so.
TEST(SheetFinderTest, CornersSetByHandAreCutAsGiven) {
    test::TempDir folder;
    const std::string scan = folder.File("plate.tif");
    std::vector<tools::PlacedImage> placed;
    std::string error;
    ASSERT_TRUE(tools::GenerateScan(tools::OneImageSpec(), scan, &placed, &error)) << error;
    for (ImageFinder finder : {ImageFinder::Classic, ImageFinder::Sheet}) {
        RunSettings parameters;
        parameters.m_nImageCount = 1;
        parameters.m_nWidthCm = 7;
        parameters.m_nHeightCm = 9;
        parameters.m_strInputFiles = {scan};
        parameters.m_finder = finder;
        ImageRecord given;
        given.number = 1;
        given.found = true;
        given.setByHand = true;
        given.x = placed.at(0).m_nX + 7;
        given.y = placed.at(0).m_nY + 5;
        test::RecordingMessages messages;
        NullProgress progress;
        RunDriver driver(parameters, messages, progress);
        driver.SetDryRun(true);
        driver.SetGivenCorners({given});
        ASSERT_EQ(driver.OnRun().m_outcome, RunOutcome::Done);
        const ImageRecord& image = driver.Records().at(0).images.at(0);
        EXPECT_TRUE(image.found && image.setByHand);
        EXPECT_EQ(image.x, given.x);
        EXPECT_EQ(image.y, given.y);
    }
}

} // namespace
} // namespace gc

namespace gc {
namespace {

// A fitted square sheet of the expected size at (x, y), `angle` degrees, `narrower` pixels narrower.
SheetFit FittedSheet(const ScanGeometry& geometry, int x, int y, double angle, int narrower) {
    SheetFit fit;
    fit.found = true;
    fit.x0 = x;
    fit.y0 = y;
    fit.angle = angle;
    const double slope = std::tan(angle * 3.14159265358979323846 / 180);
    fit.top = {true, y - slope * x, slope, 24};
    fit.left = {true, x + slope * y, -slope, 24};
    fit.right = {true, x + geometry.m_nExpectedWidth - narrower + slope * y, -slope, 24};
    fit.bottom = {true, y + geometry.m_nExpectedHeight - slope * x, slope, 24};
    fit.width = geometry.m_nExpectedWidth - narrower;
    fit.height = geometry.m_nExpectedHeight;
    return fit;
}

TEST(SheetFinderTest, WarningsComeFromTheFittedSheet) {
    ScanGeometry geometry;
    geometry.m_nImageWidth = 36000;
    geometry.m_nImageLength = 30000;
    geometry.m_nExpectedWidth = 11625;
    geometry.m_nExpectedHeight = 14300;
    struct Case {
        const char* name;
        double angle;
        int narrower;
        std::vector<std::string> starts; // how each warning begins
    };
    const std::vector<Case> cases = {
        {"a turn of 0.06 degrees is no size problem", 0.06, 0, {}},
        {"turned past 0.1 degrees", -0.3, 0, {SHEET_WARNING_TURNED}},
        {"the crop reaches 100 columns past the sheet", 0, 100, {SHEET_WARNING_CROP_REACHES}},
        {"a sheet 8 % narrower", 0, 930, {SIZE_WARNING_SHOWS, SHEET_WARNING_CROP_REACHES}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        ImageRecord image;
        image.number = 1;
        image.found = true;
        image.x = 300;
        image.y = 200;
        image.width = geometry.m_nExpectedWidth;
        image.height = geometry.m_nExpectedHeight;
        std::vector<ImageRecord> images{image};
        CheckSheetImages(geometry, {FittedSheet(geometry, 300, 200, test.angle, test.narrower)}, images);
        ASSERT_EQ(images[0].warnings.size(), test.starts.size());
        for (std::size_t i = 0; i < test.starts.size(); ++i)
            EXPECT_EQ(images[0].warnings[i].rfind(test.starts[i], 0), 0u) << images[0].warnings[i];
        EXPECT_TRUE(images[0].hasAngle);
        EXPECT_DOUBLE_EQ(images[0].angle, test.angle);
    }
}

// The classic search's doubted crop of a turned sheet names where the sheet finder cuts it.
TEST(SheetFinderTest, DoubtedClassicCropNamesTheSheetFindersPlace) {
    SheetEffects effects;
    effects.rotationDegrees = 0.6;
    const SheetScanSpec recipe = SmallSheetScan(41, effects);
    std::vector<SheetTruth> truth;
    const std::vector<std::uint8_t> pixels = tools::RenderSheetScan(recipe, &truth);
    const int width = recipe.scan.m_nWidth;
    const PixelReader pixel = [&](int x, int y) {
        return x < 0 || y < 0 || x >= width || y >= recipe.scan.m_nHeight
                   ? -1
                   : pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)];
    };
    ImageRecord doubted;
    doubted.number = 1;
    doubted.found = true;
    doubted.x = static_cast<int>(truth[0].corners[0][0]) + 300;
    doubted.y = static_cast<int>(truth[0].corners[0][1]) + 200;
    doubted.warnings = {"the scan shows 0.0 cm wide"};
    ImageRecord quiet = doubted;
    quiet.number = 2;
    quiet.warnings.clear();
    std::vector<ImageRecord> images{doubted, quiet};
    AddSheetFinderHints(GeometryOf(recipe), pixel, images);
    ASSERT_EQ(images[0].warnings.size(), 2u);
    const SheetFit fit = FindSheet(GeometryOf(recipe), pixel, 1);
    EXPECT_NEAR(fit.angle, truth[0].angle, 0.02);
    char degrees[16];
    std::snprintf(degrees, sizeof degrees, "%.2f", fit.angle);
    EXPECT_EQ(images[0].warnings[1], SHEET_HINT_PLACES + std::to_string(fit.x0) + SHEET_HINT_Y +
                                         std::to_string(fit.y0) + SHEET_HINT_TURNED + degrees +
                                         SHEET_HINT_TRY);
    EXPECT_TRUE(images[1].warnings.empty());
}

// A plan made with the sheet finder is split with it, and a corner marked as set by hand in the plan
// reaches the task; a classic plan says nothing of either.
TEST(SheetFinderTest, PlansCarryTheFinderAndCornersSetByHand) {
    for (ImageFinder finder : {ImageFinder::Classic, ImageFinder::Sheet}) {
        RunSettings parameters;
        parameters.m_finder = finder;
        ImageRecord corrected;
        corrected.number = 1;
        corrected.found = true;
        corrected.x = 120;
        corrected.y = 80;
        corrected.name = "s/a_1.mrc";
        corrected.setByHand = finder == ImageFinder::Sheet;
        corrected.outputs = {{corrected.name, 100, 120}};
        ScanRecord scan;
        scan.path = "s/a.tif";
        scan.images = {corrected};
        const std::string text =
            RunPlanJson({parameters, "1.0", 1, true, false, false}, {scan}, "done", "/w");
        EXPECT_EQ(text.find("\"finder\"") != std::string::npos, finder == ImageFinder::Sheet);
        RunPlan plan;
        std::string error;
        ASSERT_TRUE(ReadRunPlan(text, "p.json", plan, error)) << error;
        EXPECT_EQ(plan.parameters.m_finder, finder);
        ASSERT_EQ(plan.scans.at(0).images.size(), 1u);
        EXPECT_EQ(plan.scans[0].images[0].setByHand, finder == ImageFinder::Sheet);
        EXPECT_EQ(plan.scans[0].images[0].x, 120);
    }
}

} // namespace
} // namespace gc
