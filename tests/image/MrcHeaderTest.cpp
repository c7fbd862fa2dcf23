#include "image/MrcHeader.h"
#include "core/FileHandles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace gc {
namespace {

using test::ReadFileBytes;
using test::TempDir;

using File = gc::FileHandle;

// Writes a finished one-section float file of the given values.
void WriteFloatFile(const std::string& path, int width, int height, const std::vector<float>& values,
                    const std::string& label) {
    File file(std::fopen(path.c_str(), "wb"));
    ASSERT_TRUE(file);
    MrcHeader header;
    header.SetImage(width, height, MRC_MODE_FLOAT);
    header.SetStatistics(1.5, 2.5, 2.0, 0.25);
    header.SetLabel(label);
    ASSERT_TRUE(header.Write(file.get()));
    for (float value : values) {
        unsigned char bytes[4];
        PutFloatLE(bytes, value);
        ASSERT_EQ(std::fwrite(bytes, 1, 4, file.get()), 4u);
    }
}

TEST(MrcHeader, ClearedStateIsThePlaceholder) {
    const auto bytes = MrcHeader().Bytes();
    EXPECT_EQ(std::memcmp(bytes.data() + 208, "    ", 4), 0);
    for (int i = 212; i < 224; ++i)
        EXPECT_EQ(bytes[i], 0) << "byte " << i; // MACHST, RMS, NLABL
    for (int i = 224; i < MRC_HEADER_SIZE; ++i)
        ASSERT_EQ(bytes[i], ' ') << "byte " << i;
    for (int i = 0; i < 208; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(MrcHeader, FinishedHeaderLayout) {
    MrcHeader header;
    header.SetImage(300, 200, MRC_MODE_BYTE, 3);
    header.SetStatistics(0.0, 255.0, 127.25, 12.5);
    header.SetLabel("Converted mrc file from TIFF - 8 bit. Log scaled.");
    const auto bytes = header.Bytes();
    const unsigned char* p = bytes.data();

    EXPECT_EQ(GetInt32LE(p + 0), 300);
    EXPECT_EQ(GetInt32LE(p + 4), 200);
    EXPECT_EQ(GetInt32LE(p + 8), 3);
    EXPECT_EQ(GetInt32LE(p + 12), MRC_MODE_BYTE);
    EXPECT_EQ(GetInt32LE(p + 28), 300);
    EXPECT_EQ(GetInt32LE(p + 32), 200);
    EXPECT_EQ(GetInt32LE(p + 36), 3);
    EXPECT_EQ(GetFloatLE(p + 40), 300.0f);
    EXPECT_EQ(GetFloatLE(p + 44), 200.0f);
    EXPECT_EQ(GetFloatLE(p + 48), 3.0f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(GetFloatLE(p + 52 + 4 * i), 90.0f);
        EXPECT_EQ(GetInt32LE(p + 64 + 4 * i), i + 1);
    }
    EXPECT_EQ(GetFloatLE(p + 76), 0.0f);
    EXPECT_EQ(GetFloatLE(p + 80), 255.0f);
    EXPECT_EQ(GetFloatLE(p + 84), 127.25f);
    EXPECT_EQ(GetFloatLE(p + 216), 12.5f);
    EXPECT_EQ(std::memcmp(p + 208, "MAP ", 4), 0);
    EXPECT_EQ(GetInt32LE(p + 212), 0);
    EXPECT_EQ(GetInt32LE(p + 220), 1);
    // The 49-character label, one zero byte, then spaces to the end of the header.
    EXPECT_EQ(std::memcmp(p + 224, "Converted mrc file from TIFF - 8 bit. Log scaled.", 49), 0);
    EXPECT_EQ(p[273], 0);
    for (int i = 274; i < MRC_HEADER_SIZE; ++i)
        ASSERT_EQ(p[i], ' ') << "byte " << i;
    // The bytes are little-endian whatever the host: 300 = 0x012C.
    EXPECT_EQ(p[0], 0x2C);
    EXPECT_EQ(p[1], 0x01);
    EXPECT_EQ(p[2], 0);
}

TEST(MrcHeader, StatisticsAreRoundedToFloat32) {
    MrcHeader header;
    header.SetStatistics(0.1, 0.2, 1.0 / 3.0, 2.0 / 3.0);
    EXPECT_EQ(header.m_fDMin, 0.1f);
    EXPECT_EQ(header.m_fDMean, static_cast<float>(1.0 / 3.0));
}

TEST(MrcHeader, OverlongLabelIsCutToFit) {
    MrcHeader header;
    header.SetLabel(std::string(120, 'x'));
    const auto bytes = header.Bytes();
    EXPECT_EQ(bytes[224 + 78], 'x');
    EXPECT_EQ(bytes[224 + 79], 0);
    EXPECT_EQ(bytes[224 + 80], ' ');
}

TEST(MrcHeader, OnePixelFilesAndReadSize) {
    TempDir dir;
    const std::string path = dir.File("one.mrc");
    WriteFloatFile(path, 1, 1, {3.5f}, "x");
    EXPECT_EQ(ReadFileBytes(path).size(), 1028u);

    File file(std::fopen(path.c_str(), "rb"));
    int width = 0, height = 0;
    ASSERT_TRUE(MrcHeader::ReadSize(file.get(), width, height));
    EXPECT_EQ(width, 1);
    EXPECT_EQ(height, 1);

    const std::string bytePath = dir.File("byte.mrc");
    File byteFile(std::fopen(bytePath.c_str(), "wb"));
    MrcHeader header;
    header.SetImage(1, 1, MRC_MODE_BYTE);
    ASSERT_TRUE(header.Write(byteFile.get()));
    std::fputc(200, byteFile.get());
    byteFile.reset();
    EXPECT_EQ(ReadFileBytes(bytePath).size(), 1025u);
}

TEST(MrcHeader, ReadSizeOfShortFileFails) {
    TempDir dir;
    test::WriteFileBytes(dir.File("short.mrc"), {1, 0, 0});
    File file(std::fopen(dir.File("short.mrc").c_str(), "rb"));
    int width = -1, height = -1;
    EXPECT_FALSE(MrcHeader::ReadSize(file.get(), width, height));
}

TEST(MrcHeader, WriteToReadOnlyStreamFails) {
    TempDir dir;
    test::WriteFileBytes(dir.File("in.mrc"), {0});
    File file(std::fopen(dir.File("in.mrc").c_str(), "rb"));
    EXPECT_FALSE(MrcHeader().Write(file.get()));
    EXPECT_FALSE(MrcHeader().Write(nullptr));
}

// An independent reader agrees with our header values and pixels.
TEST(MrcHeader, ReadableByMrcfile) {
    if (test::RunCommand(std::string(GC_PYTHON) + " -c 'import mrcfile' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-mrcfile is not installed";
    TempDir dir;
    const std::string path = dir.File("grid.mrc");
    WriteFloatFile(path, 3, 2, {1.5f, 2.0f, 2.5f, -1.0f, 0.0f, 1e10f}, "Picked");
    const std::string script =
        "import mrcfile, sys\n"
        "m = mrcfile.open(sys.argv[1], permissive=True)\n"
        "h = m.header\n"
        "print(int(h.nx), int(h.ny), int(h.nz), int(h.mode), float(h.dmin), float(h.dmax), float(h.dmean),"
        " float(h.rms), bytes(h.map).decode(), int(h.nlabl), h.label[0].split(b'\\0')[0].decode())\n"
        "print(' '.join(repr(float(v)) for v in m.data.flatten()))\n";
    std::string output;
    const int status =
        test::RunCommand(std::string(GC_PYTHON) + " -c \"" + script + "\" " + path + " 2>/dev/null", &output);
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(output, "3 2 1 2 1.5 2.5 2.0 0.25 MAP  1 Picked\n1.5 2.0 2.5 -1.0 0.0 10000000000.0\n");
}

} // namespace
} // namespace gc
