#include "image/JpegCodec.h"
#include "image/ImageMessages.h"
#include "image/JpegTestFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace gc {
namespace {

using Bytes = std::vector<unsigned char>;
using test::ReadFileBytes;
using test::RecordingMessages;
using test::TempDir;
using test::WriteFileBytes;

struct Rgb {
    int r, g, b;
};

Rgb At(const DIBSection& image, int x, int y) {
    unsigned char rgba[4] = {};
    image.GetPixelColor(static_cast<unsigned>(x), static_cast<unsigned>(y), rgba);
    return {rgba[0], rgba[1], rgba[2]};
}

// Colours survive a high-quality JPEG only approximately.
::testing::AssertionResult Near(const Rgb& actual, const Rgb& expected) {
    if (std::abs(actual.r - expected.r) <= 24 && std::abs(actual.g - expected.g) <= 24 &&
        std::abs(actual.b - expected.b) <= 24)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "rgb(" << actual.r << ", " << actual.g << ", " << actual.b << ") is not near rgb(" << expected.r
           << ", " << expected.g << ", " << expected.b << ")";
}

// Sets pixel (x, y), y from the top, in the image's blue-green-red memory order.
void Paint(DIBSection& image, int x, int y, const Rgb& colour) {
    unsigned char* pixel = image.MemoryRow(image.GetHeight() - 1 - y) + 3 * x;
    pixel[0] = static_cast<unsigned char>(colour.b);
    pixel[1] = static_cast<unsigned char>(colour.g);
    pixel[2] = static_cast<unsigned char>(colour.r);
}

const Rgb RED{255, 0, 0}, BLUE{0, 0, 255}, WHITE{255, 255, 255}, BLACK{0, 0, 0};

// Top half white, bottom half: left red, right blue. Padding columns hold rgb(10, 255, 0).
DIBSection TestPicture(int width, int height) {
    DIBSection image;
    image.Create(width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < image.GetPaddedWidth(); ++x)
            Paint(image, x, y, {10, 255, 0});
        for (int x = 0; x < width; ++x)
            Paint(image, x, y, y < height / 2 ? WHITE : (x < width / 2 ? RED : BLUE));
    }
    return image;
}

// Writes a JPEG with the library directly: `components` channels of the given colour space, every
// sample `value`.
void WriteRawJpeg(const std::string& path, int components, J_COLOR_SPACE space, int width, int height,
                  unsigned char value) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width * components), value);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

TEST(JpegCodec, RoundTripKeepsColoursAndOrientation) {
    TempDir dir;
    for (int width : {5, 16, 33}) {
        const int height = 16;
        DIBSection copy = TestPicture(width, height);
        RecordingMessages messages;
        const std::string path = dir.File("picture" + std::to_string(width) + ".jpg");
        ASSERT_EQ(WriteJpegFile(path, copy, 95, messages), JpegWriteResult::Written);

        DIBSection image;
        ASSERT_EQ(ReadJpegFile(path, image, messages), 1);
        EXPECT_TRUE(messages.m_shown.empty());
        ASSERT_TRUE(image.IsValid());
        ASSERT_EQ(image.GetWidth(), width);
        ASSERT_EQ(image.GetHeight(), height);
        // Away from the edges between the areas, where compression blurs.
        EXPECT_TRUE(Near(At(image, 0, 0), WHITE)) << width;
        EXPECT_TRUE(Near(At(image, width - 1, 2), WHITE)) << width;
        EXPECT_TRUE(Near(At(image, 0, height - 1), RED)) << width;
        EXPECT_TRUE(Near(At(image, 0, height - 3), RED)) << width;
        EXPECT_TRUE(Near(At(image, width - 1, height - 1), BLUE)) << width;
    }
}

TEST(JpegCodec, WriterExchangesRedAndBlueInTheImageItIsGiven) {
    TempDir dir;
    DIBSection image = TestPicture(7, 4);
    RecordingMessages messages;
    ASSERT_EQ(WriteJpegFile(dir.File("a.jpg"), image, 75, messages), JpegWriteResult::Written);
    const unsigned char* bottom = image.MemoryRow(0);
    EXPECT_EQ(bottom[0], 255); // red, now in red-green-blue order
    EXPECT_EQ(bottom[2], 0);
    EXPECT_EQ(bottom[3 * 7], 0); // the padding column keeps blue-green-red order
    EXPECT_EQ(bottom[3 * 7 + 2], 10);
}

TEST(JpegCodec, ColourAndGreyFilesOpenFourComponentsDoNot) {
    TempDir dir;
    const std::string grey = dir.File("grey.jpg");
    const std::string cmyk = dir.File("cmyk.jpg");
    WriteRawJpeg(grey, 1, JCS_GRAYSCALE, 8, 8, 128);
    WriteRawJpeg(cmyk, 4, JCS_CMYK, 8, 8, 40);
    const std::string colour = dir.File("colour.jpg");
    WriteRawJpeg(colour, 3, JCS_RGB, 8, 8, 200);

    RecordingMessages messages;
    DIBSection image;
    EXPECT_EQ(ReadJpegFile(cmyk, image, messages), 0);
    EXPECT_FALSE(image.IsValid());
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_EQ(ReadJpegFile(colour, image, messages), 1);
    EXPECT_TRUE(Near(At(image, 7, 7), {200, 200, 200}));
    // A grey file opens as a picture whose three channels are equal.
    EXPECT_EQ(ReadJpegFile(grey, image, messages), 1);
    EXPECT_TRUE(Near(At(image, 7, 7), {128, 128, 128}));
    // An image object used again holds nothing of its earlier picture.
    EXPECT_EQ(ReadJpegFile(cmyk, image, messages), 0);
    EXPECT_FALSE(image.IsValid());
}

TEST(JpegCodec, PicturesBeyondTheMemoryBoundAreRefusedBeforeDecoding) {
    struct Case {
        const char* what;
        int width, height;
        bool progressive;
        int result;
    };
    const Case cases[] = {
        // A 2 GB bitmap declared in under 1 KB: refused from the header.
        {"26000 x 26000", 26000, 26000, false, READ_TOO_LARGE},
        {"one row past 1 GiB", 65500, 5465, false, READ_TOO_LARGE},
        // A 972 MB bitmap is allowed, but a progressive file needs 2 bytes per sample of buffers
        // (1.9 GB) on top: the library's working memory is bounded too.
        {"progressive 18000 x 18000", 18000, 18000, true, READ_TOO_LARGE},
        // Within both bounds: opens, the missing data filled in by the library (and said so).
        {"progressive 1000 x 1000", 1000, 1000, true, 1},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.File("declared.jpg");
        WriteFileBytes(path, test::JpegDeclaring(c.width, c.height, c.progressive));
        RecordingMessages messages;
        DIBSection image;
        EXPECT_EQ(ReadJpegFile(path, image, messages), c.result) << c.what;
        EXPECT_EQ(image.IsValid(), c.result == 1) << c.what;
        if (c.result == READ_TOO_LARGE) // the caller shows the one message
            EXPECT_TRUE(messages.m_shown.empty()) << c.what;
        else
            EXPECT_EQ(image.GetWidth(), c.width) << c.what;
    }
}

TEST(JpegCodec, MissingFileShowsCantOpenFile) {
    TempDir dir;
    RecordingMessages messages;
    DIBSection image;
    EXPECT_EQ(ReadJpegFile(dir.File("none.jpg"), image, messages), 0);
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_CANT_OPEN_FILE});
}

TEST(JpegCodec, WriteOutcomes) {
    TempDir dir;
    {
        RecordingMessages messages;
        DIBSection image = TestPicture(4, 4);
        EXPECT_EQ(WriteJpegFile(dir.File("no/such/folder.jpg"), image, 75, messages), JpegWriteResult::Fatal);
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_CANT_OPEN_FILE});
    }
    {
        // Nothing to write: no file, no message.
        RecordingMessages messages;
        DIBSection empty;
        EXPECT_EQ(WriteJpegFile(dir.File("empty.jpg"), empty, 75, messages), JpegWriteResult::NotWritten);
        EXPECT_FALSE(std::filesystem::exists(dir.File("empty.jpg")));
        EXPECT_TRUE(messages.m_shown.empty());
    }
    {
        // Wider than the format allows: the library's fatal error, its text is shown and the
        // program ends, as the library's own handler would end it.
        RecordingMessages messages;
        DIBSection wide;
        wide.Create(70000, 1, 24);
        ASSERT_TRUE(wide.IsValid());
        EXPECT_EQ(WriteJpegFile(dir.File("wide.jpg"), wide, 75, messages), JpegWriteResult::Fatal);
        ASSERT_EQ(messages.m_shown.size(), 1u);
        EXPECT_EQ(messages.m_shown[0].m_kind, MessageKind::Warning);
        EXPECT_NE(messages.m_shown[0].m_strText.find("65500"), std::string::npos);
    }
    if (std::filesystem::exists("/dev/full")) {
        // The data cannot reach the disk.
        RecordingMessages messages;
        DIBSection image = TestPicture(64, 64);
        EXPECT_EQ(WriteJpegFile("/dev/full", image, 75, messages), JpegWriteResult::Fatal);
        ASSERT_EQ(messages.m_shown.size(), 1u);
        EXPECT_EQ(messages.m_shown[0].m_kind, MessageKind::Warning);
    }
}

TEST(JpegCodec, TruncatedAndDamagedFilesDoNotCrash) {
    TempDir dir;
    DIBSection picture = TestPicture(48, 48);
    RecordingMessages ignored;
    const std::string original = dir.File("original.jpg");
    ASSERT_EQ(WriteJpegFile(original, picture, 90, ignored), JpegWriteResult::Written);
    const Bytes whole = ReadFileBytes(original);
    const std::string path = dir.File("damaged.jpg");

    int partial = 0;
    for (std::size_t length = 0; length < whole.size(); length += 11) {
        WriteFileBytes(path, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
        RecordingMessages messages;
        DIBSection image;
        const int result = ReadJpegFile(path, image, messages);
        // At most the first warning and a fatal error.
        EXPECT_LE(messages.m_shown.size(), 2u) << length;
        if (result == 1 && image.IsValid()) {
            // The data ends inside the scan: the top rows were decoded, the library filled in the rest
            // and said so once, through its message output.
            EXPECT_EQ(image.GetWidth(), 48);
            EXPECT_EQ(messages.m_shown.size(), 1u) << length;
            ++partial;
        } else {
            EXPECT_FALSE(image.IsValid()) << length;
        }
    }
    EXPECT_GT(partial, 0);

    // Damaged bytes inside the headers and the scan.
    for (std::size_t at = 2; at < whole.size(); at += 7) {
        Bytes bytes = whole;
        bytes[at] = static_cast<unsigned char>(bytes[at] ^ 0x5a);
        bytes[(at * 31) % bytes.size()] = 0xff;
        WriteFileBytes(path, bytes);
        RecordingMessages messages;
        DIBSection image;
        ReadJpegFile(path, image, messages);
        EXPECT_LE(messages.m_shown.size(), 2u) << at;
    }

    // Not a JPEG at all: the library's fatal error is shown and nothing opens.
    WriteFileBytes(path, {'B', 'M', 0, 1, 2, 3, 4, 5, 6, 7});
    RecordingMessages messages;
    DIBSection image;
    EXPECT_EQ(ReadJpegFile(path, image, messages), 0);
    EXPECT_FALSE(image.IsValid());
    ASSERT_EQ(messages.m_shown.size(), 1u);
    EXPECT_EQ(messages.m_shown[0].m_kind, MessageKind::Warning);
}

TEST(JpegCodec, FileCutInsideTheScanKeepsTheTopRows) {
    TempDir dir;
    // White top rows, then noise, so that most of the file is scan data.
    DIBSection picture = TestPicture(64, 256);
    unsigned noise = 12345;
    for (int y = 16; y < 256; ++y)
        for (int x = 0; x < 64; ++x) {
            noise = noise * 1103515245u + 12345u;
            Paint(picture, x, y, {static_cast<int>(noise >> 24), static_cast<int>(noise >> 16) & 255, 7});
        }
    RecordingMessages messages;
    const std::string path = dir.File("cut.jpg");
    ASSERT_EQ(WriteJpegFile(path, picture, 90, messages), JpegWriteResult::Written);
    Bytes bytes = ReadFileBytes(path);
    bytes.resize(bytes.size() / 2);
    WriteFileBytes(path, bytes);

    DIBSection image;
    EXPECT_EQ(ReadJpegFile(path, image, messages), 1);
    ASSERT_TRUE(image.IsValid());
    EXPECT_TRUE(Near(At(image, 10, 3), WHITE));
    EXPECT_TRUE(Near(At(image, 63, 12), WHITE));
    // The premature end is a warning: the library's standard handling shows the first one through its
    // message output, and decoding goes on.
    ASSERT_EQ(messages.m_shown.size(), 1u);
    EXPECT_EQ(messages.m_shown[0].m_kind, MessageKind::Warning);
    EXPECT_EQ(messages.m_shown[0].m_strText, "Premature end of JPEG file");
}

} // namespace
} // namespace gc
