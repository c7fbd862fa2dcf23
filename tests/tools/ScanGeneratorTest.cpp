#include "tools/ScanGenerator.h"
#include "core/TiffHandle.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <memory>

namespace gc::tools {
namespace {

using test::ReadFileBytes;
using test::TempDir;

using Tiff = gc::TiffHandle;

// A small scan with two images, one reaching into the last (partial) tile column and tile row.
ScanSpec SmallSpec(ScanCompression compression = ScanCompression::None) {
    ScanSpec recipe;
    recipe.m_nWidth = 700;
    recipe.m_nHeight = 500;
    recipe.m_nTileWidth = 128;
    recipe.m_nTileHeight = 96;
    recipe.m_compression = compression;
    recipe.m_nSeed = 7;
    recipe.m_placements = {{0, 37, 21, 300, 200}, {1, 401, 250, 299, 250}};
    return recipe;
}

// All pixels of the padded tile area, decoded with TIFFReadEncodedTile.
std::vector<std::uint8_t> DecodePadded(TIFF* tif, int* paddedWidth, int* paddedHeight) {
    std::uint32_t width = 0, height = 0, tileWidth = 0, tileHeight = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
    const int across = static_cast<int>((width + tileWidth - 1) / tileWidth);
    const int down = static_cast<int>((height + tileHeight - 1) / tileHeight);
    *paddedWidth = across * static_cast<int>(tileWidth);
    *paddedHeight = down * static_cast<int>(tileHeight);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(*paddedWidth) * *paddedHeight);
    std::vector<std::uint8_t> tile(TIFFTileSize(tif));
    EXPECT_EQ(static_cast<int>(TIFFNumberOfTiles(tif)), across * down);
    for (int t = 0; t < across * down; ++t) {
        if (TIFFReadEncodedTile(tif, t, tile.data(), -1) != static_cast<tmsize_t>(tile.size())) {
            ADD_FAILURE() << "tile " << t << " unreadable";
            return {};
        }
        const int left = (t % across) * tileWidth, top = (t / across) * tileHeight;
        for (std::uint32_t r = 0; r < tileHeight; ++r)
            std::copy_n(tile.data() + r * tileWidth, tileWidth,
                        pixels.data() + static_cast<std::size_t>(top + r) * *paddedWidth + left);
    }
    return pixels;
}

TEST(ScanGenerator, TagsOfEachCompression) {
    const std::pair<ScanCompression, std::uint16_t> cases[] = {
        {ScanCompression::None, COMPRESSION_NONE},
        {ScanCompression::Lzw, COMPRESSION_LZW},
        {ScanCompression::Deflate, COMPRESSION_ADOBE_DEFLATE},
        {ScanCompression::PackBits, COMPRESSION_PACKBITS}};
    TempDir dir;
    for (const auto& [compression, tag] : cases) {
        SCOPED_TRACE(CompressionName(compression));
        const std::string path = dir.File(std::string(CompressionName(compression)) + ".tif");
        std::string error;
        ASSERT_TRUE(GenerateScan(SmallSpec(compression), path, nullptr, &error)) << error;
        Tiff tif(TIFFOpen(path.c_str(), "r"));
        ASSERT_TRUE(tif);
        EXPECT_TRUE(TIFFIsTiled(tif.get()));
        EXPECT_EQ(TIFFNumberOfDirectories(tif.get()), 1);
        std::uint32_t width = 0, height = 0, tileWidth = 0, tileHeight = 0, rowsPerStrip = 0;
        std::uint16_t bits = 0, samples = 0, planar = 0, photometric = 0, compressionTag = 0, unit = 0;
        float xResolution = 0, yResolution = 0;
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_TILEWIDTH, &tileWidth));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_TILELENGTH, &tileHeight));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_PLANARCONFIG, &planar));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_COMPRESSION, &compressionTag));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xResolution));
        EXPECT_TRUE(TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &yResolution));
        EXPECT_FALSE(TIFFGetField(tif.get(), TIFFTAG_ROWSPERSTRIP, &rowsPerStrip));
        EXPECT_EQ(width, 700u);
        EXPECT_EQ(height, 500u);
        EXPECT_EQ(tileWidth, 128u);
        EXPECT_EQ(tileHeight, 96u);
        EXPECT_EQ(bits, 8);
        EXPECT_EQ(samples, 1);
        EXPECT_EQ(planar, PLANARCONFIG_CONTIG);
        EXPECT_EQ(photometric, PHOTOMETRIC_MINISBLACK);
        EXPECT_EQ(compressionTag, tag);
        EXPECT_EQ(unit, RESUNIT_INCH);
        EXPECT_FLOAT_EQ(xResolution, 3690.9375f);
        EXPECT_FLOAT_EQ(yResolution, 3632.2f);
        EXPECT_EQ(TIFFTileSize(tif.get()), 128 * 96);
        EXPECT_EQ(TIFFNumberOfTiles(tif.get()), 6u * 6u);
    }
}

// Every compression decodes to the same pixels, which are the painter's, with the promised ranges:
// background never above 50 (padding included), images never below ImageMin, bright at the corners.
TEST(ScanGenerator, EachCompressionDecodesToThePlacedImages) {
    TempDir dir;
    std::vector<std::uint8_t> reference;
    for (ScanCompression compression :
         {ScanCompression::None, ScanCompression::Lzw, ScanCompression::Deflate, ScanCompression::PackBits}) {
        SCOPED_TRACE(CompressionName(compression));
        const ScanSpec recipe = SmallSpec(compression);
        const std::string path = dir.File("scan.tif");
        std::vector<PlacedImage> placed;
        std::string error;
        ASSERT_TRUE(GenerateScan(recipe, path, &placed, &error)) << error;
        ASSERT_EQ(placed.size(), 2u);
        EXPECT_EQ(placed[1].m_nX, 401);
        EXPECT_EQ(placed[1].m_nHeight, 250);

        Tiff tif(TIFFOpen(path.c_str(), "r"));
        ASSERT_TRUE(tif);
        int paddedWidth = 0, paddedHeight = 0;
        const std::vector<std::uint8_t> pixels = DecodePadded(tif.get(), &paddedWidth, &paddedHeight);
        ASSERT_EQ(paddedWidth, 768);
        ASSERT_EQ(paddedHeight, 576);
        if (reference.empty())
            reference = pixels;
        EXPECT_TRUE(pixels == reference) << "pixels differ from the uncompressed scan";

        const ScanPainter painter(recipe, placed);
        int backgroundPixels = 0, imagePixels = 0;
        for (int y = 0; y < paddedHeight; ++y) {
            for (int x = 0; x < paddedWidth; ++x) {
                const int value = pixels[static_cast<std::size_t>(y) * paddedWidth + x];
                ASSERT_EQ(value, painter.Pixel(x, y)) << x << "," << y;
                bool inside = false;
                for (const PlacedImage& image : placed)
                    inside = inside || (x >= image.m_nX && x < image.m_nX + image.m_nWidth &&
                                        y >= image.m_nY && y < image.m_nY + image.m_nHeight);
                if (inside) {
                    ASSERT_GE(value, ImageMin(recipe)) << x << "," << y;
                    ASSERT_GT(value, 50);
                    ++imagePixels;
                } else {
                    ASSERT_LE(value, BackgroundMax(recipe)) << x << "," << y;
                    ASSERT_LE(value, 50);
                    ++backgroundPixels;
                }
            }
        }
        EXPECT_EQ(imagePixels, 300 * 200 + 299 * 250);
        EXPECT_EQ(backgroundPixels, 768 * 576 - imagePixels);

        // At and just outside each corner.
        auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * paddedWidth + x]; };
        for (const PlacedImage& image : placed) {
            const int right = image.m_nX + image.m_nWidth - 1, bottom = image.m_nY + image.m_nHeight - 1;
            EXPECT_GT(at(image.m_nX, image.m_nY), 50);
            EXPECT_GT(at(right, bottom), 50);
            EXPECT_LE(at(image.m_nX - 1, image.m_nY), 50);
            EXPECT_LE(at(image.m_nX, image.m_nY - 1), 50);
            EXPECT_LE(at(image.m_nX - 1, image.m_nY - 1), 50);
            EXPECT_LE(at(right + 1, bottom), 50);
            EXPECT_LE(at(right, bottom + 1), 50);
        }
    }
}

TEST(ScanGenerator, ImagesAreEdgedAndTextured) {
    const ScanSpec recipe = SmallSpec();
    const ScanPainter painter(recipe, recipe.m_placements);
    const PlacedImage& image = recipe.m_placements[0];
    int edgeMin = 255, insideMin = 255, insideMax = 0;
    for (int y = image.m_nY; y < image.m_nY + image.m_nHeight; ++y) {
        for (int x = image.m_nX; x < image.m_nX + image.m_nWidth; ++x) {
            const int u = x - image.m_nX, v = y - image.m_nY;
            const bool edge = u < recipe.m_nEdgeWidth || v < recipe.m_nEdgeWidth ||
                              u >= image.m_nWidth - recipe.m_nEdgeWidth ||
                              v >= image.m_nHeight - recipe.m_nEdgeWidth;
            const int value = painter.Pixel(x, y);
            if (edge) {
                edgeMin = std::min(edgeMin, value);
            } else {
                insideMin = std::min(insideMin, value);
                insideMax = std::max(insideMax, value);
            }
        }
    }
    EXPECT_GE(edgeMin, recipe.m_nEdgeLevel - recipe.m_nEdgeNoise);
    EXPECT_GT(edgeMin, insideMax) << "the frame is the brightest part of an image";
    EXPECT_GE(insideMin, ImageMin(recipe));
    EXPECT_GT(insideMax - insideMin, 2 * recipe.m_nImageNoise)
        << "the inside carries texture, not only noise";
}

TEST(ScanGenerator, SameSeedSameFileOtherSeedOtherPixels) {
    TempDir dir;
    ScanSpec recipe = SmallSpec(ScanCompression::Deflate);
    ASSERT_TRUE(GenerateScan(recipe, dir.File("a.tif"), nullptr, nullptr));
    ASSERT_TRUE(GenerateScan(recipe, dir.File("b.tif"), nullptr, nullptr));
    const auto first = ReadFileBytes(dir.File("a.tif"));
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == ReadFileBytes(dir.File("b.tif")));

    recipe.m_nSeed = 8;
    ASSERT_TRUE(GenerateScan(recipe, dir.File("c.tif"), nullptr, nullptr));
    EXPECT_FALSE(first == ReadFileBytes(dir.File("c.tif")));

    // Pixels depend on position only, not on the tile size.
    ScanSpec retiled = SmallSpec();
    ASSERT_TRUE(GenerateScan(retiled, dir.File("d.tif"), nullptr, nullptr));
    retiled.m_nTileWidth = 256;
    retiled.m_nTileHeight = 16;
    ASSERT_TRUE(GenerateScan(retiled, dir.File("e.tif"), nullptr, nullptr));
    Tiff d(TIFFOpen(dir.File("d.tif").c_str(), "r")), e(TIFFOpen(dir.File("e.tif").c_str(), "r"));
    ASSERT_TRUE(d && e);
    int wd = 0, hd = 0, we = 0, he = 0;
    const auto pd = DecodePadded(d.get(), &wd, &hd), pe = DecodePadded(e.get(), &we, &he);
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 700; ++x)
            ASSERT_EQ(pd[static_cast<std::size_t>(y) * wd + x], pe[static_cast<std::size_t>(y) * we + x]);
}

TEST(ScanGenerator, RefusesUnusableSpecs) {
    TempDir dir;
    std::string error;
    ScanSpec recipe = SmallSpec();
    recipe.m_nTileWidth = 100;
    EXPECT_FALSE(GenerateScan(recipe, dir.File("x.tif"), nullptr, &error));
    EXPECT_FALSE(error.empty());

    recipe = SmallSpec();
    recipe.m_nBackgroundMean = 40; // 40 + 16 would reach past the dark threshold
    EXPECT_FALSE(GenerateScan(recipe, dir.File("x.tif"), nullptr, &error));

    recipe = SmallSpec();
    recipe.m_nImageLevel = 70; // 70 - 40 - 12 would be dark
    EXPECT_FALSE(GenerateScan(recipe, dir.File("x.tif"), nullptr, &error));

    recipe = SmallSpec();
    EXPECT_FALSE(GenerateScan(recipe, dir.File("no-such-folder/x.tif"), nullptr, &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;

    // 9 cm images do not fit three across a 36,000-pixel scan: refused before anything is written.
    recipe = ScanSpec();
    recipe.m_dImageWidthCm = 9;
    error.clear();
    EXPECT_FALSE(GenerateScan(recipe, dir.File("wide.tif"), nullptr, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("wide.tif")));
}

TEST(MakeScan, WritesTheScanAndPrintsThePlaces) {
    TempDir dir;
    const std::string path = dir.File("cli.tif");
    std::string output;
    EXPECT_EQ(test::RunCommand(std::string(GC_MAKE_SCAN) +
                                   " --width 768 --height 19500 --tile-width 256 --tile-height 256 --margin 0"
                                   " --jitter 30 --compression packbits --seed 3 --images 1 --width-cm 0.4"
                                   " --height-cm 2 " +
                                   path,
                               &output),
              0);
    EXPECT_NE(output.find("image 1: x "), std::string::npos) << output;
    EXPECT_NE(output.find(" width 581 height 2860"), std::string::npos) << output;
    EXPECT_EQ(output.find("image 2"), std::string::npos) << output;
    Tiff tif(TIFFOpen(path.c_str(), "r"));
    ASSERT_TRUE(tif);
    std::uint16_t compression = 0;
    TIFFGetField(tif.get(), TIFFTAG_COMPRESSION, &compression);
    EXPECT_EQ(compression, COMPRESSION_PACKBITS);

    EXPECT_NE(test::RunCommand(std::string(GC_MAKE_SCAN) + " --compression jpeg " + dir.File("bad.tif") +
                               " 2>/dev/null"),
              0);
}

} // namespace
} // namespace gc::tools
