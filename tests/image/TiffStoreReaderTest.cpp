// The TIFF reader of the viewer's store on files written here with the library: every sample type it
// reads as it is, in strips and in tiles, plain and compressed, gives back the values written, with
// partial tiles at the right and bottom edges; uncompressed tiles are read where they lie in the file.
#include "image/TiffStoreReader.h"
#include "core/TiffHandle.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace gc {
namespace {

struct Layout {
    const char* name;
    int bits;
    int format; // SAMPLEFORMAT_UINT, _INT or _IEEEFP
    bool tiled;
    int compression;
    SampleType type;
    bool mapped; // read in place, not decoded into a buffer
};

// The value of pixel (x, y) for a layout: negative, above 32767 and fractional where the type holds it.
double ValueAt(const Layout& layout, int x, int y) {
    const int k = x * 7 + y * 31;
    if (layout.format == SAMPLEFORMAT_IEEEFP)
        return k * 0.25 - 100.5;
    if (layout.bits == 8)
        return k % 256;
    return layout.format == SAMPLEFORMAT_INT ? k * 37 % 65536 - 32768 : k * 41 % 65536;
}

void PutSample(const Layout& layout, double value, unsigned char* at) {
    if (layout.format == SAMPLEFORMAT_IEEEFP) {
        const auto sample = static_cast<float>(value);
        std::memcpy(at, &sample, 4);
    } else if (layout.bits == 8) {
        *at = static_cast<unsigned char>(value);
    } else {
        const auto sample = static_cast<std::uint16_t>(static_cast<std::int32_t>(value));
        std::memcpy(at, &sample, 2);
    }
}

// A width × height grey file of `layout`, in 16 × 16 tiles or strips of 8 rows.
bool WriteLayout(const std::string& path, const Layout& layout, int width, int height) {
    TiffHandle handle(TIFFOpen(path.c_str(), "w"));
    if (!handle)
        return false;
    TIFF* tiff = handle.get();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, layout.format);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const int bytes = layout.bits / 8;
    const int blockWidth = layout.tiled ? 16 : width;
    const int blockHeight = layout.tiled ? 16 : 8;
    if (layout.tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, blockHeight);
    }
    std::vector<unsigned char> block(static_cast<std::size_t>(blockWidth * blockHeight * bytes));
    int index = 0;
    for (int top = 0; top < height; top += blockHeight)
        for (int left = 0; left < width; left += blockWidth, ++index) {
            std::fill(block.begin(), block.end(), 0);
            for (int y = top; y < std::min(height, top + blockHeight); ++y)
                for (int x = left; x < std::min(width, left + blockWidth); ++x)
                    PutSample(layout, ValueAt(layout, x, y),
                              block.data() + ((y - top) * blockWidth + (x - left)) * bytes);
            // A strip is only as long as the rows it holds.
            const int rows = std::min(blockHeight, height - top);
            const tmsize_t size = layout.tiled ? static_cast<tmsize_t>(block.size())
                                               : static_cast<tmsize_t>(rows * blockWidth * bytes);
            if ((layout.tiled
                     ? TIFFWriteEncodedTile(tiff, static_cast<std::uint32_t>(index), block.data(), size)
                     : TIFFWriteEncodedStrip(tiff, static_cast<std::uint32_t>(index), block.data(), size)) <
                0)
                return false;
        }
    return TIFFWriteDirectory(tiff) != 0;
}

TEST(TiffStoreReader, EveryPlainLayoutGivesBackItsValues) {
    const Layout layouts[] = {
        {"8-bit strips", 8, SAMPLEFORMAT_UINT, false, COMPRESSION_NONE, SampleType::UInt8, true},
        {"8-bit tiles", 8, SAMPLEFORMAT_UINT, true, COMPRESSION_NONE, SampleType::UInt8, true},
        {"8-bit tiles, Deflate", 8, SAMPLEFORMAT_UINT, true, COMPRESSION_ADOBE_DEFLATE, SampleType::UInt8,
         false},
        {"unsigned 16-bit strips, LZW", 16, SAMPLEFORMAT_UINT, false, COMPRESSION_LZW, SampleType::UInt16,
         false},
        {"unsigned 16-bit tiles", 16, SAMPLEFORMAT_UINT, true, COMPRESSION_NONE, SampleType::UInt16, true},
        {"signed 16-bit strips", 16, SAMPLEFORMAT_INT, false, COMPRESSION_NONE, SampleType::Int16, false},
        {"signed 16-bit tiles", 16, SAMPLEFORMAT_INT, true, COMPRESSION_NONE, SampleType::Int16, true},
        {"float strips", 32, SAMPLEFORMAT_IEEEFP, false, COMPRESSION_NONE, SampleType::Float32, false},
        {"float tiles", 32, SAMPLEFORMAT_IEEEFP, true, COMPRESSION_NONE, SampleType::Float32, true},
        {"float tiles, Deflate", 32, SAMPLEFORMAT_IEEEFP, true, COMPRESSION_ADOBE_DEFLATE,
         SampleType::Float32, false},
    };
    constexpr int width = 45, height = 37; // partial tiles and a short last strip
    for (const Layout& layout : layouts) {
        test::TempDir dir;
        const std::string path = dir.File("layout.tif");
        ASSERT_TRUE(WriteLayout(path, layout, width, height)) << layout.name;
        EXPECT_TRUE(IsPlainTiffLayout(path, 0)) << layout.name;
        PixelStore store;
        test::RecordingMessages messages;
        ASSERT_EQ(ReadTiffStore(path, 0, store, messages), TiffStoreOutcome::Read) << layout.name;
        EXPECT_TRUE(messages.m_shown.empty()) << layout.name;
        EXPECT_EQ(store.Type(), layout.type) << layout.name;
        ASSERT_EQ(store.Width(), width);
        ASSERT_EQ(store.Height(), height);
        EXPECT_EQ(store.IsMapped(), layout.mapped) << layout.name;
        EXPECT_EQ(store.IsTiled(), layout.tiled) << layout.name;
        // Every value, one by one, as a row copied across tile edges, and as picked boxes read them.
        int wrong = 0;
        const int bytes = SampleBytes(layout.type);
        std::vector<unsigned char> row(static_cast<std::size_t>(width * bytes));
        std::vector<unsigned char> expected(row.size());
        std::vector<float> boxValues(static_cast<std::size_t>(width - 3));
        for (int y = 0; y < height; ++y) {
            store.CopyRow(y, 3, width - 3, row.data());
            store.ReadBoxValues(y, 3, width - 3, boxValues.data());
            for (int x = 0; x < width; ++x) {
                wrong += store.Value(x, y) == ValueAt(layout, x, y) ? 0 : 1;
                PutSample(layout, ValueAt(layout, x, y), expected.data() + x * bytes);
                if (x >= 3)
                    wrong += boxValues[static_cast<std::size_t>(x - 3)] ==
                                     static_cast<float>(ValueAt(layout, x, y))
                                 ? 0
                                 : 1;
            }
            wrong += std::equal(row.begin(), row.begin() + (width - 3) * bytes, expected.begin() + 3 * bytes)
                         ? 0
                         : 1;
        }
        EXPECT_EQ(wrong, 0) << layout.name << ": first value " << store.Value(0, 0);

        // A store that reads the file again (mapped, or tiles decoded on demand) knows when the file
        // is cut short under it; one that holds the values does not need to.
        EXPECT_TRUE(store.IsIntact()) << layout.name;
        ASSERT_EQ(::truncate(path.c_str(), 100), 0);
        EXPECT_EQ(store.IsIntact(), !layout.mapped && !layout.tiled) << layout.name;

        // Decoded tiles come with the means of their 16 × 16 blocks, cut short at the edges.
        const PixelStore* averages = store.Averages();
        ASSERT_EQ(averages != nullptr, layout.tiled && !layout.mapped) << layout.name;
        if (averages == nullptr)
            continue;
        EXPECT_EQ(store.AveragesLevel(), 4);
        ASSERT_EQ(averages->Width(), 3);
        ASSERT_EQ(averages->Height(), 3);
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) {
                double sum = 0;
                int count = 0;
                for (int y = j * 16; y < std::min(height, j * 16 + 16); ++y)
                    for (int x = i * 16; x < std::min(width, i * 16 + 16); ++x, ++count)
                        sum += ValueAt(layout, x, y);
                EXPECT_NEAR(averages->Value(i, j), sum / count, 1e-4 * std::abs(sum / count))
                    << layout.name << " block " << i << ", " << j;
            }
    }
}

} // namespace
} // namespace gc
