// The viewer's derived display without windows: the pyramid's area averages against box means of
// the values, a deep zoom of a large image, and the read-out of wide samples.
#include "view/ImageRenderer.h"
#include "view/PixelReadout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace gc {
namespace {

std::uint32_t GreyWord(unsigned grey) {
    return 0xff000000u | grey << 16 | grey << 8 | grey;
}

// Noise with a faint disc, so that a sampled shrink and an averaged one differ.
void FillNoise(PixelStore& image) {
    std::srand(7);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const int disc = (x - 100) * (x - 100) + (y - 90) * (y - 90) < 40 * 40 ? 12 : 0;
            image.MutableRow(y)[x] = static_cast<unsigned char>(100 + disc + std::rand() % 60);
        }
}

// At 1/8 (and 1/16, from the level above the direct ones when deep enough) every screen pixel is the
// mean of the image block it covers, within one grey level.
TEST(ImageRenderer, ShrunkViewIsTheBoxMeanOfTheValues) {
    PixelStore image;
    ASSERT_TRUE(image.Allocate(803, 611, SampleType::UInt8));
    FillNoise(image);
    ImageRenderer renderer;
    renderer.SetImage(&image);
    for (const int block : {8, 16}) {
        const double zoom = 1.0 / block;
        const int width = static_cast<int>(803 * zoom);
        const int height = static_cast<int>(611 * zoom);
        std::vector<std::uint32_t> shown(static_cast<std::size_t>(width * height), 0);
        renderer.Render({zoom, 0, 0, width, height}, shown.data(), width);
        for (int sy = 0; sy < height; ++sy)
            for (int sx = 0; sx < width; ++sx) {
                double sum = 0;
                for (int y = sy * block; y < (sy + 1) * block; ++y)
                    for (int x = sx * block; x < (sx + 1) * block; ++x)
                        sum += image.Value(x, y);
                const int mean = static_cast<int>(std::lround(sum / (block * block)));
                const int grey = static_cast<int>(shown[static_cast<std::size_t>(sy * width + sx)] & 0xff);
                ASSERT_LE(std::abs(grey - mean), 1) << "block " << block << " at " << sx << ", " << sy;
            }
    }
}

// A Run output's size at 400 %, scrolled into its far corner: every pixel painted, each the value
// under it; at 1 % the whole image is still painted.
TEST(ImageRenderer, DeepZoomOfALargeImageIsNeverBlank) {
    PixelStore image;
    ASSERT_TRUE(image.Allocate(11625, 14300, SampleType::UInt8));
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.MutableRow(y)[x] = static_cast<unsigned char>(1 + (x + y) % 200);
    ImageRenderer renderer;
    renderer.SetImage(&image);
    constexpr int WIDTH = 400, HEIGHT = 300;
    std::vector<std::uint32_t> shown(WIDTH * HEIGHT, 0);
    const std::int64_t left = 11625 * 4 - WIDTH, top = 14300 * 4 - HEIGHT;
    renderer.Render({4.0, left, top, WIDTH, HEIGHT}, shown.data(), WIDTH);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) {
            const int ix = static_cast<int>((left + x) / 4), iy = static_cast<int>((top + y) / 4);
            ASSERT_EQ(shown[static_cast<std::size_t>(y * WIDTH + x)],
                      GreyWord(static_cast<unsigned>(image.Value(ix, iy))));
        }
    std::vector<std::uint32_t> whole(116 * 143, 0);
    renderer.Render({0.01, 0, 0, 116, 143}, whole.data(), 116);
    for (const std::uint32_t word : whole)
        ASSERT_NE(word, 0u);
}

// The read-out names the stored value of 16-bit and float images, not a display grey level, and the
// display of a wide image starts with the automatic window over its values.
TEST(ImageRenderer, WideSamplesReadOutAsStored) {
    PixelStore wide;
    ASSERT_TRUE(wide.Allocate(4, 2, SampleType::UInt16));
    reinterpret_cast<std::uint16_t*>(wide.MutableRow(1))[3] = 60000;
    EXPECT_EQ(StoreValuePaneText(wide, 3, 1), "value 60000");
    PixelStore floats;
    ASSERT_TRUE(floats.Allocate(4, 2, SampleType::Float32));
    reinterpret_cast<float*>(floats.MutableRow(0))[2] = -0.375f;
    EXPECT_EQ(StoreValuePaneText(floats, 2, 0), "value -0.375");
    EXPECT_FLOAT_EQ(floats.BoxValue(2, 0), -0.375f);
    PixelStore colour;
    ASSERT_TRUE(colour.Allocate(2, 1, SampleType::UInt8, 3));
    colour.MutableRow(0)[3] = 10, colour.MutableRow(0)[4] = 20, colour.MutableRow(0)[5] = 31;
    EXPECT_EQ(StoreValuePaneText(colour, 1, 0), "RGB 10, 20, 31");
    EXPECT_FLOAT_EQ(colour.BoxValue(1, 0), 20.0f);
}

} // namespace
} // namespace gc
