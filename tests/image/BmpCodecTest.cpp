#include "image/BmpCodec.h"
#include "image/ImageLimits.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

namespace gc {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "rgb(" << c.r << ", " << c.g << ", " << c.b << ")";
}

const Rgb BLACK{0, 0, 0};

// Pixel (x, y), y from the top.
Rgb At(const DIBSection& image, int x, int y) {
    unsigned char rgba[4] = {1, 2, 3, 4};
    image.GetPixelColor(static_cast<unsigned>(x), static_cast<unsigned>(y), rgba);
    return {rgba[0], rgba[1], rgba[2]};
}

void Put16(Bytes& b, std::size_t at, unsigned value) {
    b[at] = static_cast<unsigned char>(value);
    b[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Put32(Bytes& b, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A BMP file put together byte by byte: headers, palette (given as colours), then `pixels` verbatim.
struct BmpFile {
    std::int32_t width = 1;
    std::int32_t height = 1;
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t headerSize = 40;
    std::vector<Rgb> palette;
    Bytes pixels;

    Bytes Build() const {
        Bytes b(14 + headerSize, 0);
        b[0] = 'B';
        b[1] = 'M';
        Put32(b, 10, static_cast<std::uint32_t>(14 + headerSize + 4 * palette.size()));
        Put32(b, 14, headerSize);
        Put32(b, 18, static_cast<std::uint32_t>(width));
        Put32(b, 22, static_cast<std::uint32_t>(height));
        Put16(b, 26, 1);
        Put16(b, 28, static_cast<unsigned>(bits));
        Put32(b, 30, compression);
        Put32(b, 34, static_cast<std::uint32_t>(pixels.size()));
        Put32(b, 46, coloursUsed);
        for (const Rgb& c : palette)
            b.insert(b.end(), {static_cast<unsigned char>(c.b), static_cast<unsigned char>(c.g),
                               static_cast<unsigned char>(c.r), 0});
        b.insert(b.end(), pixels.begin(), pixels.end());
        Put32(b, 2, static_cast<std::uint32_t>(b.size()));
        return b;
    }
};

// Palette entry i = (10·i, 10·i + 1, 10·i + 2), easy to tell apart.
std::vector<Rgb> Ramp(int colours) {
    std::vector<Rgb> palette;
    for (int i = 0; i < colours; ++i)
        palette.push_back({(10 * i) % 256, (10 * i + 1) % 256, (10 * i + 2) % 256});
    return palette;
}

Rgb RampColour(int index) {
    return Ramp(index + 1).back();
}

int Decode(const Bytes& bytes, DIBSection& image) {
    return DecodeBmp(bytes.size(), bytes.data(), image);
}

// Decodes a run-length stream into a width × height 8-bit (RLE8) or 4-bit (RLE4) image with a 16-colour
// ramp palette.
DIBSection DecodeRle(int bits, int width, int height, const Bytes& stream, int* result = nullptr) {
    BmpFile file;
    file.width = width;
    file.height = height;
    file.bits = bits;
    file.compression = bits == 8 ? 1 : 2;
    file.coloursUsed = 16;
    file.palette = Ramp(16);
    file.pixels = stream;
    DIBSection image;
    const int decoded = Decode(file.Build(), image);
    if (result != nullptr)
        *result = decoded;
    return image;
}

TEST(BmpDecode, TrueColourRowsArePaddedAndBottomUp) {
    BmpFile file;
    file.width = 3;
    file.height = 2;
    // Bottom row first: 9 pixel bytes (blue, green, red) and 3 padding bytes per row.
    file.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xee, 0xee, 0xee, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
    DIBSection image;
    ASSERT_EQ(Decode(file.Build(), image), 1);
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(image.GetHeight(), 2);
    EXPECT_EQ(At(image, 0, 0), (Rgb{13, 12, 11}));
    EXPECT_EQ(At(image, 2, 0), (Rgb{19, 18, 17}));
    EXPECT_EQ(At(image, 0, 1), (Rgb{3, 2, 1}));
    EXPECT_EQ(At(image, 2, 1), (Rgb{9, 8, 7}));
}

TEST(BmpDecode, PaletteSizeComesFromColoursUsedOrTheBitDepth) {
    // Colours used = 16: the pixel array begins 64 bytes after the header.
    BmpFile file;
    file.width = 3;
    file.height = 1;
    file.bits = 8;
    file.coloursUsed = 16;
    file.palette = Ramp(16);
    file.pixels = {15, 0, 7, 0};
    DIBSection image;
    ASSERT_EQ(Decode(file.Build(), image), 1);
    EXPECT_EQ(At(image, 0, 0), RampColour(15));
    EXPECT_EQ(At(image, 1, 0), RampColour(0));
    EXPECT_EQ(At(image, 2, 0), RampColour(7));

    // Colours used = 0: 256 entries (1,024 bytes) come first.
    file.coloursUsed = 0;
    file.palette = Ramp(256);
    file.pixels = {200, 1, 255, 0};
    ASSERT_EQ(Decode(file.Build(), image), 1);
    EXPECT_EQ(At(image, 0, 0), RampColour(200));
    EXPECT_EQ(At(image, 1, 0), RampColour(1));
    EXPECT_EQ(At(image, 2, 0), RampColour(255));

    // 24-bit files have no palette unless colours used says so; then the pixels follow it.
    BmpFile colour;
    colour.width = 1;
    colour.coloursUsed = 2;
    colour.palette = Ramp(2);
    colour.pixels = {30, 20, 10, 0};
    ASSERT_EQ(Decode(colour.Build(), image), 1);
    EXPECT_EQ(At(image, 0, 0), (Rgb{10, 20, 30}));
}

TEST(BmpDecode, IndexBeyondThePaletteIsBlack) {
    BmpFile file;
    file.width = 2;
    file.bits = 8;
    file.coloursUsed = 4;
    file.palette = Ramp(4);
    file.pixels = {3, 4, 0, 0};
    DIBSection image;
    ASSERT_EQ(Decode(file.Build(), image), 1);
    EXPECT_EQ(At(image, 0, 0), RampColour(3));
    EXPECT_EQ(At(image, 1, 0), BLACK);
}

TEST(BmpDecode, OneBitRowsAreMostSignificantBitFirstWithPadding) {
    // 33 pixels: 5 bytes of bits, padded to 8-byte rows.
    BmpFile file;
    file.width = 33;
    file.height = 2;
    file.bits = 1;
    file.palette = {{255, 0, 0}, {0, 0, 255}};
    file.pixels = {0x80, 0x00, 0x00, 0x01, 0x80, 0xaa, 0xaa, 0xaa, // bottom row, padding garbage
                   0x40, 0x00, 0x00, 0x00, 0x00, 0,    0,    0};
    DIBSection image;
    ASSERT_EQ(Decode(file.Build(), image), 1);
    const Rgb red{255, 0, 0}, blue{0, 0, 255};
    for (int x = 0; x < 33; ++x) {
        EXPECT_EQ(At(image, x, 1), (x == 0 || x == 31 || x == 32) ? blue : red) << x;
        EXPECT_EQ(At(image, x, 0), x == 1 ? blue : red) << x;
    }
}

TEST(BmpDecode, FourBitRowsAreHighNibbleFirstWithPadding) {
    // 3 pixels: 2 bytes of nibbles, padded to 4-byte rows.
    BmpFile file;
    file.width = 3;
    file.height = 2;
    file.bits = 4;
    file.palette = Ramp(16);
    file.pixels = {0x12, 0x3f, 0xff, 0xff, 0xab, 0xc0, 0, 0};
    DIBSection image;
    ASSERT_EQ(Decode(file.Build(), image), 1);
    EXPECT_EQ(At(image, 0, 1), RampColour(1));
    EXPECT_EQ(At(image, 1, 1), RampColour(2));
    EXPECT_EQ(At(image, 2, 1), RampColour(3));
    EXPECT_EQ(At(image, 0, 0), RampColour(10));
    EXPECT_EQ(At(image, 1, 0), RampColour(11));
    EXPECT_EQ(At(image, 2, 0), RampColour(12));
}

TEST(BmpDecode, Rle8RunsAndEscapes) {
    int result = 0;
    // A run of three pixels of entry 5 in the bottom row, then end of bitmap.
    DIBSection image = DecodeRle(8, 4, 2, {3, 5, 0, 0, 0, 1}, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(At(image, 0, 1), RampColour(5));
    EXPECT_EQ(At(image, 2, 1), RampColour(5));
    EXPECT_EQ(At(image, 3, 1), BLACK);
    EXPECT_EQ(At(image, 0, 0), BLACK);

    // Absolute run of three (one pad byte), end of line, delta (+1, +0), run; stop at end of bitmap.
    image = DecodeRle(8, 4, 3, {0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 0, 1, 9, 0, 1, 2, 4});
    EXPECT_EQ(At(image, 0, 2), RampColour(1));
    EXPECT_EQ(At(image, 1, 2), RampColour(2));
    EXPECT_EQ(At(image, 2, 2), RampColour(3));
    EXPECT_EQ(At(image, 3, 2), BLACK);
    EXPECT_EQ(At(image, 0, 1), BLACK); // skipped by the delta
    EXPECT_EQ(At(image, 1, 1), RampColour(9));
    EXPECT_EQ(At(image, 2, 1), BLACK);
    EXPECT_EQ(At(image, 0, 0), BLACK); // after the end of bitmap
    EXPECT_EQ(At(image, 1, 0), BLACK);

    // Delta across rows; an even absolute run has no pad byte.
    image = DecodeRle(8, 4, 3, {0, 2, 2, 1, 0, 4, 1, 2, 3, 4, 0, 1});
    EXPECT_EQ(At(image, 1, 1), BLACK);
    EXPECT_EQ(At(image, 2, 1), RampColour(1));
    EXPECT_EQ(At(image, 3, 1), RampColour(2));
}

TEST(BmpDecode, RleRunsPastTheRowEndAreDropped) {
    // A run of 6 in a 4-wide image does not wrap into the next row; neither does an absolute run.
    // After the second end of line the position is above the image; that run is not stored.
    DIBSection image = DecodeRle(8, 4, 2, {6, 7, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 0, 2, 8});
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(At(image, x, 1), RampColour(7)) << x;
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(At(image, x, 0), RampColour(x + 1)) << x;
    for (std::size_t i = 0; i < image.GetImageBytes(); i += 3)
        EXPECT_NE(image.GetBits()[i + 2], RampColour(8).r) << i;

    // Rows and deltas beyond the top, and a stream without an end of bitmap, end quietly.
    image = DecodeRle(8, 2, 1, {0, 2, 200, 200, 255, 1, 0, 0, 0, 0, 2, 3});
    EXPECT_EQ(At(image, 0, 0), BLACK);
    EXPECT_EQ(At(image, 1, 0), BLACK);
}

TEST(BmpDecode, Rle4RunsAlternateNibbles) {
    DIBSection image = DecodeRle(4, 6, 2, {4, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1});
    EXPECT_EQ(At(image, 0, 1), RampColour(1));
    EXPECT_EQ(At(image, 1, 1), RampColour(2));
    EXPECT_EQ(At(image, 2, 1), RampColour(1));
    EXPECT_EQ(At(image, 3, 1), RampColour(2));
    EXPECT_EQ(At(image, 4, 1), BLACK);
    // Absolute run of 5 indexes in 3 bytes plus a pad byte, then end of bitmap.
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(At(image, x, 0), RampColour(3 + x)) << x;
    EXPECT_EQ(At(image, 5, 0), BLACK);

    // An absolute run of 4 fills 2 bytes and has no pad byte; delta then moves on.
    image = DecodeRle(4, 6, 1, {0, 4, 0x12, 0x34, 0, 2, 1, 0, 1, 0x90, 0, 1});
    EXPECT_EQ(At(image, 3, 0), RampColour(4));
    EXPECT_EQ(At(image, 4, 0), BLACK);
    EXPECT_EQ(At(image, 5, 0), RampColour(9));
}

TEST(BmpDecode, UnsupportedFilesGiveBlackImageOrNone) {
    // 16 bits: a black image of the file's size, and 0.
    BmpFile file;
    file.width = 3;
    file.height = 2;
    file.bits = 16;
    file.pixels = Bytes(16, 0xff);
    DIBSection image;
    EXPECT_EQ(Decode(file.Build(), image), 0);
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(At(image, 1, 1), BLACK);

    // 8 bits with an unknown compression.
    file.bits = 8;
    file.compression = 3;
    EXPECT_EQ(Decode(file.Build(), image), 0);
    EXPECT_TRUE(image.IsValid());

    // Top-down rows (negative height), zero width, an old 12-byte header: no image.
    file.bits = 24;
    file.compression = 0;
    file.height = -2;
    EXPECT_EQ(Decode(file.Build(), image), 0);
    EXPECT_FALSE(image.IsValid());
    file.height = 2;
    file.width = 0;
    EXPECT_EQ(Decode(file.Build(), image), 0);
    EXPECT_FALSE(image.IsValid());
    file.width = 3;
    Bytes old = file.Build();
    Put32(old, 14, 12);
    EXPECT_EQ(Decode(old, image), 0);
    EXPECT_FALSE(image.IsValid());

    // Fewer than 54 bytes.
    const Bytes whole = file.Build();
    EXPECT_EQ(DecodeBmp(53, whole.data(), image), 0);
    EXPECT_EQ(DecodeBmp(0, nullptr, image), 0);
    EXPECT_FALSE(image.IsValid());
}

// An 8-bit 5 × 4 file whose pixel (x, y) has index 4·y + x (y from the bottom).
BmpFile IndexedFile() {
    BmpFile file;
    file.width = 5;
    file.height = 4;
    file.bits = 8;
    file.coloursUsed = 20;
    file.palette = Ramp(20);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x)
            file.pixels.push_back(static_cast<unsigned char>(4 * y + x));
        file.pixels.insert(file.pixels.end(), 3, 0);
    }
    return file;
}

TEST(BmpDecode, TruncatedDataDecodesAsFarAsItGoes) {
    const Bytes whole = IndexedFile().Build();
    const std::size_t pixelStart = 54 + 20 * 4;
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        const Bytes part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        DIBSection image;
        Decode(part, image);
        if (length < 54) {
            EXPECT_FALSE(image.IsValid());
            continue;
        }
        ASSERT_TRUE(image.IsValid()) << length;
        const std::size_t pixelBytes = length > pixelStart ? length - pixelStart : 0;
        const std::size_t paletteEntries = (length - 54) / 4;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) {
                const int index = 4 * y + x;
                const bool present = static_cast<std::size_t>(8 * y + x) < pixelBytes &&
                                     static_cast<std::size_t>(index) < paletteEntries;
                ASSERT_EQ(At(image, x, 3 - y), present ? RampColour(index) : BLACK) << length << " " << x;
            }
    }
}

TEST(BmpDecode, OversizedAndHostileHeadersDoNotCrash) {
    DIBSection image;
    // A palette that claims four billion colours, an information header larger than the file.
    Bytes bytes = IndexedFile().Build();
    Put32(bytes, 46, 0xffffffffu);
    EXPECT_EQ(Decode(bytes, image), 1);
    EXPECT_TRUE(image.IsValid());
    EXPECT_EQ(At(image, 4, 3), BLACK); // everything after the header is taken as palette
    EXPECT_EQ(At(image, 0, 0), BLACK);
    bytes = IndexedFile().Build();
    Put32(bytes, 14, 0xfffffff0u);
    EXPECT_EQ(Decode(bytes, image), 1);
    EXPECT_EQ(At(image, 0, 0), BLACK);

    // Dimensions larger than any bitmap: refused as too large, no image.
    bytes = IndexedFile().Build();
    Put32(bytes, 18, 0x7fffffff);
    Put32(bytes, 22, 0x7fffffff);
    EXPECT_EQ(Decode(bytes, image), READ_TOO_LARGE);
    EXPECT_FALSE(image.IsValid());

    // A tall image with little data: decoding stops where the data ends.
    bytes = IndexedFile().Build();
    Put32(bytes, 22, 10000);
    EXPECT_EQ(Decode(bytes, image), 1);
    EXPECT_EQ(At(image, 0, 9999), RampColour(0));
    EXPECT_EQ(At(image, 0, 0), BLACK);
}

// Pixel data of `rows` rows of an uncompressed file, each row `rowBytes` long, every byte 0x11.
Bytes Rows(std::size_t rowBytes, std::size_t rows) {
    return Bytes(rowBytes * rows, 0x11);
}

// RLE8 rows that paint every pixel of a width × height image with entry 1: runs of 255, end of line.
Bytes Rle8Painting(int width, int height) {
    Bytes stream;
    for (int y = 0; y < height; ++y) {
        for (int left = width; left > 0; left -= 255)
            stream.insert(stream.end(), {static_cast<unsigned char>(std::min(left, 255)), 1});
        stream.insert(stream.end(), {0, 0});
    }
    stream.insert(stream.end(), {0, 1});
    return stream;
}

TEST(BmpDecode, HugeOrUnfillablePicturesAreRefusedBeforeAllocating) {
    struct Case {
        const char* what;
        std::int32_t width, height;
        int bits;
        std::uint32_t compression;
        Bytes pixels;
        int result; // READ_TOO_LARGE, 0 (refused, no image) or 1 (opened)
    };
    const Case cases[] = {
        // 70 bytes declaring 26,000 × 26,000: a 2 GB bitmap.
        {"26000 x 26000 in 70 bytes", 26000, 26000, 24, 0, Bytes(16, 0x11), READ_TOO_LARGE},
        // The last height within 1 GiB (4096 · 3 · 87381 bytes) is refused only for want of data; one
        // row more is beyond the limit whatever the file holds.
        {"at the limit, no data", 4096, 87381, 24, 0, Bytes(16, 0x11), 0},
        {"one row past the limit", 4096, 87382, 24, 0, Bytes(16, 0x11), READ_TOO_LARGE},
        // Within the limit, but the data present could not fill the bitmap.
        {"8-bit 10000 x 10000 in 16 bytes", 10000, 10000, 8, 0, Bytes(16, 0x11), 0},
        {"24-bit, half its rows", 1000, 1000, 24, 0, Rows(3000, 500), 0},
        {"RLE8 that only ends", 2000, 2000, 8, 1, Bytes{0, 1}, 0},
        {"RLE4 runs of 255 for a quarter", 2000, 2000, 4, 2, Rle8Painting(2000, 500), 0},
        {"16-bit with 100 bytes", 3000, 3000, 16, 0, Bytes(100, 0x11), 0},
        // What the data could fill, give or take 1 MiB of black, opens.
        {"24-bit, all but 100 rows", 1000, 1000, 24, 0, Rows(3000, 900), 1},
        {"24-bit 600 x 400, no data", 600, 400, 24, 0, Bytes{}, 1},
        {"RLE8 painting every pixel", 2000, 2000, 8, 1, Rle8Painting(2000, 2000), 1},
        {"1-bit 4000 x 4000, whole", 4000, 4000, 1, 0, Rows(500, 4000), 1},
    };
    for (const Case& c : cases) {
        BmpFile file;
        file.width = c.width;
        file.height = c.height;
        file.bits = c.bits;
        file.compression = c.compression;
        if (c.bits <= 8) {
            file.coloursUsed = 2;
            file.palette = Ramp(2);
        }
        file.pixels = c.pixels;
        DIBSection image;
        EXPECT_EQ(Decode(file.Build(), image), c.result) << c.what;
        EXPECT_EQ(image.IsValid(), c.result == 1) << c.what;
    }
}

TEST(BmpDecode, RandomBytesNeverCrash) {
    std::mt19937 random(20261207);
    const BmpFile templates[] = {IndexedFile(), [] {
                                     BmpFile f = IndexedFile();
                                     f.compression = 1;
                                     return f;
                                 }()};
    for (int round = 0; round < 3000; ++round) {
        // Damage a valid file's bytes (headers included), or make one of pure noise.
        Bytes bytes = templates[round % 2].Build();
        if (round % 3 == 0) {
            bytes.assign(54 + random() % 200, 0);
            for (auto& b : bytes)
                b = static_cast<unsigned char>(random());
            Put32(bytes, 14, 40);
            Put32(bytes, 18, 1 + random() % 64);
            Put32(bytes, 22, 1 + random() % 64);
        } else {
            for (int flips = 0; flips < 8; ++flips)
                bytes[54 + random() % (bytes.size() - 54)] = static_cast<unsigned char>(random());
            Put16(bytes, 28, std::array{1u, 4u, 8u, 24u}[random() % 4]);
            Put32(bytes, 30, random() % 3);
            bytes.resize(54 + random() % (bytes.size() - 53));
        }
        DIBSection image;
        Decode(bytes, image);
        if (image.IsValid()) {
            unsigned char rgba[4];
            image.GetPixelColor(0, 0, rgba);
        }
    }
}

TEST(BmpWrite, HeaderAndRowsAreLaidOutAsBmp) {
    TempDir dir;
    DIBSection image;
    image.Create(3, 2, 24);
    for (std::size_t i = 0; i < image.GetImageBytes(); ++i)
        image.GetBits()[i] = static_cast<unsigned char>(i + 1);
    const std::string path = dir.File("out.bmp");
    ASSERT_EQ(WriteBmpFile(path, image), 1);

    const Bytes bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 78u); // 54 + 2 rows of 12 bytes
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(Get32(bytes, 2), 78u);
    EXPECT_EQ(Get32(bytes, 6), 0u);
    EXPECT_EQ(Get32(bytes, 10), 54u);
    EXPECT_EQ(Get32(bytes, 14), 40u);
    EXPECT_EQ(Get32(bytes, 18), 3u);
    EXPECT_EQ(Get32(bytes, 22), 2u);
    EXPECT_EQ(bytes[26] | bytes[27] << 8, 1);
    EXPECT_EQ(bytes[28] | bytes[29] << 8, 24);
    EXPECT_EQ(Get32(bytes, 30), 0u);
    EXPECT_EQ(Get32(bytes, 34), 24u);
    for (std::size_t at = 38; at < 54; at += 4)
        EXPECT_EQ(Get32(bytes, at), 0u) << at;
    // Each file row is the first 12 bytes of the 12-byte memory row, bottom row first.
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(bytes[54 + 12 * row + i], image.MemoryRow(row)[i]);
}

TEST(BmpWrite, RoundTripKeepsEveryPixel) {
    TempDir dir;
    for (int width : {1, 2, 3, 4, 5, 7, 8, 9, 33}) {
        DIBSection image;
        image.Create(width, 3, 24);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x) {
                unsigned char* pixel = image.MemoryRow(y) + 3 * x;
                pixel[0] = static_cast<unsigned char>(x);
                pixel[1] = static_cast<unsigned char>(y);
                pixel[2] = static_cast<unsigned char>(100 + x + y);
            }
        const std::string path = dir.File("round" + std::to_string(width) + ".bmp");
        ASSERT_EQ(WriteBmpFile(path, image), 1);
        EXPECT_EQ(ReadFileBytes(path).size(), 54u + 3 * ((3u * width + 3) & ~3u));
        DIBSection back;
        ASSERT_EQ(ReadBmpFile(path, back), 1);
        ASSERT_EQ(back.GetWidth(), width);
        ASSERT_EQ(back.GetHeight(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(At(back, x, y), At(image, x, y)) << width << " " << x << " " << y;
    }
}

TEST(BmpWrite, FailuresReturnZero) {
    TempDir dir;
    DIBSection image;
    image.Create(2, 2, 24);
    EXPECT_EQ(WriteBmpFile(dir.File("missing/folder/out.bmp"), image), 0);
    EXPECT_EQ(WriteBmpFile(dir.File("empty.bmp"), DIBSection()), 0);
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(WriteBmpFile("/dev/full", image), 0); // the data cannot reach the disk
    }
}

TEST(BmpRead, MissingEmptyAndUnreadableFilesGiveNothing) {
    TempDir dir;
    DIBSection image;
    EXPECT_EQ(ReadBmpFile(dir.File("nothing.bmp"), image), 0);
    WriteFileBytes(dir.File("empty.bmp"), {});
    EXPECT_EQ(ReadBmpFile(dir.File("empty.bmp"), image), 0);
    EXPECT_EQ(ReadBmpFile(dir.Path().string(), image), 0); // a folder
    EXPECT_FALSE(image.IsValid());
}

// ---- The BMP Suite -------------------------------------------------------------------------------

std::filesystem::path SuiteFolder() {
    return std::filesystem::path(test::SharedTestData()) / "bmpsuite";
}

// Reference pixels of an uncompressed 1/4/8/24-bit file, taken at the file header's pixel-data offset.
std::vector<Rgb> ReferencePixels(const Bytes& b, int& width, int& height) {
    width = static_cast<std::int32_t>(Get32(b, 18));
    height = static_cast<std::int32_t>(Get32(b, 22));
    const int bits = b[28];
    const std::size_t paletteAt = 14 + Get32(b, 14);
    const std::size_t pixelsAt = Get32(b, 10);
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    std::vector<Rgb> pixels;
    for (int y = 0; y < height; ++y) {
        const std::size_t row = pixelsAt + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                const unsigned char* p = &b.at(row + 3 * static_cast<std::size_t>(x));
                pixels.push_back({p[2], p[1], p[0]});
                continue;
            }
            const std::size_t bit = static_cast<std::size_t>(x) * bits;
            const int index = (b.at(row + bit / 8) >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
            const unsigned char* entry = &b.at(paletteAt + 4 * static_cast<std::size_t>(index));
            pixels.push_back({entry[2], entry[1], entry[0]});
        }
    }
    return pixels;
}

void ExpectSamePixels(const DIBSection& a, const DIBSection& b, const std::string& what) {
    ASSERT_TRUE(a.IsValid()) << what;
    ASSERT_TRUE(b.IsValid()) << what;
    ASSERT_EQ(a.GetWidth(), b.GetWidth()) << what;
    ASSERT_EQ(a.GetHeight(), b.GetHeight()) << what;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            ASSERT_EQ(At(a, x, y), At(b, x, y)) << what << " at " << x << ", " << y;
}

TEST(BmpSuite, EveryFileOpensOrIsRefusedWithoutCrashing) {
    if (!std::filesystem::exists(SuiteFolder()))
        GTEST_SKIP() << "BMP Suite not available";
    int files = 0;
    for (const char* folder : {"g", "q", "b"})
        for (const auto& entry : std::filesystem::directory_iterator(SuiteFolder() / folder)) {
            DIBSection image;
            const int result = ReadBmpFile(entry.path().string(), image);
            if (result == 1) {
                EXPECT_TRUE(image.IsValid()) << entry.path();
            }
            ++files;
        }
    EXPECT_GT(files, 80);
}

TEST(BmpSuite, GoodUncompressedFilesMatchAnIndependentReading) {
    if (!std::filesystem::exists(SuiteFolder()))
        GTEST_SKIP() << "BMP Suite not available";
    for (const char* name : {"pal1.bmp", "pal1bg.bmp", "pal1wb.bmp", "pal4.bmp", "pal4gs.bmp", "pal8.bmp",
                             "pal8-0.bmp", "pal8gs.bmp", "pal8nonsquare.bmp", "pal8v4.bmp", "pal8v5.bmp",
                             "pal8w124.bmp", "pal8w125.bmp", "pal8w126.bmp", "rgb24.bmp", "rgb24pal.bmp"}) {
        const std::string path = (SuiteFolder() / "g" / name).string();
        DIBSection image;
        ASSERT_EQ(ReadBmpFile(path, image), 1) << name;
        int width = 0, height = 0;
        const std::vector<Rgb> expected = ReferencePixels(ReadFileBytes(path), width, height);
        ASSERT_EQ(image.GetWidth(), width) << name;
        ASSERT_EQ(image.GetHeight(), height) << name;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(At(image, x, y), expected[static_cast<std::size_t>(y) * width + x])
                    << name << " at " << x << ", " << y;
    }
}

TEST(BmpSuite, RunLengthFilesMatchTheirUncompressedTwins) {
    if (!std::filesystem::exists(SuiteFolder()))
        GTEST_SKIP() << "BMP Suite not available";
    for (const auto& [compressed, plain] :
         {std::pair{"pal8rle.bmp", "pal8.bmp"}, {"pal4rle.bmp", "pal4.bmp"}}) {
        DIBSection a, b;
        ASSERT_EQ(ReadBmpFile((SuiteFolder() / "g" / compressed).string(), a), 1);
        ASSERT_EQ(ReadBmpFile((SuiteFolder() / "g" / plain).string(), b), 1);
        ExpectSamePixels(a, b, compressed);
    }
    DIBSection top;
    ReadBmpFile((SuiteFolder() / "g" / "pal8topdown.bmp").string(), top);
    EXPECT_FALSE(top.IsValid()); // top-down rows are not read
}

} // namespace
} // namespace gc
