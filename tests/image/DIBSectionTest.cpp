#include "image/DIBSection.h"

#include <gtest/gtest.h>

#include <cstring>

namespace gc {
namespace {

// Paints pixel (x, y), y from the top, with blue = x, green = y, red = tag.
void Paint(DIBSection& image, int x, int y, unsigned char tag) {
    unsigned char* pixel = image.MemoryRow(image.GetHeight() - 1 - y) + 3 * x;
    pixel[0] = static_cast<unsigned char>(x);
    pixel[1] = static_cast<unsigned char>(y);
    pixel[2] = tag;
}

DIBSection Gradient(int width, int height) {
    DIBSection image;
    image.Create(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            Paint(image, x, y, 7);
    return image;
}

TEST(DIBSection, PaddedWidthAndPitch) {
    struct Case {
        int width, padded, pitch;
    };
    for (const Case c : {Case{1, 4, 12}, Case{4, 4, 12}, Case{5, 8, 24}, Case{1001, 1004, 3012}}) {
        DIBSection image;
        image.Create(c.width, 3, 24);
        ASSERT_TRUE(image.IsValid());
        EXPECT_EQ(image.GetPaddedWidth(), c.padded) << c.width;
        EXPECT_EQ(image.GetPitch(), c.pitch) << c.width;
        EXPECT_EQ(image.GetInfoHeader().biWidth, c.padded);
        EXPECT_EQ(image.GetInfoHeader().biHeight, 3);
        EXPECT_EQ(image.GetInfoHeader().biSize, 40u);
        EXPECT_EQ(image.GetInfoHeader().biBitCount, 24);
    }
}

TEST(DIBSection, NewPixelsAreBlackAndFailedCreateIsEmpty) {
    DIBSection image;
    image.Create(3, 2, 24);
    for (std::size_t i = 0; i < image.GetImageBytes(); ++i)
        ASSERT_EQ(image.GetBits()[i], 0);

    image.Create(0, 5, 24);
    EXPECT_FALSE(image.IsValid());
    image.Create(100000, 100000, 24); // beyond the largest bitmap
    EXPECT_FALSE(image.IsValid());
    image.Create(-4, 5, 24);
    EXPECT_FALSE(image.IsValid());
}

TEST(DIBSection, PixelColorAddressesFromTheTop) {
    DIBSection image = Gradient(5, 3);
    unsigned char rgba[4] = {9, 9, 9, 9};
    image.GetPixelColor(0, 0, rgba);
    // The top-left pixel is the first pixel of the last memory row.
    EXPECT_EQ(image.MemoryRow(2)[1], 0);
    EXPECT_EQ(rgba[0], 7);
    EXPECT_EQ(rgba[1], 0);
    EXPECT_EQ(rgba[2], 0);
    EXPECT_EQ(rgba[3], 0);
    image.GetPixelColor(4, 2, rgba);
    EXPECT_EQ(rgba[2], 4); // blue = x
    EXPECT_EQ(rgba[1], 2); // green = y

    unsigned char untouched[4] = {1, 2, 3, 4};
    image.GetPixelColor(5, 0, untouched);
    image.GetPixelColor(0, 3, untouched);
    image.GetPixelColor(static_cast<unsigned>(-1), 0, untouched);
    EXPECT_EQ(std::memcmp(untouched, "\1\2\3\4", 4), 0);
}

TEST(DIBSection, CopyKeepsPaddingAndEmptyStaysEmpty) {
    DIBSection image = Gradient(5, 2);
    image.MemoryRow(0)[5 * 3] = 0xAB; // a padding byte
    DIBSection copy(image);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.GetWidth(), 5);
    EXPECT_EQ(std::memcmp(copy.GetBits(), image.GetBits(), image.GetImageBytes()), 0);

    DIBSection empty;
    copy.CopyFrom(empty);
    EXPECT_FALSE(copy.IsValid());
    EXPECT_EQ(copy.GetWidth(), 0);
    EXPECT_EQ(copy.GetPaddedWidth(), 0);
}

// Source column of each target column, read from the blue byte (= x).
std::vector<int> StretchedColumns(int sourceWidth, int targetWidth) {
    DIBSection source = Gradient(sourceWidth, 1), target;
    source.StretchTo(target, targetWidth, 1);
    std::vector<int> columns;
    for (int j = 0; j < targetWidth; ++j)
        columns.push_back(target.MemoryRow(0)[3 * j]);
    return columns;
}

TEST(DIBSection, StretchPicksNearestColumnsRoundingHalfUp) {
    EXPECT_EQ(StretchedColumns(2, 4), (std::vector<int>{0, 1, 1, 1}));
    EXPECT_EQ(StretchedColumns(4, 2), (std::vector<int>{0, 2}));
    EXPECT_EQ(StretchedColumns(5, 5), (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(DIBSection, StretchKeepsOrientationAndSameSizeIsACopy) {
    DIBSection source = Gradient(6, 4), same, tall;
    source.StretchTo(same, 6, 4);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(std::memcmp(same.MemoryRow(row), source.MemoryRow(row), 18), 0);

    source.StretchTo(tall, 6, 8);
    unsigned char top[4], bottom[4];
    tall.GetPixelColor(0, 0, top);
    tall.GetPixelColor(0, 7, bottom);
    EXPECT_EQ(top[1], 0);    // green = source y of the top row
    EXPECT_EQ(bottom[1], 3); // and of the bottom row

    DIBSection untouched = Gradient(2, 2);
    source.StretchTo(untouched, 0, 5);
    EXPECT_EQ(untouched.GetWidth(), 2);
}

} // namespace
} // namespace gc
