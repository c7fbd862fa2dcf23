// The realistic generator's truth against its own pixels: just inside each sheet's corner is film, just
// outside is holder, whatever the turn, margin, blur or displacement; sheets keep apart and inside the
// scan; the same seed gives the same scan and another seed another one.
#include "tools/SheetScan.h"
#include "support/SheetRecipes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gc::tools {
namespace {

// One sheet of a 2.5 × 3 cm image (1211 × 1430 pixels) at a third of the scanner's resolution: room
// for every effect that moves its edge, a fifth of the pixels of a full 8 × 10 cm one.
SheetScanSpec SmallRecipe(unsigned seed, const SheetEffects& effects) {
    return test::OneSheetScan(seed, effects, 2048, 2304, 2.5, 3);
}

// The pixel `distance` pixels from the top-left corner along the sheet's diagonal (inward when
// positive).
int AlongDiagonal(const std::vector<std::uint8_t>& pixels, int width, const SheetTruth& sheet,
                  double distance) {
    const double dx = sheet.corners[2][0] - sheet.corners[0][0],
                 dy = sheet.corners[2][1] - sheet.corners[0][1];
    const double length = std::hypot(dx, dy);
    const int x = static_cast<int>(std::floor(sheet.corners[0][0] + dx / length * distance));
    const int y = static_cast<int>(std::floor(sheet.corners[0][1] + dy / length * distance));
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
}

TEST(SheetScanTest, TruthMatchesThePixels) {
    struct Case {
        const char* name;
        SheetEffects effects;
    };
    const Case cases[] = {
        {"square", {}},
        {"turned 0.9 degrees", {.rotationDegrees = 0.9}},
        {"soft edge and clear margin", {.softEdge = 18, .sheetMargin = 120}},
        {"displaced and turned", {.rotationDegrees = 0.5, .displacement = 150}},
    };
    for (const Case& test : cases)
        for (unsigned seed : {3u, 4u}) {
            SCOPED_TRACE(std::string(test.name) + ", seed " + std::to_string(seed));
            const SheetScanSpec recipe = SmallRecipe(seed, test.effects);
            std::vector<SheetTruth> truth;
            const std::vector<std::uint8_t> pixels = RenderSheetScan(recipe, &truth);
            ASSERT_EQ(truth.size(), 1u);
            const SheetTruth& sheet = truth[0];
            EXPECT_TRUE(sheet.present);
            EXPECT_LE(std::abs(sheet.angle), test.effects.rotationDegrees);
            EXPECT_GT(AlongDiagonal(pixels, recipe.scan.m_nWidth, sheet, 30), recipe.holderLevel + 100);
            EXPECT_LT(AlongDiagonal(pixels, recipe.scan.m_nWidth, sheet, -30), recipe.holderLevel + 10);
            // The corners keep the sheet's size and angle.
            EXPECT_NEAR(std::hypot(sheet.corners[1][0] - sheet.corners[0][0],
                                   sheet.corners[1][1] - sheet.corners[0][1]),
                        sheet.width, 1e-6);
            EXPECT_NEAR(std::atan2(sheet.corners[1][1] - sheet.corners[0][1],
                                   sheet.corners[1][0] - sheet.corners[0][0]) *
                            180 / 3.14159265358979323846,
                        sheet.angle, 1e-9);
            for (const auto& corner : sheet.corners) {
                EXPECT_GT(corner[0], 0);
                EXPECT_GT(corner[1], 0);
                EXPECT_LT(corner[0], recipe.scan.m_nWidth);
                EXPECT_LT(corner[1], recipe.scan.m_nHeight);
            }
        }
}

TEST(SheetScanTest, SeedDecidesTheScanAndEmptySlotsStayHolder) {
    SheetEffects effects = LabDayEffects(8);
    effects.missing = 0;
    const std::vector<std::uint8_t> first = RenderSheetScan(SmallRecipe(8, effects), nullptr);
    EXPECT_EQ(first, RenderSheetScan(SmallRecipe(8, effects), nullptr));
    EXPECT_NE(first, RenderSheetScan(SmallRecipe(9, effects), nullptr));

    effects.missing = 1;
    std::vector<SheetTruth> truth;
    const SheetScanSpec recipe = SmallRecipe(8, effects);
    const std::vector<std::uint8_t> empty = RenderSheetScan(recipe, &truth);
    ASSERT_FALSE(truth.at(0).present);
    EXPECT_LT(AlongDiagonal(empty, recipe.scan.m_nWidth, truth[0], 500), 100);
}

} // namespace
} // namespace gc::tools
