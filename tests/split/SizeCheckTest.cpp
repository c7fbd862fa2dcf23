// Size checks: the bright extent of a line, and the warnings of found images on generated scans
// (pixels from the generator's painter, no file needed).
#include "split/SizeCheck.h"
#include "split/SplitMessages.h"
#include "tools/ScanGenerator.h"

#include <gtest/gtest.h>

namespace gc {
namespace {

TEST(SizeCheck, BrightExtentFindsTheEdgeOnEitherSideOfTheExpectedOne) {
    struct Case {
        const char* what;
        int bright, expected, limit, dustAt, darkSpotAt, extent;
    };
    // A line bright from 0 to `bright` (exclusive), dark after it; optional dust (3 bright pixels)
    // in the background and a dark speck (3 pixels) inside the image.
    const Case cases[] = {
        {"exact", 10000, 10000, 20000, -1, -1, 10000},
        {"smaller", 8700, 10000, 20000, -1, -1, 8700},
        {"larger", 11400, 10000, 20000, -1, -1, 11400},
        {"runs to the scan's edge", 20000, 10000, 15000, -1, -1, 15000},
        {"runs on beyond twice the expected size", 30000, 10000, 40000, -1, -1, 20000},
        {"dust beyond a smaller image", 8700, 10000, 20000, 9500, -1, 8700},
        {"dust beyond the expected end", 8700, 10000, 20000, 9942, -1, 8700},
        {"dark speck inside a larger image", 11400, 10000, 20000, -1, 10500, 11400},
        {"nothing bright", 0, 10000, 20000, -1, -1, 0},
    };
    for (const Case& c : cases) {
        const auto pixel = [&c](int i) {
            if (c.dustAt >= 0 && i >= c.dustAt && i < c.dustAt + 3)
                return 200;
            if (c.darkSpotAt >= 0 && i >= c.darkSpotAt && i < c.darkSpotAt + 3)
                return 10;
            return i < c.bright ? 180 : 20;
        };
        EXPECT_EQ(MeasureBrightExtent(pixel, c.expected, c.limit), c.extent) << c.what;
    }
    EXPECT_EQ(MeasureBrightExtent([](int) { return -1; }, 100, 200), -1) << "a pixel that cannot be read";
}

// The records of the recipe's images as the Run finds them with the chosen size, and their checks.
std::vector<ImageRecord> Checked(const tools::ScanSpec& recipe, int widthCm, int heightCm,
                                 std::vector<tools::PlacedImage> placed = {}) {
    if (placed.empty())
        placed = tools::PlanPlacements(recipe);
    ScanGeometry geometry;
    geometry.m_nImageWidth = static_cast<std::uint32_t>(recipe.m_nWidth);
    geometry.m_nImageLength = static_cast<std::uint32_t>(recipe.m_nHeight);
    geometry.m_nExpectedWidth = widthCm * PIXELS_ACROSS_PER_8_CM / 8;
    geometry.m_nExpectedHeight = heightCm * PIXELS_DOWN_PER_10_CM / 10;
    std::vector<ImageRecord> images;
    for (const tools::PlacedImage& image : placed) {
        ImageRecord record;
        record.number = image.m_nIndex + 1;
        record.found = true;
        record.x = image.m_nX;
        record.y = image.m_nY;
        record.width = geometry.m_nExpectedWidth;
        record.height = geometry.m_nExpectedHeight;
        images.push_back(record);
    }
    const tools::ScanPainter painter(recipe, placed);
    CheckImageSizes(
        geometry,
        [&](int x, int y) {
            return x < recipe.m_nWidth && y < recipe.m_nHeight ? static_cast<int>(painter.Pixel(x, y)) : -1;
        },
        images);
    return images;
}

TEST(SizeCheck, TheRightSizesGiveNoWarningOnGeneratedScans) {
    struct Case {
        int width, height, images;
        double widthCm, heightCm;
    };
    for (const Case& c :
         {Case{36000, 30000, 6, 8, 10}, Case{31232, 26112, 6, 7, 9}, Case{10496, 13312, 1, 7, 9}})
        for (unsigned seed : {1u, 2u, 7u, 42u}) {
            tools::ScanSpec recipe;
            recipe.m_nWidth = c.width;
            recipe.m_nHeight = c.height;
            recipe.m_nImages = c.images;
            recipe.m_dImageWidthCm = c.widthCm;
            recipe.m_dImageHeightCm = c.heightCm;
            recipe.m_nSeed = seed;
            for (const ImageRecord& image :
                 Checked(recipe, static_cast<int>(c.widthCm), static_cast<int>(c.heightCm)))
                EXPECT_TRUE(image.warnings.empty())
                    << c.width << " x " << c.height << " seed " << seed << " image " << image.number << ": "
                    << image.warnings.front();
        }
}

TEST(SizeCheck, SmallerImagesSplitLargerWarnWithTheSizesThatFit) {
    // 7 x 9 cm images split as 8 x 10 cm: each is measured at its own size, and overlaps its neighbour.
    tools::ScanSpec recipe;
    recipe.m_nWidth = 31232;
    recipe.m_nHeight = 26112;
    recipe.m_dImageWidthCm = 7;
    recipe.m_dImageHeightCm = 9;
    const std::vector<ImageRecord> images = Checked(recipe, 8, 10);
    ASSERT_EQ(images.size(), 6u);
    const std::string fits = std::string(SIZE_WARNING_SHOWS) + "7.0 cm wide x 9.0 cm high (10171 x 12870" +
                             SIZE_WARNING_CHOSEN + "11625 x 14300" + SIZE_WARNING_PIXELS + SIZE_WARNING_TRY +
                             "9 --width-cm 7";
    for (const ImageRecord& image : images) {
        ASSERT_FALSE(image.warnings.empty()) << image.number;
        EXPECT_EQ(image.warnings.front(), fits) << image.number;
    }
    const auto has = [](const ImageRecord& image, const std::string& text) {
        return std::find(image.warnings.begin(), image.warnings.end(), text) != image.warnings.end();
    };
    EXPECT_TRUE(has(images[0], std::string(SIZE_WARNING_OVERLAPS) + "2")) << "image 1 reaches into image 2";
    EXPECT_TRUE(has(images[1], std::string(SIZE_WARNING_OVERLAPS) + "1"));
}

TEST(SizeCheck, RunOffBeyondTwoPercentWarns) {
    // One 7 x 9 cm image placed near the scan's bottom right corner, checked as 7 x 9.
    tools::ScanSpec recipe = tools::OneImageSpec();
    const int width = tools::ImageWidthPixels(recipe), height = tools::ImageHeightPixels(recipe);
    struct Case {
        int rowsOff, columnsOff;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {0, 0, {}},
        {height / 100, width / 100, {}}, // within 2 %
        {1687, 0, {std::string(SIZE_WARNING_RUNS) + "1687" + SIZE_WARNING_PAST_BOTTOM}},
        {0, 400, {std::string(SIZE_WARNING_RUNS) + "400" + SIZE_WARNING_PAST_RIGHT}},
    };
    for (const Case& c : cases) {
        const tools::PlacedImage placed{0, recipe.m_nWidth - width + c.columnsOff,
                                        recipe.m_nHeight - height + c.rowsOff, width, height};
        const std::vector<ImageRecord> images = Checked(recipe, 7, 9, {placed});
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(images[0].warnings, c.warnings) << c.rowsOff << " rows, " << c.columnsOff << " columns off";
    }
}

} // namespace
} // namespace gc
