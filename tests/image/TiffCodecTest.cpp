#include "image/TiffCodec.h"
#include "core/TiffHandle.h"
#include "image/TiffStoreReader.h"

#include "core/TiffErrors.h"
#include "image/ImageMessages.h"
#include "image/TiffTestFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace gc {
namespace {

using test::GreyPage;
using test::RawGreyRow;
using test::RawTiff;
using test::RecordingMessages;
using test::TempDir;
using test::TiffPage;
using test::WriteTiff;

// Blue, green, red of pixel (x, y), y from the top.
std::array<int, 3> Bgr(const DIBSection& image, int x, int y) {
    const unsigned char* pixel = image.MemoryRow(image.GetHeight() - 1 - y) + 3 * x;
    return {pixel[0], pixel[1], pixel[2]};
}

TEST(TiffRead, OpaqueGreyKeepsEveryLevelAndOrientation) {
    TempDir dir;
    const std::string path = dir.File("grey.tif");
    // 5 × 2, top row 200 1 0 255 2, bottom row 10 20 30 40 50.
    ASSERT_TRUE(WriteTiff(path, {GreyPage(5, 2, {200, 1, 0, 255, 2, 10, 20, 30, 40, 50})}));
    DIBSection image;
    RecordingMessages messages;
    ASSERT_EQ(ReadTiffImage(path, image, 0, messages), TiffReadOutcome::Read);
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_EQ(image.GetHeight(), 2);
    EXPECT_EQ(image.GetBitsPerPixel(), 24);
    const int top[] = {200, 1, 0, 255, 2};
    const int bottom[] = {10, 20, 30, 40, 50};
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(Bgr(image, x, 0), (std::array<int, 3>{top[x], top[x], top[x]})) << x;
        EXPECT_EQ(Bgr(image, x, 1), (std::array<int, 3>{bottom[x], bottom[x], bottom[x]})) << x;
    }
    // Memory row 0 is the picture's bottom row; the padding columns stay zero.
    EXPECT_EQ(image.MemoryRow(0)[0], 10);
    for (int x = 5; x < image.GetPaddedWidth(); ++x)
        EXPECT_EQ(image.MemoryRow(1)[3 * x], 0);
    EXPECT_TRUE(messages.m_shown.empty());
}

TEST(TiffRead, ColoursAreStoredBlueGreenRedAndWeightedByAlpha) {
    TempDir dir;
    const std::string path = dir.File("rgba.tif");
    TiffPage page;
    page.width = 2;
    page.height = 1;
    page.samples = 4;
    page.photometric = PHOTOMETRIC_RGB;
    page.associatedAlpha = true;
    page.pixels = {200, 100, 50, 128, 255, 10, 3, 255};
    ASSERT_TRUE(WriteTiff(path, {page}));
    DIBSection image;
    RecordingMessages messages;
    ASSERT_EQ(ReadTiffImage(path, image, 0, messages), TiffReadOutcome::Read);
    // c·a / 255 rounded per component: 50·128 → 25.1 → 25, 100·128 → 50.2 → 50, 200·128 → 100.4 → 100;
    // an opaque pixel keeps its values.
    EXPECT_EQ(Bgr(image, 0, 0), (std::array<int, 3>{25, 50, 100}));
    EXPECT_EQ(Bgr(image, 1, 0), (std::array<int, 3>{3, 10, 255}));
}

TEST(TiffList, ListsEveryDirectoryWithASize) {
    TempDir dir;
    const std::string path = dir.File("three.tif");
    ASSERT_TRUE(WriteTiff(path, {GreyPage(5, 4), GreyPage(3, 2), GreyPage(7, 1)}));
    TiffDirList list;
    list.Add({1, 1, 99}); // entries are appended after what the list holds
    RecordingMessages messages;
    EXPECT_EQ(ListTiffDirectories(path, list, messages), 3);
    ASSERT_EQ(list.GetCount(), 4);
    const int expected[3][3] = {{5, 4, 0}, {3, 2, 1}, {7, 1, 2}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list[i + 1].m_nWidth, expected[i][0]);
        EXPECT_EQ(list[i + 1].m_nHeight, expected[i][1]);
        EXPECT_EQ(list[i + 1].m_nDirectory, expected[i][2]);
    }

    // Each directory reads as its own picture.
    DIBSection image;
    ASSERT_EQ(ReadTiffImage(path, image, 2, messages), TiffReadOutcome::Read);
    EXPECT_EQ(image.GetWidth(), 7);
    EXPECT_EQ(image.GetHeight(), 1);
}

TEST(TiffList, LeavesOutADirectoryWithoutWidth) {
    TempDir dir;
    const std::string path = dir.File("gap.tif");
    test::WriteFileBytes(path, RawTiff({RawGreyRow(2), RawGreyRow(0), RawGreyRow(3)}, {100, 200, 250}));
    TiffDirList list;
    RecordingMessages messages;
    EXPECT_EQ(ListTiffDirectories(path, list, messages), 2);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list[0].m_nDirectory, 0);
    EXPECT_EQ(list[1].m_nDirectory, 2);
    EXPECT_EQ(list[1].m_nWidth, 3);
    // The broken directory cannot be read, and reading it never yields another directory's picture.
    DIBSection image;
    EXPECT_EQ(ReadTiffImage(path, image, 1, messages), TiffReadOutcome::NotRead);
    EXPECT_FALSE(image.IsValid());
    // The library's complaints arrive as warnings captioned with the reporting function.
    ASSERT_FALSE(messages.m_shown.empty());
    EXPECT_EQ(messages.m_shown[0].m_kind, MessageKind::Warning);
    EXPECT_NE(messages.m_shown[0].m_strCaption.find(" Error"), std::string::npos);
}

TEST(TiffList, DirectoryThatCannotBeFetchedIsNeitherListedNorRead) {
    // Two good directories, then a link to a directory of zero entries: the library counts three
    // directories but cannot enter the third, and the handle keeps the fields of the one before.
    TempDir dir;
    const std::string path = dir.File("dangling.tif");
    auto bytes = RawTiff({RawGreyRow(2), RawGreyRow(3)}, {100, 200, 250, 0});
    const std::size_t lastLink = 8 + (2 + 12 * 9 + 4) + (2 + 12 * 9);
    const std::uint32_t emptyDirectory = static_cast<std::uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i)
        bytes[lastLink + i] = static_cast<unsigned char>(emptyDirectory >> (8 * i));
    bytes.insert(bytes.end(), 6, 0); // entry count 0, no next directory
    test::WriteFileBytes(path, bytes);

    TiffDirList list;
    RecordingMessages messages;
    EXPECT_EQ(ListTiffDirectories(path, list, messages), 2);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list[1].m_nDirectory, 1);
    EXPECT_EQ(list[1].m_nWidth, 3);
    DIBSection image;
    EXPECT_EQ(ReadTiffImage(path, image, 2, messages), TiffReadOutcome::NotRead);
    EXPECT_FALSE(image.IsValid());
    // Beyond the chain altogether, nothing either.
    EXPECT_EQ(ReadTiffImage(path, image, 5, messages), TiffReadOutcome::NotRead);
    EXPECT_FALSE(image.IsValid());
}

// No pixel limit: a grey picture of any size is read as its values; a layout read through RGBA is
// refused only when its bitmap would pass the memory bound, before anything is allocated.
TEST(TiffRead, OpensAnySizeThatMemoryAllows) {
    TempDir dir;
    for (const auto& [width, height] : {std::pair{20001, 1}, std::pair{1, 20001}, std::pair{10000, 1}}) {
        const std::string path = dir.File("big.tif");
        ASSERT_TRUE(WriteTiff(path, {GreyPage(width, height)}));
        PixelStore store;
        RecordingMessages messages;
        ASSERT_EQ(ReadTiffStore(path, 0, store, messages), TiffStoreOutcome::Read)
            << width << " x " << height;
        EXPECT_TRUE(messages.m_shown.empty());
        EXPECT_EQ(store.Width(), width);
        EXPECT_EQ(store.Height(), height);
    }
    // A width of 2^31 or more is never allocated.
    const std::string path = dir.File("huge.tif");
    auto directory = RawGreyRow(1);
    directory[0] = {256, 4, 0x80000001u};
    test::WriteFileBytes(path, RawTiff({directory}, {0}));
    DIBSection image;
    RecordingMessages messages;
    EXPECT_EQ(ReadTiffImage(path, image, 0, messages), TiffReadOutcome::TooLarge);
    EXPECT_FALSE(image.IsValid());
    PixelStore store;
    EXPECT_NE(ReadTiffStore(path, 0, store, messages), TiffStoreOutcome::Read);
}

TEST(TiffRead, BrokenFilesOpenNothingOrBlackAndNeverCrash) {
    TempDir dir;
    RecordingMessages messages;
    DIBSection image;
    TiffDirList list;

    EXPECT_EQ(ReadTiffImage(dir.File("missing.tif"), image, 0, messages), TiffReadOutcome::NotRead);
    EXPECT_EQ(ListTiffDirectories(dir.File("missing.tif"), list, messages), 0);
    ASSERT_FALSE(messages.m_shown.empty());
    EXPECT_EQ(messages.m_shown[0].m_strCaption, "TIFFOpen Error");

    const std::string empty = dir.File("empty.tif");
    test::WriteFileBytes(empty, {});
    EXPECT_EQ(ListTiffDirectories(empty, list, messages), 0);
    EXPECT_EQ(ReadTiffImage(empty, image, 0, messages), TiffReadOutcome::NotRead);

    const std::string garbage = dir.File("garbage.tif");
    std::vector<unsigned char> noise(4096);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<unsigned char>(i * 7919 % 251);
    noise[0] = 'I';
    noise[1] = 'I';
    noise[2] = 42;
    noise[3] = 0;
    test::WriteFileBytes(garbage, noise);
    list.RemoveAll();
    const int listed = ListTiffDirectories(garbage, list, messages);
    for (int i = 0; i < listed; ++i)
        ReadTiffImage(garbage, image, list[i].m_nDirectory, messages);
    EXPECT_EQ(list.GetCount(), listed);

    // Strip data cut short (64 bytes declared, 10 present): the image is created, and what could not
    // be decoded stays black.
    const std::string truncated = dir.File("truncated.tif");
    test::WriteFileBytes(truncated, RawTiff({RawGreyRow(64)}, std::vector<unsigned char>(10, 180)));
    EXPECT_NE(ReadTiffImage(truncated, image, 0, messages), TiffReadOutcome::TooLarge);
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), 64);
    EXPECT_EQ(Bgr(image, 63, 0), (std::array<int, 3>{0, 0, 0}));

    // A library-written file cut in half loses its directory (written after the data).
    const std::string whole = dir.File("whole.tif");
    ASSERT_TRUE(WriteTiff(whole, {GreyPage(64, 64, std::vector<unsigned char>(64 * 64, 180))}));
    auto bytes = test::ReadFileBytes(whole);
    bytes.resize(bytes.size() / 2);
    test::WriteFileBytes(truncated, bytes);
    list.RemoveAll();
    EXPECT_EQ(ListTiffDirectories(truncated, list, messages), 0);
    EXPECT_EQ(ReadTiffImage(truncated, image, 0, messages), TiffReadOutcome::NotRead);
}

TEST(TiffRead, LibraryConvertsSixteenBitAndPaletteToColour) {
    const std::string folder = test::SharedTestData() + "/libtiff-images/";
    if (!std::filesystem::exists(folder))
        GTEST_SKIP() << "shared libtiff images not present";
    for (const char* name : {"minisblack-1c-16b.tiff", "palette-1c-8b.tiff", "palette-1c-4b.tiff",
                             "palette-1c-1b.tiff", "rgb-3c-16b.tiff", "miniswhite-1c-1b.tiff"}) {
        DIBSection image;
        RecordingMessages messages;
        EXPECT_EQ(ReadTiffImage(folder + name, image, 0, messages), TiffReadOutcome::Read) << name;
        ASSERT_TRUE(image.IsValid()) << name;
        EXPECT_EQ(image.GetBitsPerPixel(), 24);
        EXPECT_EQ(image.GetWidth(), 157) << name;
        EXPECT_EQ(image.GetHeight(), 151) << name;
        int distinct = 0;
        const unsigned char first = image.MemoryRow(0)[0];
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth() * 3; ++x)
                distinct += image.MemoryRow(y)[x] != first;
        EXPECT_GT(distinct, 0) << name << " decoded as a flat picture";
    }
    // The 16-bit greyscale file stays grey: blue = green = red everywhere.
    DIBSection grey;
    RecordingMessages messages;
    ReadTiffImage(folder + "minisblack-1c-16b.tiff", grey, 0, messages);
    for (int y = 0; y < grey.GetHeight(); ++y)
        for (int x = 0; x < grey.GetWidth(); ++x) {
            const auto bgr = Bgr(grey, x, y);
            ASSERT_TRUE(bgr[0] == bgr[1] && bgr[1] == bgr[2]) << x << "," << y;
        }
}

// Reads the binary PNM twin (P5 or P6) of a test image: width, height, top-down samples.
bool ReadPnm(const std::string& path, int& width, int& height, int& channels,
             std::vector<unsigned char>& data) {
    const auto bytes = test::ReadFileBytes(path);
    std::size_t at = 0;
    int fields[4] = {0, 0, 0, 0};
    int found = 0;
    if (bytes.size() < 2 || bytes[0] != 'P')
        return false;
    channels = bytes[1] == '6' ? 3 : 1;
    at = 2;
    while (found < 3 && at < bytes.size()) {
        if (bytes[at] == '#') {
            while (at < bytes.size() && bytes[at] != '\n')
                ++at;
        } else if (std::isdigit(bytes[at])) {
            int value = 0;
            while (at < bytes.size() && std::isdigit(bytes[at]))
                value = value * 10 + (bytes[at++] - '0');
            fields[found++] = value;
            continue;
        }
        ++at;
    }
    ++at; // the single blank after the maximum value
    width = fields[0];
    height = fields[1];
    data.assign(bytes.begin() + static_cast<long>(at), bytes.end());
    return data.size() >= static_cast<std::size_t>(width) * height * channels;
}

TEST(TiffRead, MatchesThePnmTwins) {
    const std::string folder = test::SharedTestData() + "/libtiff-images/";
    if (!std::filesystem::exists(folder))
        GTEST_SKIP() << "shared libtiff images not present";
    for (const char* stem : {"rgb-3c-8b", "minisblack-1c-8b"}) {
        const std::string pnm = folder + stem + (std::string(stem).starts_with("rgb") ? ".ppm" : ".pgm");
        int width = 0, height = 0, channels = 0;
        std::vector<unsigned char> samples;
        ASSERT_TRUE(ReadPnm(pnm, width, height, channels, samples)) << pnm;
        DIBSection image;
        RecordingMessages messages;
        ASSERT_EQ(ReadTiffImage(folder + stem + ".tiff", image, 0, messages), TiffReadOutcome::Read);
        ASSERT_EQ(image.GetWidth(), width);
        ASSERT_EQ(image.GetHeight(), height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const unsigned char* s = &samples[(static_cast<std::size_t>(y) * width + x) * channels];
                const int r = s[0], g = channels == 3 ? s[1] : s[0], b = channels == 3 ? s[2] : s[0];
                ASSERT_EQ(Bgr(image, x, y), (std::array<int, 3>{b, g, r})) << stem << " at " << x << "," << y;
            }
    }
}

// A 5 × 2 image: pixel (x, y) has blue 10x + y, green 100 + y, red 200 + x.
DIBSection Sample5x2() {
    DIBSection image;
    image.Create(5, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) {
            unsigned char* pixel = image.MemoryRow(1 - y) + 3 * x;
            pixel[0] = static_cast<unsigned char>(10 * x + y);
            pixel[1] = static_cast<unsigned char>(100 + y);
            pixel[2] = static_cast<unsigned char>(200 + x);
        }
    return image;
}

TEST(TiffWrite, OneRgbStripPerRowTopRowFirst) {
    TempDir dir;
    const std::string path = dir.File("out.tif");
    RecordingMessages messages;
    EXPECT_EQ(WriteTiffFile(path, Sample5x2(), messages), 10);
    EXPECT_TRUE(messages.m_shown.empty());

    gc::TiffHandle handle(TIFFOpen(path.c_str(), "r"));
    ASSERT_TRUE(handle);
    TIFF* tiff = handle.get();
    std::uint32_t width = 0, height = 0, rowsPerStrip = 0;
    std::uint16_t bits = 0, compression = 0, photometric = 0, samples = 0, planar = 0, unit = 0,
                  orientation = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(tiff, TIFFTAG_ORIENTATION, &orientation);
    EXPECT_EQ(width, 5u);
    EXPECT_EQ(height, 2u);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(compression, COMPRESSION_PACKBITS);
    EXPECT_EQ(photometric, PHOTOMETRIC_RGB);
    EXPECT_EQ(samples, 3);
    EXPECT_EQ(rowsPerStrip, 1u);
    EXPECT_EQ(planar, PLANARCONFIG_CONTIG);
    EXPECT_EQ(unit, RESUNIT_NONE);
    EXPECT_EQ(orientation, ORIENTATION_TOPLEFT);
    float resolution = 0;
    EXPECT_EQ(TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &resolution), 0);
    EXPECT_EQ(TIFFNumberOfDirectories(tiff), 1u);

    ASSERT_EQ(TIFFNumberOfStrips(tiff), 2u);
    for (std::uint32_t strip = 0; strip < 2; ++strip) {
        unsigned char row[64] = {};
        ASSERT_EQ(TIFFReadEncodedStrip(tiff, strip, row, sizeof row), 15);
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(row[3 * x], 200 + x);                 // red
            EXPECT_EQ(row[3 * x + 1], 100 + int(strip));    // green: strip 0 is the top row
            EXPECT_EQ(row[3 * x + 2], 10 * x + int(strip)); // blue
        }
    }
}

TEST(TiffWrite, ReadingBackGivesTheSamePixels) {
    TempDir dir;
    const std::string path = dir.File("round.tif");
    const DIBSection original = Sample5x2();
    RecordingMessages messages;
    ASSERT_EQ(WriteTiffFile(path, original, messages), 10);
    DIBSection image;
    ASSERT_EQ(ReadTiffImage(path, image, 0, messages), TiffReadOutcome::Read);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(Bgr(image, x, y), Bgr(original, x, y)) << x << "," << y;
}

// A TIFF sink in memory that refuses to grow past a limit, as a full disk would.
struct LimitedSink {
    std::vector<unsigned char> m_bytes;
    std::size_t m_nLimit;
    toff_t m_nPosition = 0;
};

tmsize_t SinkRead(thandle_t, void*, tmsize_t) {
    return 0;
}
tmsize_t SinkWrite(thandle_t handle, void* data, tmsize_t size) {
    auto* sink = static_cast<LimitedSink*>(handle);
    if (sink->m_nPosition + static_cast<toff_t>(size) > sink->m_nLimit)
        return -1;
    if (sink->m_bytes.size() < sink->m_nPosition + size)
        sink->m_bytes.resize(sink->m_nPosition + size);
    std::memcpy(sink->m_bytes.data() + sink->m_nPosition, data, static_cast<std::size_t>(size));
    sink->m_nPosition += size;
    return size;
}
toff_t SinkSeek(thandle_t handle, toff_t offset, int whence) {
    auto* sink = static_cast<LimitedSink*>(handle);
    if (whence == SEEK_SET)
        sink->m_nPosition = offset;
    else if (whence == SEEK_CUR)
        sink->m_nPosition += offset;
    else
        sink->m_nPosition = sink->m_bytes.size() + offset;
    return sink->m_nPosition;
}
int SinkClose(thandle_t) {
    return 0;
}
toff_t SinkSize(thandle_t handle) {
    return static_cast<LimitedSink*>(handle)->m_bytes.size();
}

TEST(TiffWrite, ReportsARowOrDirectoryThatCannotBeWritten) {
    DIBSection image;
    image.Create(300, 40, 24);
    for (std::size_t i = 0; i < image.GetImageBytes(); ++i)
        image.GetBits()[i] = static_cast<unsigned char>(i * 31 % 256); // little for PackBits to shrink
    RecordingMessages messages;
    TiffErrorScope errors(messages);
    for (std::size_t limit : {std::size_t{2000}, std::size_t{30000}, std::size_t{36100}}) {
        LimitedSink sink{{}, limit};
        gc::TiffHandle handle(TIFFClientOpen("sink", "w", &sink, SinkRead, SinkWrite, SinkSeek, SinkClose,
                                             SinkSize, nullptr, nullptr));
        ASSERT_TRUE(handle);
        EXPECT_EQ(WriteTiffImage(handle.get(), image), 0) << limit;
    }
    LimitedSink roomy{{}, std::size_t{1} << 24};
    gc::TiffHandle handle(TIFFClientOpen("sink", "w", &roomy, SinkRead, SinkWrite, SinkSeek, SinkClose,
                                         SinkSize, nullptr, nullptr));
    EXPECT_EQ(WriteTiffImage(handle.get(), image), 300 * 40);
}

TEST(TiffWrite, NothingWrittenForAnEmptyImageOrAnUnwritablePath) {
    TempDir dir;
    RecordingMessages messages;
    EXPECT_EQ(WriteTiffFile(dir.File("empty.tif"), DIBSection{}, messages), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.tif")));
    EXPECT_EQ(WriteTiffFile(dir.File("no/such/folder/x.tif"), Sample5x2(), messages), 0);
    ASSERT_EQ(messages.m_shown.size(), 1u);
    EXPECT_EQ(messages.m_shown[0].m_strCaption, "TIFFOpen Error");
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(WriteTiffFile("/dev/full", Sample5x2(), messages), 0);
    }
}

} // namespace
} // namespace gc
