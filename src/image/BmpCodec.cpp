// BMP decoding and encoding. Layout of the file (all integers little-endian):
//   14-byte file header: signature "BM", file size, two reserved words, offset of the pixel data;
//   information header (40 bytes or a larger version of it): its size, width, height, planes, bits per
//   pixel, compression, image data size, resolutions, colours used, important colours;
//   palette (4 bytes per colour: blue, green, red, reserved), then the pixel array, bottom row first,
//   every row padded to a multiple of 4 bytes.
// The reader takes the pixel array right after the palette, which starts right after the information
// header; the pixel-data offset of the file header is not consulted.
#include "image/BmpCodec.h"
#include "core/FileHandles.h"
#include "image/ImageLimits.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <vector>

namespace gc {
namespace {

// File header.
constexpr std::size_t BMP_FILE_HEADER_SIZE = 14;
constexpr std::size_t OFFSET_SIGNATURE = 0;
constexpr std::size_t OFFSET_FILE_SIZE = 2;
constexpr std::size_t OFFSET_PIXEL_DATA_OFFSET = 10;
// Information header, counted from the start of the file.
constexpr std::size_t OFFSET_INFO_HEADER_SIZE = 14;
constexpr std::size_t OFFSET_WIDTH = 18;
constexpr std::size_t OFFSET_HEIGHT = 22;
constexpr std::size_t OFFSET_PLANES = 26;
constexpr std::size_t OFFSET_BITS_PER_PIXEL = 28;
constexpr std::size_t OFFSET_COMPRESSION = 30;
constexpr std::size_t OFFSET_IMAGE_DATA_SIZE = 34;
constexpr std::size_t OFFSET_COLOURS_USED = 46;
constexpr std::uint32_t BMP_INFO_HEADER_SIZE = 40;
constexpr std::size_t BMP_HEADERS_SIZE = BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE;

constexpr std::size_t PALETTE_ENTRY_SIZE = 4;
constexpr std::uint32_t COMPRESSION_NONE = 0;
constexpr std::uint32_t COMPRESSION_RLE8 = 1;
constexpr std::uint32_t COMPRESSION_RLE4 = 2;

// Run-length escapes (first byte 0, second byte one of these).
constexpr unsigned char RLE_END_OF_LINE = 0;
constexpr unsigned char RLE_END_OF_BITMAP = 1;
constexpr unsigned char RLE_DELTA = 2;

constexpr int BYTES_PER_PIXEL = 3;

// The most pixels one run-length pair paints.
constexpr std::int64_t MAX_RUN_PIXELS = 255;
// Bytes of a bitmap that the file's pixel data could not fill which are still accepted.
constexpr std::int64_t UNFILLED_ALLOWANCE = std::int64_t{1} << 20;

std::uint16_t GetU16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t GetU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t GetI32(const unsigned char* p) {
    return static_cast<std::int32_t>(GetU32(p));
}

void PutU16(unsigned char* p, std::uint16_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
}

void PutU32(unsigned char* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Bytes per file row for the given width and bit depth: padded to a multiple of 4 bytes.
std::size_t FileRowLength(int width, int bitsPerPixel) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}

// The palette as far as the file holds it. An index beyond it gives black.
class Palette {
public:
    Palette(const unsigned char* entries, std::size_t colours) : m_pEntries(entries), m_nColours(colours) {}

    void Paint(unsigned char* pixel, unsigned index) const {
        if (index < m_nColours) {
            const unsigned char* entry = m_pEntries + index * PALETTE_ENTRY_SIZE;
            pixel[0] = entry[0];
            pixel[1] = entry[1];
            pixel[2] = entry[2];
        } else {
            pixel[0] = pixel[1] = pixel[2] = 0;
        }
    }

private:
    const unsigned char* m_pEntries;
    std::size_t m_nColours;
};

// Uncompressed 1-, 4- or 8-bit rows: indexes packed most significant bits first.
void DecodeIndexedRows(const unsigned char* data, std::size_t size, int bitsPerPixel, const Palette& palette,
                       DIBSection& image) {
    const int width = image.GetWidth();
    const std::size_t rowLength = FileRowLength(width, bitsPerPixel);
    const unsigned mask = (1u << bitsPerPixel) - 1;
    for (int row = 0; row < image.GetHeight(); ++row) {
        const std::size_t rowStart = static_cast<std::size_t>(row) * rowLength;
        if (rowStart >= size)
            return;
        const std::size_t available = std::min(rowLength, size - rowStart);
        const unsigned char* source = data + rowStart;
        unsigned char* target = image.MemoryRow(row);
        for (int x = 0; x < width; ++x) {
            const std::size_t bit = static_cast<std::size_t>(x) * bitsPerPixel;
            if (bit / 8 >= available)
                break;
            const int shift = 8 - bitsPerPixel - static_cast<int>(bit % 8);
            palette.Paint(target + static_cast<std::size_t>(x) * BYTES_PER_PIXEL,
                          (source[bit / 8] >> shift) & mask);
        }
    }
}

// Uncompressed 24-bit rows are the image's own layout: each file row, padding included, is copied.
void DecodeTrueColourRows(const unsigned char* data, std::size_t size, DIBSection& image) {
    const std::size_t rowLength = FileRowLength(image.GetWidth(), 24);
    for (int row = 0; row < image.GetHeight(); ++row) {
        const std::size_t rowStart = static_cast<std::size_t>(row) * rowLength;
        if (rowStart >= size)
            return;
        std::memcpy(image.MemoryRow(row), data + rowStart, std::min(rowLength, size - rowStart));
    }
}

// RLE8 and RLE4. The position starts at the bottom-left; pixels outside the image are counted but not
// stored, and decoding ends at the end-of-bitmap escape or where the data ends.
void DecodeRunLength(const unsigned char* data, std::size_t size, bool fourBit, const Palette& palette,
                     DIBSection& image) {
    const std::int64_t width = image.GetWidth();
    const std::int64_t height = image.GetHeight();
    std::int64_t x = 0;
    std::int64_t y = 0;
    auto put = [&](unsigned index) {
        if (x < width && y < height)
            palette.Paint(image.MemoryRow(static_cast<int>(y)) + x * BYTES_PER_PIXEL, index);
        ++x;
    };

    std::size_t position = 0;
    while (size - position >= 2) {
        const unsigned count = data[position];
        const unsigned value = data[position + 1];
        position += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(fourBit ? ((i % 2 == 0) ? value >> 4 : value & 0x0f) : value);
            continue;
        }
        if (value == RLE_END_OF_LINE) {
            ++y;
            x = 0;
        } else if (value == RLE_END_OF_BITMAP) {
            return;
        } else if (value == RLE_DELTA) {
            if (size - position < 2)
                return;
            x += data[position];
            y += data[position + 1];
            position += 2;
        } else {
            // Absolute run of `value` indexes, padded to a 16-bit boundary.
            const std::size_t byteCount = fourBit ? (value + 1) / 2 : value;
            for (unsigned i = 0; i < value; ++i) {
                const std::size_t at = position + (fourBit ? i / 2 : i);
                if (at >= size)
                    return;
                put(fourBit ? ((i % 2 == 0) ? data[at] >> 4 : data[at] & 0x0f) : data[at]);
            }
            position += byteCount + byteCount % 2;
            if (position > size)
                return;
        }
    }
}

// Whether `pixelBytes` bytes of pixel data could fill a width × height image closely enough to be
// given one. The bitmap is refused when more than UNFILLED_ALLOWANCE bytes of it are beyond anything
// the data could paint, counted at the densest code of the file's kind:
//   - run-length (RLE8, RLE4): a 2-byte run paints at most 255 pixels, and escapes paint none (a
//     move or an end of line only skips pixels, which stay black);
//   - uncompressed rows: each byte holds at most 8 / bits-per-pixel pixels;
//   - kinds that are not decoded (16 or 32 bits, other compressions): their image stays black, so
//     they are measured by the most generous of the two, the run-length bound.
// So a file cut short near its end, or a small picture whose data is missing, still opens as far as
// its data goes, but a small file cannot make a large buffer it could never fill.
bool DataCanFill(std::size_t pixelBytes, int bitsPerPixel, std::uint32_t compression, std::int64_t width,
                 std::int64_t height) {
    const bool runLength = (bitsPerPixel == 8 && compression == COMPRESSION_RLE8) ||
                           (bitsPerPixel == 4 && compression == COMPRESSION_RLE4);
    const bool uncompressed =
        !runLength && (bitsPerPixel == 1 || bitsPerPixel == 24 ||
                       ((bitsPerPixel == 4 || bitsPerPixel == 8) && compression == COMPRESSION_NONE));
    const std::int64_t bytes = static_cast<std::int64_t>(std::min<std::size_t>(pixelBytes, INT64_MAX / 8));
    const std::int64_t paintable = uncompressed ? bytes * 8 / bitsPerPixel : (bytes / 2) * MAX_RUN_PIXELS;
    const std::int64_t pixels = width * height;
    if (paintable >= pixels)
        return true;
    return (pixels - paintable) * BYTES_PER_PIXEL <= UNFILLED_ALLOWANCE;
}

} // namespace

int ReadBmpFile(const std::string& path, DIBSection& image) {
    image.Destroy();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return 0;
    // Only a regular file has a length to read (a folder or a device would claim another).
    struct stat status {};
    if (fstat(fileno(file.get()), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0)
        return 0;
    std::vector<unsigned char> bytes;
    try {
        bytes.resize(static_cast<std::size_t>(status.st_size));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        return 0;
    file.reset();
    return DecodeBmp(bytes.size(), bytes.data(), image);
}

int DecodeBmp(std::size_t byteCount, const unsigned char* bytes, DIBSection& image) {
    image.Destroy();
    if (bytes == nullptr || byteCount < BMP_HEADERS_SIZE)
        return 0;

    const std::uint32_t headerSize = GetU32(bytes + OFFSET_INFO_HEADER_SIZE);
    const std::int32_t width = GetI32(bytes + OFFSET_WIDTH);
    const std::int32_t height = GetI32(bytes + OFFSET_HEIGHT);
    const int bitsPerPixel = GetU16(bytes + OFFSET_BITS_PER_PIXEL);
    const std::uint32_t compression = GetU32(bytes + OFFSET_COMPRESSION);
    const std::uint32_t coloursUsed = GetU32(bytes + OFFSET_COLOURS_USED);
    // Older, shorter information headers are not supported.
    if (headerSize < BMP_INFO_HEADER_SIZE)
        return 0;

    std::uint64_t paletteColours = coloursUsed;
    if (paletteColours == 0 && (bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8))
        paletteColours = std::uint64_t{1} << bitsPerPixel;

    if (width <= 0 || height <= 0)
        return 0;
    if (!FitsViewImageLimit(width, height))
        return READ_TOO_LARGE;

    // The data block follows the information header: the palette, then the pixel array.
    const std::uint64_t dataStart = BMP_FILE_HEADER_SIZE + std::uint64_t{headerSize};
    const std::size_t dataSize = dataStart < byteCount ? byteCount - static_cast<std::size_t>(dataStart) : 0;
    const unsigned char* data = bytes + (dataSize > 0 ? dataStart : byteCount);
    const std::uint64_t paletteBytes = paletteColours * PALETTE_ENTRY_SIZE;
    const std::size_t pixelOffset = static_cast<std::size_t>(std::min<std::uint64_t>(paletteBytes, dataSize));
    const unsigned char* pixels = data + pixelOffset;
    const std::size_t pixelBytes = dataSize - pixelOffset;
    if (!DataCanFill(pixelBytes, bitsPerPixel, compression, width, height))
        return 0;

    image.Create(width, height, 24);
    if (!image.IsValid())
        return 0;
    const Palette palette(data, static_cast<std::size_t>(
                                    std::min<std::uint64_t>(paletteColours, dataSize / PALETTE_ENTRY_SIZE)));

    if (bitsPerPixel == 1 || (bitsPerPixel == 4 && compression == COMPRESSION_NONE) ||
        (bitsPerPixel == 8 && compression == COMPRESSION_NONE)) {
        DecodeIndexedRows(pixels, pixelBytes, bitsPerPixel, palette, image);
    } else if (bitsPerPixel == 4 && compression == COMPRESSION_RLE4) {
        DecodeRunLength(pixels, pixelBytes, true, palette, image);
    } else if (bitsPerPixel == 8 && compression == COMPRESSION_RLE8) {
        DecodeRunLength(pixels, pixelBytes, false, palette, image);
    } else if (bitsPerPixel == 24) {
        DecodeTrueColourRows(pixels, pixelBytes, image);
    } else {
        return 0; // unsupported depth or compression: the image stays black
    }
    return 1;
}

namespace {

// Writes the grey palette (256 levels) and each row's blue channel, one byte per pixel, the row's
// padding zero-filled. False when a write failed.
bool WriteGreyPixels(std::FILE* file, const DIBSection& image, std::size_t rowLength) {
    unsigned char palette[256 * PALETTE_ENTRY_SIZE] = {};
    for (std::size_t level = 0; level < 256; ++level)
        std::memset(palette + level * PALETTE_ENTRY_SIZE, static_cast<int>(level), 3);
    bool success = std::fwrite(palette, 1, sizeof palette, file) == sizeof palette;
    std::vector<unsigned char> row(rowLength, 0);
    for (int y = 0; y < image.GetHeight(); ++y) {
        const unsigned char* pixel = image.MemoryRow(y);
        for (int x = 0; x < image.GetWidth(); ++x, pixel += BYTES_PER_PIXEL)
            row[static_cast<std::size_t>(x)] = pixel[0];
        success = std::fwrite(row.data(), 1, rowLength, file) == rowLength && success;
    }
    return success;
}

} // namespace

int WriteBmpFile(const std::string& path, const DIBSection& image, PictureChannels channels) {
    FileHandle file(OpenForWriting(path));
    if (!file)
        return 0;
    if (!image.IsValid())
        return 0;

    const bool grey = channels == PictureChannels::Grey;
    const std::size_t rowLength = FileRowLength(image.GetWidth(), grey ? 8 : 24);
    const auto imageDataSize =
        static_cast<std::uint32_t>(rowLength * static_cast<std::size_t>(image.GetHeight()));
    const auto paletteSize = static_cast<std::uint32_t>(grey ? 256 * PALETTE_ENTRY_SIZE : 0);
    const auto pixelOffset = static_cast<std::uint32_t>(BMP_HEADERS_SIZE) + paletteSize;
    unsigned char headers[BMP_HEADERS_SIZE] = {};
    headers[OFFSET_SIGNATURE] = 'B';
    headers[OFFSET_SIGNATURE + 1] = 'M';
    PutU32(headers + OFFSET_FILE_SIZE, pixelOffset + imageDataSize);
    PutU32(headers + OFFSET_PIXEL_DATA_OFFSET, pixelOffset);
    PutU32(headers + OFFSET_INFO_HEADER_SIZE, BMP_INFO_HEADER_SIZE);
    PutU32(headers + OFFSET_WIDTH, static_cast<std::uint32_t>(image.GetWidth()));
    PutU32(headers + OFFSET_HEIGHT, static_cast<std::uint32_t>(image.GetHeight()));
    PutU16(headers + OFFSET_PLANES, 1);
    PutU16(headers + OFFSET_BITS_PER_PIXEL, grey ? 8 : 24);
    PutU32(headers + OFFSET_COMPRESSION, COMPRESSION_NONE);
    PutU32(headers + OFFSET_IMAGE_DATA_SIZE, imageDataSize);
    PutU32(headers + OFFSET_COLOURS_USED, grey ? 256 : 0);
    if (std::fwrite(headers, 1, BMP_FILE_HEADER_SIZE, file.get()) != BMP_FILE_HEADER_SIZE ||
        std::fwrite(headers + BMP_FILE_HEADER_SIZE, 1, BMP_INFO_HEADER_SIZE, file.get()) !=
            BMP_INFO_HEADER_SIZE)
        return 0;
    if (image.GetBitsPerPixel() != 24)
        return 0;

    // Each memory row is padded width × 3 bytes, never shorter than the file row; the file's padding
    // bytes come from the image's padding columns. A short write fails the file but the rest is written.
    int success = 1;
    if (grey)
        success = WriteGreyPixels(file.get(), image, rowLength) ? 1 : 0;
    else
        for (int row = 0; row < image.GetHeight(); ++row)
            if (std::fwrite(image.MemoryRow(row), 1, rowLength, file.get()) != rowLength)
                success = 0;
    if (std::fclose(file.release()) != 0)
        success = 0;
    return success;
}

} // namespace gc
