// The grid placements are checked against the Run's search itself, done pixel by pixel on the painted
// scan: for each image in turn, its search window, the run test and the rejection limits.
#include "tools/ScanGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace gc::tools {
namespace {

struct Found {
    int m_nX0, m_nY0, m_nX1, m_nY1;
};

// Finds images 1 .. count in order, with the given expected size, as the Run's passes do.
std::vector<Found> SearchLikeTheRun(const ScanSpec& recipe, const ScanPainter& painter, int count,
                                    int expectedWidth, int expectedHeight) {
    const int across = (recipe.m_nWidth + recipe.m_nTileWidth - 1) / recipe.m_nTileWidth;
    const int down = (recipe.m_nHeight + recipe.m_nTileHeight - 1) / recipe.m_nTileHeight;
    const int paddedWidth = across * recipe.m_nTileWidth, paddedHeight = down * recipe.m_nTileHeight;
    const int cellWidth = paddedWidth / 3, cellHeight = paddedHeight / 2;
    const int step = static_cast<int>((cellWidth + cellHeight) * 0.0001);
    const int gapMax = step * 5000, runLength = step * 50;
    const int quarterHeight = static_cast<int>(recipe.m_nTileHeight * 0.25 * down);
    const double quarterWidth = recipe.m_nTileWidth * 0.25 * across;

    std::vector<Found> found;
    std::vector<std::uint8_t> row(paddedWidth);
    for (int m = 1; m <= count; ++m) {
        const int column = (m - 1) % 3, gridRow = (m - 1) / 3;
        auto inRows = [&](int y) {
            if (gridRow == 0)
                return y < quarterHeight;
            const Found& above = found[m - 4];
            return above.m_nY1 + step < y && y < above.m_nY1 + gapMax;
        };
        auto inColumns = [&](int x) {
            if (column == 0)
                return x < quarterWidth;
            const Found& left = found[m - 2];
            return left.m_nX1 + step < x && x < left.m_nX1 + gapMax;
        };
        const int limitX = column * cellWidth + cellWidth / 8;
        const int limitY = gridRow * cellHeight + cellHeight / 8;
        // Rows and columns beyond the window (and its last run) cannot change the outcome: skip painting
        // them.
        const int firstRow = gridRow == 0 ? 0 : found[m - 4].m_nY1 + step + 1;
        const int endRow = std::min(paddedHeight, gridRow == 0 ? quarterHeight : found[m - 4].m_nY1 + gapMax);
        const int endColumn = std::min(
            paddedWidth,
            (column == 0 ? static_cast<int>(quarterWidth) + 1 : found[m - 2].m_nX1 + gapMax) + runLength);
        std::optional<Found> hit;
        for (int y = firstRow; y < endRow && !hit; ++y) {
            if (!inRows(y))
                continue;
            painter.RenderRow(y, 0, endColumn, row.data());
            int runState = 0;
            for (int x = 0; x < endColumn && !hit; ++x) {
                if (row[x] <= 50 || !inColumns(x))
                    continue;
                if (x + runLength < paddedWidth)
                    for (int j = x + 1; j <= x + runLength - 1 && j < endColumn; ++j)
                        if (runState == 0 || runState == 1)
                            runState = row[j] > 50 ? 1 : runState + 1;
                if (runState != 1)
                    continue;
                if (x > limitX || y > limitY) {
                    runState = 0;
                    continue;
                }
                hit = Found{x, y, x + expectedWidth, y + expectedHeight};
            }
        }
        if (!hit)
            break;
        found.push_back(*hit);
    }
    return found;
}

void ExpectFoundAtTheirCorners(const ScanSpec& recipe) {
    const std::vector<PlacedImage> placed = PlanPlacements(recipe);
    ASSERT_EQ(static_cast<int>(placed.size()), recipe.m_nImages);
    std::string why;
    EXPECT_TRUE(CheckFindable(recipe, placed, &why)) << why;
    const ScanPainter painter(recipe, placed);
    const auto found = SearchLikeTheRun(recipe, painter, recipe.m_nImages, ImageWidthPixels(recipe),
                                        ImageHeightPixels(recipe));
    ASSERT_EQ(found.size(), placed.size());
    for (std::size_t k = 0; k < placed.size(); ++k) {
        EXPECT_EQ(found[k].m_nX0, placed[k].m_nX) << "image " << k + 1;
        EXPECT_EQ(found[k].m_nY0, placed[k].m_nY) << "image " << k + 1;
    }
}

TEST(ScanLayout, DefaultScanMatchesTheRunsGeometry) {
    const ScanSpec recipe;
    EXPECT_EQ(ImageWidthPixels(recipe), 11625);
    EXPECT_EQ(ImageHeightPixels(recipe), 14300);
    const SearchLayout layout = ComputeSearchLayout(recipe);
    EXPECT_EQ(layout.m_nPaddedWidth, 36096);
    EXPECT_EQ(layout.m_nPaddedHeight, 30208);
    EXPECT_EQ(layout.m_nCellWidth, 12032);
    EXPECT_EQ(layout.m_nCellHeight, 15104);
    EXPECT_EQ(layout.m_nStep, 2);
    EXPECT_EQ(layout.m_nRunLength, 100);
    EXPECT_EQ(layout.m_nGapMax, 10000);

    ScanSpec other;
    for (auto [cm, pixels] : {std::pair{7.0, 10171}, {9.0, 13078}}) {
        other.m_dImageWidthCm = cm;
        EXPECT_EQ(ImageWidthPixels(other), pixels) << cm;
    }
    for (auto [cm, pixels] : {std::pair{9.0, 12870}, {11.0, 15730}}) {
        other.m_dImageHeightCm = cm;
        EXPECT_EQ(ImageHeightPixels(other), pixels) << cm;
    }
}

TEST(ScanLayout, TheRunFindsEveryGridImageAtItsCorner) {
    for (unsigned seed : {1u, 2u, 3u, 42u, 1234u}) {
        SCOPED_TRACE(seed);
        ScanSpec recipe;
        recipe.m_nSeed = seed;
        ExpectFoundAtTheirCorners(recipe);
    }
    for (double widthCm : {7.0, 8.0}) {
        for (double heightCm : {9.0, 10.0}) {
            SCOPED_TRACE(std::to_string(widthCm) + " x " + std::to_string(heightCm));
            ScanSpec recipe;
            recipe.m_dImageWidthCm = widthCm;
            recipe.m_dImageHeightCm = heightCm;
            recipe.m_nTileWidth = 512;
            recipe.m_nTileHeight = 512;
            ExpectFoundAtTheirCorners(recipe);
        }
    }
    ScanSpec three; // the bottom row left empty
    three.m_nImages = 3;
    ExpectFoundAtTheirCorners(three);

    ScanSpec one; // the small scan of the header's note: one 7 x 9 cm image, search step 1
    one.m_nWidth = 10496;
    one.m_nHeight = 13312;
    one.m_nImages = 1;
    one.m_dImageWidthCm = 7;
    one.m_dImageHeightCm = 9;
    EXPECT_EQ(ComputeSearchLayout(one).m_nStep, 1);
    ExpectFoundAtTheirCorners(one);
}

TEST(ScanLayout, PlacementsVaryWithTheSeedInsideTheirCells) {
    ScanSpec recipe;
    const auto first = PlanPlacements(recipe);
    recipe.m_nSeed = 2;
    const auto second = PlanPlacements(recipe);
    ASSERT_EQ(first.size(), 6u);
    bool differs = false;
    const SearchLayout layout = ComputeSearchLayout(recipe);
    for (std::size_t k = 0; k < first.size(); ++k) {
        differs = differs || first[k].m_nX != second[k].m_nX || first[k].m_nY != second[k].m_nY;
        const int cellX = static_cast<int>(k % 3) * layout.m_nCellWidth;
        const int cellY = static_cast<int>(k / 3) * layout.m_nCellHeight;
        EXPECT_GE(first[k].m_nX, cellX + recipe.m_nMargin);
        EXPECT_LE(first[k].m_nX, cellX + recipe.m_nMargin + recipe.m_nJitter);
        EXPECT_GE(first[k].m_nY, cellY + recipe.m_nMargin);
        EXPECT_LE(first[k].m_nY, cellY + recipe.m_nMargin + recipe.m_nJitter);
    }
    EXPECT_TRUE(differs);
}

// Layouts the Run would misread are recognised, so a grid scan never contains one.
TEST(ScanLayout, CheckFindableRefusesMisleadingLayouts) {
    const ScanSpec recipe;
    const std::vector<PlacedImage> good = PlanPlacements(recipe);
    std::string why;
    ASSERT_TRUE(CheckFindable(recipe, good, &why)) << why;

    auto expectRefused = [&](std::vector<PlacedImage> placed, const char* what) {
        std::string reason;
        EXPECT_FALSE(CheckFindable(recipe, placed, &reason)) << what;
        EXPECT_FALSE(reason.empty()) << what;
        // The pixel search agrees that some image is not where it was placed.
        const ScanPainter painter(recipe, placed);
        const auto found = SearchLikeTheRun(recipe, painter, static_cast<int>(placed.size()),
                                            placed[0].m_nWidth, placed[0].m_nHeight);
        bool allAtCorners = found.size() == placed.size();
        for (std::size_t k = 0; allAtCorners && k < found.size(); ++k)
            allAtCorners = found[k].m_nX0 == placed[k].m_nX && found[k].m_nY0 == placed[k].m_nY;
        EXPECT_FALSE(allAtCorners) << what;
    };
    std::vector<PlacedImage> placed = good;
    placed[0].m_nX = 1600; // beyond cellWidth / 8 = 1504
    placed[1].m_nX = 13300;
    placed[2].m_nX = 24300;
    placed.resize(3);
    expectRefused(placed, "image 1 beyond its column limit");

    placed = good;
    placed[1].m_nX = placed[0].m_nX + placed[0].m_nWidth + 2; // not past x1 + step
    placed.resize(2);
    expectRefused(placed, "image 2 touching the step after image 1");

    placed = good;
    placed[0].m_nX = 300;
    placed[0].m_nY = 700;
    placed[3].m_nX = 100; // image 1 juts out past image 4's right edge below image 5's window top
    placed[3].m_nY = 15200;
    placed[4].m_nY = placed[1].m_nY + placed[1].m_nHeight + 3;
    expectRefused(placed, "image 1 inside image 5's window");
}

} // namespace
} // namespace gc::tools
