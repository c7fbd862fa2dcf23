// The MRC reader on files built here with known values: the grey level of every pixel for each
// mode and byte order, stacks, and every kind of file it must refuse.
#include "image/MrcReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

namespace gc {
namespace {

using test::TempDir;
using Bytes = std::vector<unsigned char>;

constexpr double NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();
constexpr double INFINITE = std::numeric_limits<double>::infinity();

// Reverses every 4-byte number of a little-endian header (all of bytes 0-207 and 216-223; MAP and
// the machine stamp are characters) and stamps it big-endian.
void MakeBigEndian(Bytes& header) {
    for (int at = 0; at < 224; at += 4)
        if (at != 208 && at != 212)
            std::reverse(header.begin() + at, header.begin() + at + 4);
    header[212] = header[213] = 0x11;
}

// One value of `mode` as the file stores it.
void AppendValue(Bytes& bytes, int mode, double value, bool bigEndian) {
    unsigned char sample[4];
    int size = 0;
    if (mode == MRC_MODE_BYTE) {
        sample[0] = static_cast<unsigned char>(value);
        size = 1;
    } else if (mode == MRC_MODE_INT16 || mode == MRC_MODE_UINT16) {
        const auto bits = mode == MRC_MODE_INT16
                              ? static_cast<std::uint16_t>(static_cast<std::int16_t>(value))
                              : static_cast<std::uint16_t>(value);
        sample[0] = static_cast<unsigned char>(bits);
        sample[1] = static_cast<unsigned char>(bits >> 8);
        size = 2;
    } else {
        PutFloatLE(sample, static_cast<float>(value));
        size = 4;
    }
    if (bigEndian)
        std::reverse(sample, sample + size);
    bytes.insert(bytes.end(), sample, sample + size);
}

// A whole file: header for nx × ny × nz of `mode`, `extended` bytes of extended header, the values.
Bytes MrcFileBytes(int mode, int nx, int ny, int nz, const std::vector<double>& values,
                   bool bigEndian = false, int extended = 0) {
    MrcHeader header;
    header.SetImage(nx, ny, mode, nz);
    header.m_nNSymBT = extended;
    const auto headerBytes = header.Bytes();
    Bytes bytes(headerBytes.begin(), headerBytes.end());
    if (bigEndian)
        MakeBigEndian(bytes);
    bytes.resize(bytes.size() + static_cast<std::size_t>(extended), 0xee);
    for (double value : values)
        AppendValue(bytes, mode, value, bigEndian);
    return bytes;
}

// Grey level of pixel (x, y) from the top-left; -1 when red, green and blue differ.
int GreyAt(const DIBSection& image, int x, int y) {
    unsigned char rgba[4] = {1, 2, 3, 4};
    image.GetPixelColor(static_cast<unsigned>(x), static_cast<unsigned>(y), rgba);
    return rgba[0] == rgba[1] && rgba[1] == rgba[2] ? rgba[0] : -1;
}

std::vector<int> Greys(const DIBSection& image) {
    std::vector<int> greys;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x)
            greys.push_back(GreyAt(image, x, y));
    return greys;
}

MrcReadOutcome ReadBytes(const TempDir& dir, const Bytes& bytes, MrcImages& images) {
    const std::string path = dir.File("file.mrc");
    test::WriteFileBytes(path, bytes);
    return ReadMrcFile(path, images);
}

TEST(MrcReader, GreyLevelsOfEachMode) {
    struct Case {
        const char* name;
        int mode;
        bool bigEndian;
        int width, height;
        std::vector<double> values; // first row first, from the top
        std::vector<int> greys;
        int extended = 0;
    };
    const std::vector<double> reals = {-1.5, 0.0, 1.5, 3.0, NOT_A_NUMBER, INFINITE};
    const std::vector<int> realGreys = {0, 85, 170, 255, 0, 255};
    const std::vector<double> shorts = {-100, -50, 0, 50, 100, 0};
    const std::vector<int> shortGreys = {0, 64, 128, 191, 255, 128};
    for (const Case& c : {
             // Bytes as the Run writes them: the value is the grey level, above 127 too.
             Case{
                 "bytes", MRC_MODE_BYTE, false, 3, 2, {0, 1, 127, 128, 200, 255}, {0, 1, 127, 128, 200, 255}},
             Case{"bytes after an extended header",
                  MRC_MODE_BYTE,
                  false,
                  2,
                  2,
                  {10, 20, 30, 40},
                  {10, 20, 30, 40},
                  100},
             // Scaled from the section's minimum (black) to its maximum (white), nearest level.
             Case{"signed 16-bit", MRC_MODE_INT16, false, 3, 2, shorts, shortGreys},
             Case{"signed 16-bit, big-endian", MRC_MODE_INT16, true, 2, 3, shorts, shortGreys},
             // Above 32767 only when read unsigned: 32896 = 128 · 257.
             Case{"unsigned 16-bit", MRC_MODE_UINT16, false, 2, 2, {0, 257, 32896, 65535}, {0, 1, 128, 255}},
             // Values that are not finite stay out of the range: NaN black, +infinity white.
             Case{"float", MRC_MODE_FLOAT, false, 3, 2, reals, realGreys},
             Case{"float, big-endian", MRC_MODE_FLOAT, true, 6, 1, reals, realGreys},
             Case{"flat float section is black", MRC_MODE_FLOAT, false, 1, 2, {7.25, 7.25}, {0, 0}},
             Case{"flat 16-bit section is black", MRC_MODE_UINT16, false, 2, 1, {9, 9}, {0, 0}},
         }) {
        TempDir dir;
        MrcImages images;
        ASSERT_EQ(ReadBytes(dir,
                            MrcFileBytes(c.mode, c.width, c.height, 1, c.values, c.bigEndian, c.extended),
                            images),
                  MrcReadOutcome::Read)
            << c.name;
        ASSERT_EQ(images.size(), 1u) << c.name;
        EXPECT_EQ(images[0]->GetWidth(), c.width) << c.name;
        EXPECT_EQ(images[0]->GetHeight(), c.height) << c.name;
        EXPECT_EQ(Greys(*images[0]), c.greys) << c.name;
    }
}

TEST(MrcReader, EverySectionIsAnImageScaledOnItsOwn) {
    TempDir dir;
    MrcImages images;
    MrcHeader header;
    // Three 2 × 2 float boxes, as a collated pick file holds them.
    ASSERT_EQ(ReadBytes(dir,
                        MrcFileBytes(MRC_MODE_FLOAT, 2, 2, 3, {0, 1, 1, 0, 10, 20, 30, 40, -5, -5, -5, -5}),
                        images),
              MrcReadOutcome::Read);
    ASSERT_EQ(images.size(), 3u);
    EXPECT_EQ(Greys(*images[0]), (std::vector<int>{0, 255, 255, 0}));
    EXPECT_EQ(Greys(*images[1]), (std::vector<int>{0, 85, 170, 255}));
    EXPECT_EQ(Greys(*images[2]), (std::vector<int>{0, 0, 0, 0}));

    // Byte stacks keep their values; the header comes back with the images.
    ASSERT_EQ(ReadMrcFile(dir.File("file.mrc"), images, &header), MrcReadOutcome::Read);
    EXPECT_EQ(header.m_nNZ, 3);
    ASSERT_EQ(ReadBytes(dir, MrcFileBytes(MRC_MODE_BYTE, 3, 1, 2, {1, 2, 3, 250, 251, 252}), images),
              MrcReadOutcome::Read);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(Greys(*images[1]), (std::vector<int>{250, 251, 252}));
}

TEST(MrcReader, RefusesWhatItCannotShowBeforeAllocating) {
    struct Case {
        const char* name;
        int mode, nx, ny, nz, extended;
        std::int64_t afterHeader; // zero bytes after the 1024-byte header
        MrcReadOutcome outcome;
    };
    constexpr int BIG = INT_MAX;
    for (const Case& c : {
             Case{"mode 3 (complex)", 3, 2, 2, 1, 0, 16, MrcReadOutcome::UnknownMode},
             Case{"mode -1", -1, 2, 2, 1, 0, 16, MrcReadOutcome::UnknownMode},
             Case{"mode 12", 12, 2, 2, 1, 0, 16, MrcReadOutcome::UnknownMode},
             Case{"NX 0", MRC_MODE_BYTE, 0, 2, 1, 0, 16, MrcReadOutcome::BadSize},
             Case{"NY negative", MRC_MODE_BYTE, 2, -2, 1, 0, 16, MrcReadOutcome::BadSize},
             Case{"NZ 0", MRC_MODE_BYTE, 2, 2, 0, 0, 16, MrcReadOutcome::BadSize},
             Case{"NSYMBT negative", MRC_MODE_BYTE, 2, 2, 1, -1, 16, MrcReadOutcome::BadSize},
             Case{"NX·NY·4 overflows", MRC_MODE_FLOAT, BIG, BIG, 1, 0, 16, MrcReadOutcome::BadSize},
             Case{"NX·NY·NZ·4 overflows", MRC_MODE_FLOAT, 65536, 65536, BIG, 0, 16, MrcReadOutcome::BadSize},
             Case{"one value short", MRC_MODE_INT16, 3, 3, 2, 0, 35, MrcReadOutcome::Truncated},
             Case{"extended header pushes the data out", MRC_MODE_BYTE, 2, 2, 1, 1, 4,
                  MrcReadOutcome::Truncated},
             Case{"data after the extended header", MRC_MODE_BYTE, 2, 2, 1, 1, 5, MrcReadOutcome::Read},
             Case{"huge extended header", MRC_MODE_BYTE, 2, 2, 1, BIG, 4, MrcReadOutcome::Truncated},
             Case{"header declares far more data", MRC_MODE_BYTE, 30000, 30000, 1, 0, 16,
                  MrcReadOutcome::Truncated},
             // Sparse files, so the data are there without taking disk space.
             Case{"one section over 1 GiB of bitmap", MRC_MODE_BYTE, 20000, 20000, 1, 0, 400000000,
                  MrcReadOutcome::TooLarge},
             Case{"sections over 1 GiB together", MRC_MODE_BYTE, 3000, 3000, 50, 0, 450000000,
                  MrcReadOutcome::TooLarge},
             Case{"very many tiny sections", MRC_MODE_BYTE, 1, 1, 300000, 0, 300000,
                  MrcReadOutcome::TooLarge},
             // No pixel limit of its own: only the bitmap bound.
             Case{"10,001 pixels wide", MRC_MODE_BYTE, 10001, 3, 1, 0, 30003, MrcReadOutcome::Read},
             Case{"10,001 sections", MRC_MODE_BYTE, 2, 1, 10001, 0, 20002, MrcReadOutcome::Read},
             Case{"data beyond the declared values are ignored", MRC_MODE_BYTE, 2, 2, 1, 0, 100,
                  MrcReadOutcome::Read},
         }) {
        TempDir dir;
        MrcHeader header;
        header.SetImage(c.nx, c.ny, c.mode, c.nz);
        header.m_nNSymBT = c.extended;
        const auto bytes = header.Bytes();
        const std::string path = dir.File("file.mrc");
        test::WriteFileBytes(path, Bytes(bytes.begin(), bytes.end()));
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(MRC_HEADER_SIZE + c.afterHeader));
        MrcImages images;
        EXPECT_EQ(ReadMrcFile(path, images), c.outcome) << c.name;
        if (c.outcome == MrcReadOutcome::Read)
            EXPECT_EQ(static_cast<int>(images.size()), c.nz) << c.name;
        else
            EXPECT_TRUE(images.empty()) << c.name;
    }
    MrcImages images;
    EXPECT_EQ(ReadMrcFile("/nonexistent/file.mrc", images), MrcReadOutcome::CannotOpen);
}

// Cut at every length, a file is refused with no image and no crash: shorter than the header,
// inside the extended header, inside any section.
TEST(MrcReader, EveryTruncationIsRefused) {
    for (int mode : {MRC_MODE_BYTE, MRC_MODE_INT16, MRC_MODE_FLOAT}) {
        TempDir dir;
        std::vector<double> values(3 * 2 * 2);
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = static_cast<double>(i * 7);
        const Bytes whole = MrcFileBytes(mode, 3, 2, 2, values, false, 8);
        const std::string path = dir.File("cut.mrc");
        test::WriteFileBytes(path, whole);
        MrcImages images;
        ASSERT_EQ(ReadMrcFile(path, images), MrcReadOutcome::Read);
        for (std::size_t length = whole.size(); length-- > 0;) {
            std::filesystem::resize_file(path, length);
            const MrcReadOutcome outcome = ReadMrcFile(path, images);
            EXPECT_EQ(outcome,
                      length < MRC_HEADER_SIZE ? MrcReadOutcome::NoHeader : MrcReadOutcome::Truncated)
                << "mode " << mode << ", " << length << " bytes";
            EXPECT_TRUE(images.empty());
        }
    }
}

TEST(MrcHeader, ReadsBackWhatItWritesInEitherByteOrder) {
    MrcHeader written;
    written.SetImage(300, 200, MRC_MODE_FLOAT, 7);
    written.SetStatistics(-1.5, 2.5, 0.25, 0.75);
    written.SetLabel("Converted mrc file from TIFF - 8 bit. Log scaled.");
    written.m_nNSymBT = 96;
    const auto little = written.Bytes();
    Bytes big(little.begin(), little.end());
    MakeBigEndian(big);
    for (const bool bigEndian : {false, true}) {
        MrcHeader read;
        unsigned char raw[MRC_HEADER_SIZE];
        std::memcpy(raw, bigEndian ? big.data() : little.data(), MRC_HEADER_SIZE);
        read.SetFromBytes(raw);
        EXPECT_EQ(read.IsBigEndian(), bigEndian);
        EXPECT_EQ(read.m_nNX, 300);
        EXPECT_EQ(read.m_nNY, 200);
        EXPECT_EQ(read.m_nNZ, 7);
        EXPECT_EQ(read.m_nMode, MRC_MODE_FLOAT);
        EXPECT_EQ(read.m_nNSymBT, 96);
        EXPECT_EQ(read.m_fCellA[2], 7.0f);
        EXPECT_EQ(read.m_fCellB[1], 90.0f);
        EXPECT_EQ(read.m_fDMin, -1.5f);
        EXPECT_EQ(read.m_fDMax, 2.5f);
        EXPECT_EQ(read.m_fDMean, 0.25f);
        EXPECT_EQ(read.m_fRms, 0.75f);
        EXPECT_EQ(std::string(read.m_cMap, 4), "MAP ");
        EXPECT_EQ(read.m_nLabels, 1);
        EXPECT_EQ(read.Label(0), "Converted mrc file from TIFF - 8 bit. Log scaled.");
        EXPECT_EQ(read.Label(1), "");
        EXPECT_EQ(read.Label(10), "");
    }
}

// The section as the store hands it out: the file's own values, never grey levels, in every mode and
// byte order, from any section of a stack; a header of an older writer (no "MAP" word, axis fields 0)
// is read all the same. Little-endian sections are the file's mapped bytes.
TEST(MrcFileStore, SectionsHoldTheFilesOwnValues) {
    struct Case {
        const char* name;
        int mode;
        bool bigEndian;
        bool olderHeader;
        SampleType type;
        std::vector<double> values; // two sections of 3 × 2, first row first
    };
    const std::vector<double> bytes = {0, 1, 127, 128, 200, 255, 9, 8, 7, 250, 130, 3};
    const std::vector<double> shorts = {-32768, -1, 0, 1, 32767, 5, -300, 301, -2, 2, 0, -7};
    const std::vector<double> unsignedShorts = {0, 1, 32768, 65535, 40000, 2, 3, 60000, 4, 5, 32896, 6};
    const std::vector<double> reals = {-1.5, 0.25, 1e30, -1e-30, 3.0, 7.125, 8.5, -0.0, 2.75, 1e-3, -4, 1};
    for (const Case& c : {
             Case{"bytes above 127 are unsigned", MRC_MODE_BYTE, false, false, SampleType::UInt8, bytes},
             Case{"bytes, older header", MRC_MODE_BYTE, false, true, SampleType::UInt8, bytes},
             Case{"signed 16-bit", MRC_MODE_INT16, false, false, SampleType::Int16, shorts},
             Case{"signed 16-bit, big-endian", MRC_MODE_INT16, true, false, SampleType::Int16, shorts},
             Case{"unsigned 16-bit", MRC_MODE_UINT16, false, false, SampleType::UInt16, unsignedShorts},
             Case{"unsigned 16-bit, older header", MRC_MODE_UINT16, false, true, SampleType::UInt16,
                  unsignedShorts},
             Case{"float", MRC_MODE_FLOAT, false, false, SampleType::Float32, reals},
             Case{"float, big-endian, older header", MRC_MODE_FLOAT, true, true, SampleType::Float32, reals},
         }) {
        TempDir dir;
        Bytes file = MrcFileBytes(c.mode, 3, 2, 2, c.values, c.bigEndian);
        if (c.olderHeader) {
            std::fill(file.begin() + 64, file.begin() + 76, 0);   // MAPC, MAPR, MAPS
            std::fill(file.begin() + 208, file.begin() + 212, 0); // MAP
        }
        const std::string path = dir.File("values.mrc");
        test::WriteFileBytes(path, file);
        MrcFile mrc;
        ASSERT_EQ(mrc.Open(path), MrcReadOutcome::Read) << c.name;
        ASSERT_EQ(mrc.Sections(), 2) << c.name;
        for (int section = 0; section < 2; ++section) {
            PixelStore store;
            ASSERT_TRUE(mrc.Section(section, store)) << c.name;
            EXPECT_EQ(store.Type(), c.type) << c.name;
            EXPECT_EQ(store.IsMapped(), !c.bigEndian) << c.name;
            ASSERT_EQ(store.Width(), 3);
            ASSERT_EQ(store.Height(), 2);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    EXPECT_EQ(store.Value(x, y),
                              static_cast<double>(static_cast<float>(
                                  c.values[static_cast<std::size_t>(section * 6 + y * 3 + x)])))
                        << c.name << ", section " << section << " at " << x << "," << y;
        }
        PixelStore none;
        EXPECT_FALSE(mrc.Section(2, none)) << c.name;
    }
}

// A mapped section whose file another program cuts short: the pages past the new end read as zeros
// instead of ending the process with a bus error, and the store says it is no longer the file's.
TEST(MrcFileStore, AFileCutShortWhileOpenReadsZerosAndSaysSo) {
    constexpr int width = 4096, height = 64; // a row per page
    std::vector<double> values;
    for (int y = 0; y < height; ++y)
        values.insert(values.end(), width, y + 1);
    TempDir dir;
    const std::string path = dir.File("cut.mrc");
    test::WriteFileBytes(path, MrcFileBytes(MRC_MODE_BYTE, width, height, 1, values));
    MrcFile mrc;
    ASSERT_EQ(mrc.Open(path), MrcReadOutcome::Read);
    PixelStore store;
    ASSERT_TRUE(mrc.Section(0, store));
    ASSERT_TRUE(store.IsMapped());
    EXPECT_EQ(store.Value(width - 1, height - 1), height);
    EXPECT_TRUE(store.IsIntact());

    // Eight rows are left; row 8 starts inside the last page the file still has.
    std::filesystem::resize_file(path, MRC_HEADER_SIZE + 8 * width);
    struct Read {
        int x, y;
        double value;
    };
    for (const Read& read : {Read{0, 0, 1}, Read{width - 1, 7, 8}, Read{0, 8, 0}, Read{width - 1, 8, 0},
                             Read{5, 9, 0}, Read{0, 40, 0}, Read{width - 1, height - 1, 0}})
        EXPECT_EQ(store.Value(read.x, read.y), read.value) << read.x << "," << read.y;
    EXPECT_FALSE(store.IsIntact());
    // Made long again (a hole of zeros), the pages that were missing still make the store suspect.
    std::filesystem::resize_file(path, MRC_HEADER_SIZE + static_cast<std::uintmax_t>(width) * height);
    EXPECT_FALSE(store.IsIntact());

    // A file only cut inside its last page raises no bus error; its size tells.
    test::WriteFileBytes(path, MrcFileBytes(MRC_MODE_BYTE, 4, 4, 1, std::vector<double>(16, 6)));
    MrcFile small;
    ASSERT_EQ(small.Open(path), MrcReadOutcome::Read);
    PixelStore smallStore;
    ASSERT_TRUE(small.Section(0, smallStore));
    EXPECT_TRUE(smallStore.IsIntact());
    std::filesystem::resize_file(path, MRC_HEADER_SIZE + 8);
    EXPECT_EQ(smallStore.Value(3, 3), 0);
    EXPECT_FALSE(smallStore.IsIntact());
}

} // namespace
} // namespace gc
