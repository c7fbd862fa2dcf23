// The sheet finder on realistic generated scans (rendered in memory at a third of the resolution, one
// sheet each) against their truth, effect by effect and seed by seed; the line fit with outliers; the
// warnings and hints it gives; and the Run with --finder sheet on the classic sample scans, whose outputs
// must be byte for byte the classic finder's.
#include "split/SheetFinder.h"
#include "split/RunDriver.h"
#include "split/RunPlan.h"
#include "split/RunReport.h"
#include "split/SplitMessages.h"
#include "support/SheetRecipes.h"
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

// One sheet of a 8 × 10 cm image (3875 × 4766 pixels) at a third of the scanner's resolution, rendered
// in memory with its truth. (The effects are drawn at a sheet's real scale: on a smaller sheet a notch
// or a clear margin would be a larger part of it than the finder ever meets.)
struct RenderedSheet {
    RenderedSheet(unsigned seed, const SheetEffects& effects)
        : recipe(test::OneSheetScan(seed, effects, 4352, 5376, 8, 10)) {
        pixels = tools::RenderSheetScan(recipe, &truth);
    }

    ScanGeometry Geometry() const {
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

    // The pixels, -1 outside the scan.
    PixelReader Reader() const {
        return [this](int x, int y) {
            const int width = recipe.scan.m_nWidth;
            return x < 0 || y < 0 || x >= width || y >= recipe.scan.m_nHeight
                       ? -1
                       : pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(x)];
        };
    }

    SheetScanSpec recipe;
    std::vector<SheetTruth> truth;
    std::vector<std::uint8_t> pixels;
};

// Every effect on its own and lab days mixing them: the sheet is found at its true corner, angle and
// size; an empty slot has no sheet.
TEST(SheetFinderTest, FindsEachSheetAtItsTrueCornerAndAngle) {
    const struct {
        const char* name;
        SheetEffects effects;
        unsigned seed;
        bool empty = false; // the slot is left empty
    } cases[] = {
        {"clean", {}, 11},
        {"turned anticlockwise", {.rotationDegrees = 0.9}, 12},
        {"turned clockwise", {.rotationDegrees = 0.9}, 13},
        {"soft edge", {.softEdge = 18}, 14},
        {"clear margin", {.sheetMargin = 120}, 15},
        {"marks and notches", {.marks = true, .notches = true}, 16},
        {"dust and fibres", {.dust = 60, .fibres = 8}, 17},
        {"scratches", {.scratches = 6}, 18},
        {"grain and light fall-off", {.grain = 14, .illumination = 0.25}, 19},
        {"under- or over-exposed", {.exposure = 0.35}, 20},
        {"leaks and glow", {.leaks = 3, .edgeGlow = true}, 21},
        {"displaced", {.displacement = 150}, 22},
        {"lab day", tools::LabDayEffects(23), 23}, // bench/sheet_finder_eval.cpp runs many more
        {"empty slot on a lab day", tools::LabDayEffects(31), 31, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.name) + ", seed " + std::to_string(test.seed));
        SheetEffects effects = test.effects;
        effects.missing = test.empty ? 1 : 0;
        const RenderedSheet scan(test.seed, effects);
        ASSERT_EQ(scan.truth.size(), 1u);
        const SheetFit fit = FindSheet(scan.Geometry(), scan.Reader(), 1);
        const SheetTruth& sheet = scan.truth[0];
        ASSERT_EQ(sheet.present, !test.empty);
        ASSERT_EQ(fit.found, sheet.present);
        if (!sheet.present)
            continue;
        EXPECT_NEAR(fit.cornerX, sheet.corners[0][0], 4.0);
        EXPECT_NEAR(fit.cornerY, sheet.corners[0][1], 4.0);
        EXPECT_NEAR(fit.angle, sheet.angle, 0.02);
        EXPECT_NEAR(fit.width, sheet.width, 8.0);
        EXPECT_NEAR(fit.height, sheet.height, 8.0);
    }
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

// A Run of one 7 × 9 cm image of `scan` with `finder`.
RunSettings OneImageRun(const std::string& scan, ImageFinder finder) {
    RunSettings parameters;
    parameters.m_nImageCount = 1;
    parameters.m_nWidthCm = 7;
    parameters.m_nHeightCm = 9;
    parameters.m_strInputFiles = {scan};
    parameters.m_finder = finder;
    return parameters;
}

// The classic sample scans (sharp, square, on a noisy holder): the sheet finder places every image
// where the classic search does, so the outputs are the same bytes. A corner a person set (on the first
// scan) is where the image is cut, with either finder; the record says so.
TEST(SheetFinderTest, ClassicScansGiveTheClassicOutputsAndCornersSetByHandAreKept) {
    test::TempDir folder;
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        tools::ScanSpec recipe = tools::OneImageSpec();
        recipe.m_nSeed = seed;
        const std::string scan = folder.File("plate" + std::to_string(seed) + ".tif");
        std::vector<tools::PlacedImage> placed;
        std::string error;
        ASSERT_TRUE(tools::GenerateScan(recipe, scan, &placed, &error)) << error;
        ImageRecord given;
        given.number = 1;
        given.found = true;
        given.setByHand = true;
        given.x = placed.at(0).m_nX + 7;
        given.y = placed.at(0).m_nY + 5;
        std::vector<std::vector<unsigned char>> outputs;
        for (ImageFinder finder : {ImageFinder::Classic, ImageFinder::Sheet}) {
            const RunSettings parameters = OneImageRun(scan, finder);
            test::RecordingMessages messages;
            NullProgress progress;
            RunDriver driver(parameters, messages, progress);
            ASSERT_EQ(driver.OnRun().m_outcome, RunOutcome::Done);
            ASSERT_EQ(driver.Records().at(0).images.at(0).warnings, std::vector<std::string>{});
            const std::string output = folder.File("plate" + std::to_string(seed) + "_1.mrc");
            outputs.push_back(test::ReadFileBytes(output));
            std::filesystem::remove(output);
            if (seed != 1)
                continue;
            RunDriver byHand(parameters, messages, progress);
            byHand.SetDryRun(true);
            byHand.SetGivenCorners({given});
            ASSERT_EQ(byHand.OnRun().m_outcome, RunOutcome::Done);
            const ImageRecord& image = byHand.Records().at(0).images.at(0);
            EXPECT_TRUE(image.found && image.setByHand);
            EXPECT_EQ(image.x, given.x);
            EXPECT_EQ(image.y, given.y);
        }
        EXPECT_FALSE(outputs[0].empty());
        EXPECT_TRUE(outputs[0] == outputs[1]);
    }
}

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
    const RenderedSheet scan(41, {.rotationDegrees = 0.6});
    ImageRecord doubted;
    doubted.number = 1;
    doubted.found = true;
    doubted.x = static_cast<int>(scan.truth[0].corners[0][0]) + 300;
    doubted.y = static_cast<int>(scan.truth[0].corners[0][1]) + 200;
    doubted.warnings = {"the scan shows 0.0 cm wide"};
    ImageRecord quiet = doubted;
    quiet.number = 2;
    quiet.warnings.clear();
    std::vector<ImageRecord> images{doubted, quiet};
    AddSheetFinderHints(scan.Geometry(), scan.Reader(), images);
    ASSERT_EQ(images[0].warnings.size(), 2u);
    const SheetFit fit = FindSheet(scan.Geometry(), scan.Reader(), 1);
    EXPECT_NEAR(fit.angle, scan.truth[0].angle, 0.02);
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
