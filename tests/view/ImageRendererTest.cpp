// The viewer's derived display without windows: the pyramid's area averages against box means of
// the values, a deep zoom of a large image, and the read-out of wide samples.
#include "view/ImageRenderer.h"
#include "view/PixelReadout.h"

#include "image/MrcHeader.h"
#include "image/MrcReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
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

// Level k pixel (i, j) by brute force: the mean of the image's pixels in the 2^k block it covers, the
// block cut short at the right and bottom edges.
double BlockMean(const PixelStore& image, int level, int i, int j) {
    const int side = 1 << level;
    double sum = 0;
    int count = 0;
    for (int y = j * side; y < std::min(image.Height(), (j + 1) * side); ++y)
        for (int x = i * side; x < std::min(image.Width(), (i + 1) * side); ++x, ++count)
            sum += image.Value(x, y);
    return sum / count;
}

void FillPattern(PixelStore& image, SampleType type) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const int k = (x * 13 + y * 7 + (x * y) % 11) % 251;
            unsigned char* at = image.MutableRow(y) + static_cast<std::size_t>(x * SampleBytes(type));
            if (type == SampleType::UInt8) {
                *at = static_cast<unsigned char>(k);
            } else if (type == SampleType::Float32) {
                const float value = static_cast<float>(k) * 0.37f - 20.0f;
                std::memcpy(at, &value, 4);
            } else {
                const auto value =
                    static_cast<std::uint16_t>(type == SampleType::Int16 ? k * 100 - 12000 : k * 260);
                std::memcpy(at, &value, 2);
            }
        }
}

// Every level, from the values (1..DIRECT_LEVELS) and from the level below (above them), for every
// sample type, on an image whose size is odd at every level: the area average of the block, edges
// included.
TEST(ImageRenderer, EveryLevelIsTheBlockMeanOfTheValues) {
    for (const SampleType type :
         {SampleType::UInt8, SampleType::Int16, SampleType::UInt16, SampleType::Float32}) {
        PixelStore image;
        ASSERT_TRUE(image.Allocate(1001, 777, type));
        FillPattern(image, type);
        ImageRenderer renderer;
        renderer.SetImage(&image);
        for (int level = 1; level <= 7; ++level) {
            const int width = renderer.LevelWidth(level);
            const int height = renderer.LevelHeight(level);
            ASSERT_EQ(width, (1001 + (1 << level) - 1) >> level) << level;
            ASSERT_EQ(height, (777 + (1 << level) - 1) >> level) << level;
            std::vector<float> values(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
            renderer.ReadLevel(level, 0, 0, width, height, values.data());
            int wrong = 0;
            double worst = 0;
            for (int j = 0; j < height; ++j)
                for (int i = 0; i < width; ++i) {
                    const double expected = BlockMean(image, level, i, j);
                    const double error = std::abs(values[static_cast<std::size_t>(j * width + i)] - expected);
                    worst = std::max(worst, error);
                    wrong += error > 1e-3 * std::max(1.0, std::abs(expected)) ? 1 : 0;
                }
            EXPECT_EQ(wrong, 0) << "type " << static_cast<int>(type) << ", level " << level << ", worst "
                                << worst;
        }
    }
}

// A mapped file far larger than the renderer gives back while it averages: the averages are the
// same as from a copy in memory, the pages read again where they are needed.
TEST(ImageRenderer, AveragesOfAMappedFileSurviveGivingItsPagesBack) {
    constexpr int width = 5003, height = 4001; // 20 MB: pages given back after every two level-4 tiles
    PixelStore copy;
    ASSERT_TRUE(copy.Allocate(width, height, SampleType::UInt8));
    FillPattern(copy, SampleType::UInt8);
    MrcHeader header;
    header.SetImage(width, height, MRC_MODE_BYTE, 1);
    const auto headerBytes = header.Bytes();
    std::vector<unsigned char> file(headerBytes.begin(), headerBytes.end());
    for (int y = 0; y < height; ++y)
        file.insert(file.end(), copy.Row(y), copy.Row(y) + width);
    test::TempDir dir;
    test::WriteFileBytes(dir.File("big.mrc"), file);
    MrcFile mrc;
    ASSERT_EQ(mrc.Open(dir.File("big.mrc")), MrcReadOutcome::Read);
    PixelStore mapped;
    ASSERT_TRUE(mrc.Section(0, mapped));
    ASSERT_TRUE(mapped.IsMapped());

    ImageRenderer fromFile, fromCopy;
    fromFile.SetImage(&mapped);
    fromCopy.SetImage(&copy);
    for (const int level : {4, 3, 1}) {
        const int levelWidth = fromFile.LevelWidth(level);
        const int levelHeight = fromFile.LevelHeight(level);
        const std::size_t count =
            static_cast<std::size_t>(levelWidth) * static_cast<std::size_t>(levelHeight);
        std::vector<float> a(count), b(count);
        fromFile.ReadLevel(level, 0, 0, levelWidth, levelHeight, a.data());
        fromCopy.ReadLevel(level, 0, 0, levelWidth, levelHeight, b.data());
        EXPECT_EQ(a, b) << "level " << level;
    }
    EXPECT_TRUE(mapped.IsIntact());
}

// Tiles handed out from a picture held in memory, as a decoder of a compressed file would; counts
// its decodes.
class CopyTileSource final : public TileSource {
public:
    CopyTileSource(const PixelStore& picture, int tileWidth, int tileHeight)
        : m_picture(picture), m_nTileWidth(tileWidth), m_nTileHeight(tileHeight) {}
    bool Decode(std::size_t index, unsigned char* out) override {
        ++decodes;
        const int across = (m_picture.Width() + m_nTileWidth - 1) / m_nTileWidth;
        const int left = static_cast<int>(index) % across * m_nTileWidth;
        const int top = static_cast<int>(index) / across * m_nTileHeight;
        const auto bytes = static_cast<std::size_t>(SampleBytes(m_picture.Type()));
        for (int y = top; y < std::min(m_picture.Height(), top + m_nTileHeight); ++y)
            std::memcpy(out + static_cast<std::size_t>((y - top) * m_nTileWidth) * bytes,
                        m_picture.Row(y) + static_cast<std::size_t>(left) * bytes,
                        static_cast<std::size_t>(std::min(m_nTileWidth, m_picture.Width() - left)) * bytes);
        return true;
    }
    bool Intact() const override { return true; }
    std::atomic<int> decodes{0};

private:
    const PixelStore& m_picture;
    int m_nTileWidth, m_nTileHeight;
};

// Tiles stored in reverse order in a file and read in place, or decoded when touched and only a few
// kept (so that tiles are dropped while two threads average): every view (zoomed in, 1:1 across tile
// edges, averaged levels, levels made from the averaged ones), the picked values and the writers'
// picture are those of the same values held in one buffer.
TEST(ImageRenderer, TiledFileShowsAsItsValuesInOneBuffer) {
    const struct {
        SampleType type;
        int tileWidth, tileHeight;
        bool decoded;
    } cases[] = {{SampleType::UInt8, 48, 32, false},
                 {SampleType::UInt16, 256, 256, false},
                 {SampleType::Float32, 112, 80, false},
                 {SampleType::UInt8, 64, 48, true},
                 {SampleType::Float32, 32, 32, true}};
    constexpr int width = 1203, height = 777;
    const RenderView views[] = {{4.0, 1100, 900, 160, 120}, {1.0, 20, 10, 300, 200},
                                {0.7, 5, 3, 400, 300},      {1.0 / 3, 0, 0, 401, 259},
                                {1.0 / 16, 0, 0, 75, 48},   {1.0 / 40, 0, 0, 30, 19}};
    for (const auto& test : cases) {
        PixelStore copy;
        ASSERT_TRUE(copy.Allocate(width, height, test.type));
        FillPattern(copy, test.type);
        const int bytes = SampleBytes(test.type);
        const int across = (width + test.tileWidth - 1) / test.tileWidth;
        const int down = (height + test.tileHeight - 1) / test.tileHeight;
        const auto tileBytes = static_cast<std::size_t>(test.tileWidth * test.tileHeight * bytes);
        std::vector<unsigned char> file(100, 0); // a header of some kind before the tiles
        std::vector<std::size_t> offsets(static_cast<std::size_t>(across * down));
        for (int tile = across * down - 1; tile >= 0; --tile) {
            offsets[static_cast<std::size_t>(tile)] = file.size();
            file.resize(file.size() + tileBytes, 0);
            const int left = tile % across * test.tileWidth;
            const int top = tile / across * test.tileHeight;
            for (int y = top; y < std::min(height, top + test.tileHeight); ++y) {
                const int columns = std::min(test.tileWidth, width - left);
                std::memcpy(file.data() + offsets[static_cast<std::size_t>(tile)] +
                                static_cast<std::size_t>(((y - top) * test.tileWidth) * bytes),
                            copy.Row(y) + static_cast<std::size_t>(left * bytes),
                            static_cast<std::size_t>(columns * bytes));
            }
        }
        test::TempDir dir;
        test::WriteFileBytes(dir.File("tiles.raw"), file);
        PixelStore tiled;
        const auto source = std::make_shared<CopyTileSource>(copy, test.tileWidth, test.tileHeight);
        if (test.decoded)
            tiled.DecodeTiles(source, test.tileWidth, test.tileHeight, width, height, test.type,
                              8 * tileBytes);
        else
            tiled.MapTiles(FileMapping::Open(dir.File("tiles.raw")), offsets, test.tileWidth, test.tileHeight,
                           width, height, test.type);
        ASSERT_TRUE(tiled.IsTiled());

        ImageRenderer fromTiles, fromCopy;
        fromTiles.SetImage(&tiled);
        fromCopy.SetImage(&copy);
        const DisplayMapping mapping = DefaultMapping(test.type, fromCopy.Histogram());
        fromTiles.SetMapping(mapping);
        fromCopy.SetMapping(mapping);
        EXPECT_EQ(fromTiles.Histogram().counts, fromCopy.Histogram().counts) << SampleBytes(test.type);
        for (const RenderView& view : views) {
            const auto count = static_cast<std::size_t>(view.width * view.height);
            std::vector<std::uint32_t> a(count, 0), b(count, 0);
            fromTiles.Render(view, a.data(), view.width);
            fromCopy.Render(view, b.data(), view.width);
            ASSERT_EQ(a, b) << "bytes " << bytes << ", zoom " << view.zoom;
            EXPECT_NE(std::count(a.begin(), a.end(), a[0]), static_cast<std::ptrdiff_t>(count));
        }
        std::vector<float> picked(width), expected(width);
        for (int y = 0; y < height; y += 37) {
            tiled.ReadBoxValues(y, 0, width, picked.data());
            copy.ReadBoxValues(y, 0, width, expected.data());
            ASSERT_EQ(picked, expected) << "row " << y;
        }
        DIBSection fromTilesPicture, fromCopyPicture;
        PictureOf(tiled, WideToGrey::HighByte, fromTilesPicture);
        PictureOf(copy, WideToGrey::HighByte, fromCopyPicture);
        for (int y = 0; y < height; ++y)
            ASSERT_EQ(std::memcmp(fromTilesPicture.MemoryRow(y), fromCopyPicture.MemoryRow(y),
                                  static_cast<std::size_t>(width) * 3),
                      0)
                << "picture row " << y;
        // Decoded when touched: each tile once for the first views' levels, then again as dropped.
        if (test.decoded) {
            EXPECT_GT(source->decodes.load(), across * down);
        }
    }
}

// A reader's block means stand in for the level they belong to and every level above it: right ones
// show as the values do, and they are what is shown (wrong ones change the picture).
TEST(ImageRenderer, ReadersBlockMeansAreTheirLevel) {
    constexpr int width = 2011, height = 1500;
    PixelStore copy;
    ASSERT_TRUE(copy.Allocate(width, height, SampleType::UInt8));
    FillPattern(copy, SampleType::UInt8);
    ImageRenderer fromValues;
    fromValues.SetImage(&copy);
    const int averageWidth = fromValues.LevelWidth(4);
    const int averageHeight = fromValues.LevelHeight(4);
    for (const bool right : {true, false}) {
        PixelStore averages;
        ASSERT_TRUE(averages.Allocate(averageWidth, averageHeight, SampleType::Float32));
        for (int y = 0; y < averageHeight && right; ++y)
            fromValues.ReadLevel(4, 0, y, averageWidth, 1, reinterpret_cast<float*>(averages.MutableRow(y)));
        PixelStore withAverages;
        ASSERT_TRUE(withAverages.Allocate(width, height, SampleType::UInt8));
        for (int y = 0; y < height; ++y)
            std::memcpy(withAverages.MutableRow(y), copy.Row(y), width);
        withAverages.SetAverages(std::move(averages), 4);
        ImageRenderer fromAverages;
        fromAverages.SetImage(&withAverages);
        for (const double zoom : {1.0 / 16, 1.0 / 24, 1.0 / 64}) {
            const int columns = static_cast<int>(width * zoom);
            const int rows = static_cast<int>(height * zoom);
            std::vector<std::uint32_t> a(static_cast<std::size_t>(columns * rows)), b(a.size());
            fromAverages.Render({zoom, 0, 0, columns, rows}, a.data(), columns);
            fromValues.Render({zoom, 0, 0, columns, rows}, b.data(), columns);
            EXPECT_EQ(a == b, right) << "zoom " << zoom;
        }
    }
}

// How a value becomes a grey level: the window's ends, rounding, a window of no width, values that
// are not finite, and the inverted picture.
TEST(DisplayMapping, GreyLevelsOfTheWindow) {
    constexpr double INF = std::numeric_limits<double>::infinity();
    constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();
    const struct {
        DisplayMapping mapping;
        double value;
        int grey;
    } cases[] = {
        {{0, 255, false}, 0, 0},           {{0, 255, false}, 255, 255},   {{0, 255, false}, 127.5, 128},
        {{0, 255, false}, 127.49, 127},    {{-10, 10, false}, 0, 128},    {{-10, 10, false}, -11, 0},
        {{-10, 10, false}, 1e30, 255},     {{100, 200, false}, 150, 128}, {{100, 200, true}, 150, 127},
        {{100, 200, true}, 100, 255},      {{100, 200, true}, 250, 0},    {{5, 5, false}, 5, 0},
        {{5, 5, false}, 5.001, 255},       {{5, 5, true}, 4, 255},        {{0, 1, false}, NOT_A_NUMBER, 0},
        {{0, 1, true}, NOT_A_NUMBER, 255}, {{0, 1, false}, INF, 255},     {{0, 1, false}, -INF, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.mapping.Grey(c.value), c.grey)
            << c.mapping.low << ".." << c.mapping.high << (c.mapping.invert ? " inverted" : "") << " at "
            << c.value;
}

} // namespace
} // namespace gc
