// Deskew: the band sink against a plane it must reproduce exactly; turned generated sheets, split
// with --deskew, come out with straight edges where the truth puts them.
#include "split/Deskew.h"
#include "SplitTestSupport.h"
#include "split/RunDriver.h"
#include "split/RunReport.h"
#include "support/TestSupport.h"
#include "tools/SheetScan.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace gc {
namespace {

// Collects the output rows it is given.
class KeepingSink final : public ImageRowSink {
public:
    SplitResult WriteOutputRow(int, const unsigned char* row, int rowIndex) override {
        EXPECT_EQ(rowIndex, static_cast<int>(m_rows.size())) << "rows in order";
        m_rows.emplace_back(row, row + m_nWidth);
        return {};
    }
    int m_nWidth = 0;
    std::vector<std::vector<unsigned char>> m_rows;
};

// A plane the bilinear interpolation reproduces exactly: level = 20 + x / 10 + y / 5.
double Plane(double x, double y) {
    return 20 + x / 10 + y / 5;
}

// Fed the rows of its box, the sink gives every output pixel the plane's value at its source point,
// holding no more source rows than the turn spans, whichever way the sheet is turned.
TEST(DeskewTest, TheBandSinkReproducesAPlaneWithABoundedBand) {
    ScanGeometry geometry;
    geometry.m_nExpectedWidth = 400;
    geometry.m_nExpectedHeight = 300;
    for (const double angle : {1.0, -0.6, 2.5}) {
        SCOPED_TRACE(angle);
        SheetFit fit;
        fit.found = true;
        fit.angle = angle;
        fit.cornerX = 30.4;
        fit.cornerY = 25.7;
        fit.width = 420;
        fit.height = 310;
        DeskewPlan plan{};
        plan[1] = DeskewFor(fit, geometry);
        const DeskewGeometry& turn = plan[1];
        ASSERT_TRUE(turn.active);
        KeepingSink target;
        target.m_nWidth = turn.width;
        DeskewSink sink(target, plan);
        const int boxWidth = turn.boxX1 - turn.boxX0;
        std::vector<unsigned char> row(static_cast<std::size_t>(boxWidth));
        for (int y = turn.boxY0; y < turn.boxY1; ++y) {
            for (int x = 0; x < boxWidth; ++x)
                row[static_cast<std::size_t>(x)] =
                    static_cast<unsigned char>(std::lround(Plane(turn.boxX0 + x, y)));
            ASSERT_EQ(sink.WriteOutputRow(2, row.data(), y - turn.boxY0).outcome, RunOutcome::Done);
        }
        ASSERT_EQ(sink.Finish().outcome, RunOutcome::Done);
        ASSERT_EQ(target.m_rows.size(), static_cast<std::size_t>(turn.height));
        double worst = 0;
        for (int v = 0; v < turn.height; ++v)
            for (int u = 0; u < turn.width; ++u) {
                const int got = target.m_rows[static_cast<std::size_t>(v)][static_cast<std::size_t>(u)];
                worst = std::max(worst, std::abs(got - Plane(turn.SourceX(u, v), turn.SourceY(u, v))));
            }
        EXPECT_LE(worst, 1.0) << "a plane is interpolated to within rounding";
        const double span = turn.width * std::abs(std::sin(angle * 3.14159265358979 / 180));
        EXPECT_LE(static_cast<double>(sink.PeakBandRows()), span + 4);
        // The sheet lies square about its centre: its top-left corner becomes the crop's.
        EXPECT_NEAR(turn.SourceX(0, 0), fit.cornerX, 0.75);
        EXPECT_NEAR(turn.SourceY(0, 0), fit.cornerY, 0.75);
    }
}

// One turned sheet of a 7 × 9 cm image with a clear margin around it, on the one-image sample scan.
tools::SheetScanSpec TurnedSheet(unsigned seed, double degrees) {
    tools::SheetScanSpec recipe;
    recipe.scan = tools::OneImageSpec();
    recipe.scan.m_nWidth = 11264; // room for the turned sheet
    recipe.scan.m_nHeight = 14336;
    recipe.scan.m_nMargin = 400;
    recipe.scan.m_nJitter = 60;
    recipe.scan.m_nSeed = seed;
    recipe.effects.rotationDegrees = degrees;
    recipe.effects.sheetMargin = 100;
    return recipe;
}

// The first column of `row` darker than `level` after one at least as bright (past the holder, the
// clear margin's end), or -1.
int FirstDarker(const unsigned char* row, int count, int level) {
    int u = 0;
    while (u < count && row[u] < level)
        ++u;
    while (u < count && row[u] >= level)
        ++u;
    return u < count ? u : -1;
}

struct TurnCase {
    unsigned seed;
    double degrees; // the largest turn the generator may draw
};

// Split with --deskew, the image's left and top edges (where the clear margin meets the image) run
// straight down and across the output, where the truth's sheet puts them; without it, they run
// askew by the sheet's turn.
TEST(DeskewTest, TurnedSheetsComeOutWithStraightEdgesWhereTheTruthPutsThem) {
    test::TempDir folder;
    for (const TurnCase& turnCase : {TurnCase{31, 0.5}, TurnCase{32, 0.9}, TurnCase{33, 1.5}}) {
        SCOPED_TRACE("seed " + std::to_string(turnCase.seed));
        const tools::SheetScanSpec recipe = TurnedSheet(turnCase.seed, turnCase.degrees);
        const std::string scan = folder.File("turned" + std::to_string(turnCase.seed) + ".tif");
        std::vector<tools::SheetTruth> truth;
        std::string error;
        ASSERT_TRUE(tools::GenerateSheetScan(recipe, scan, &truth, &error)) << error;
        ASSERT_TRUE(truth.at(0).present);
        const tools::SheetTruth& sheet = truth[0];
        ASSERT_GT(std::abs(sheet.angle), 0.1);

        // Cut square once, to see the measure catch a turned edge.
        for (const bool deskew : {true, false}) {
            if (!deskew && turnCase.seed != 32)
                continue;
            SCOPED_TRACE(deskew ? "deskewed" : "cut square");
            RunSettings parameters;
            parameters.m_nImageCount = 1;
            parameters.m_nWidthCm = 7;
            parameters.m_nHeightCm = 9;
            parameters.m_strInputFiles = {scan};
            parameters.m_finder = ImageFinder::Sheet;
            parameters.m_bDeskew = deskew;
            test::RecordingMessages messages;
            NullProgress progress;
            RunDriver driver(parameters, messages, progress);
            ASSERT_EQ(driver.OnRun().m_outcome, RunOutcome::Done)
                << ::testing::PrintToString(messages.Texts());
            const ImageRecord& image = driver.Records().at(0).images.at(0);
            ASSERT_TRUE(image.found);
            EXPECT_NEAR(image.angle, sheet.angle, 0.05);
            EXPECT_EQ(image.interpolation, deskew ? "bilinear" : "");
            // The report says how the image was resampled, and the plan made from it deskews again.
            const nlohmann::json report =
                nlohmann::json::parse(RunReportJson({parameters, "test"}, driver.Records(), "done"));
            EXPECT_EQ(report["settings"].value("deskew", false), deskew);
            EXPECT_EQ(report["files"][0]["images"][0].contains("deskewed"), deskew);
            if (deskew) {
                EXPECT_EQ(report["files"][0]["images"][0]["deskewed"]["interpolation"], "bilinear");
            }
            const std::string output = folder.File("turned" + std::to_string(turnCase.seed) + "_1.mrc");
            const test::MrcFile file = test::ReadMrc(output);
            std::filesystem::remove(output);
            ASSERT_TRUE(file.m_bRead);
            const int width = file.m_nNX, height = file.m_nNY;

            // Where the image starts inside the turned-back sheet, in the output's pixels.
            double centreX = 0, centreY = 0;
            for (const auto& corner : sheet.corners) {
                centreX += corner[0] / 4;
                centreY += corner[1] / 4;
            }
            const double left = centreX - sheet.width / 2 + recipe.effects.sheetMargin - image.x;
            const double top = centreY - sheet.height / 2 + recipe.effects.sheetMargin - image.y;
            const int level = (recipe.clearLevel + recipe.imageLevel + recipe.textureAmplitude) / 2 + 4;
            std::vector<int> lefts, tops;
            for (int v = height / 4; v < 3 * height / 4; v += 211)
                lefts.push_back(FirstDarker(&file.m_data[static_cast<std::size_t>(v) * width], width, level));
            std::vector<unsigned char> column(static_cast<std::size_t>(height));
            for (int u = width / 4; u < 3 * width / 4; u += 211) {
                for (int v = 0; v < height; ++v)
                    column[static_cast<std::size_t>(v)] =
                        file.m_data[static_cast<std::size_t>(v) * width + u];
                tops.push_back(FirstDarker(column.data(), height, level));
            }
            const auto [leftMin, leftMax] = std::minmax_element(lefts.begin(), lefts.end());
            const auto [topMin, topMax] = std::minmax_element(tops.begin(), tops.end());
            if (deskew) {
                EXPECT_LE(*leftMax - *leftMin, 2) << "the left edge runs straight down";
                EXPECT_LE(*topMax - *topMin, 2) << "the top edge runs straight across";
                EXPECT_NEAR(*leftMin, left, 3.0);
                EXPECT_NEAR(*topMin, top, 3.0);
            } else {
                EXPECT_GT(*leftMax - *leftMin, 10) << "cut square, a turned edge runs askew";
            }
        }
    }
}

} // namespace
} // namespace gc
