#include "document/TiffProperties.h"

#include "document/DocumentMessages.h"
#include "image/TiffTestFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace gc {
namespace {

using test::RawGreyRow;
using test::RawTiff;
using test::RecordingMessages;
using test::TempDir;

std::string Report(const std::string& path, int directory, RecordingMessages& messages) {
    GrowArray<std::string> lines;
    FormatTiffProperties(path, directory, lines, messages);
    return TiffPropertiesText(path, lines);
}

TEST(TiffProperties, GreyscaleScanWithoutSampleRange) {
    TempDir dir;
    const std::string path = dir.File("scan.tif");
    ASSERT_TRUE(test::WriteTiff(path, {test::GreyPage(60, 40)}));
    RecordingMessages messages;
    EXPECT_EQ(Report(path, 0, messages), path + " has the following properties:\n"
                                                "TIFFTAG_IMAGEWIDTH = 60\n"
                                                "TIFFTAG_IMAGELENGTH = 40\n"
                                                "TIFFTAG_BITSPERSAMPLE = 8\n"
                                                "TIFFTAG_MINSAMPLEVALUE = 0\n"
                                                "TIFFTAG_MAXSAMPLEVALUE = 0\n"
                                                "TIFFTAG_COMPRESSION = NONE\n"
                                                "TIFFTAG_PHOTOMETRIC = MINISBLACK\n"
                                                "TIFFTAG_SAMPLESPERPIXEL = 1\n");
    EXPECT_TRUE(messages.m_shown.empty());
}

TEST(TiffProperties, ReportsTheDirectoryAskedFor) {
    TempDir dir;
    const std::string path = dir.File("multi.tif");
    test::TiffPage rgb;
    rgb.width = 3;
    rgb.height = 2;
    rgb.samples = 3;
    rgb.photometric = PHOTOMETRIC_RGB;
    rgb.compression = COMPRESSION_LZW;
    rgb.minSampleValue = 3;
    rgb.maxSampleValue = 251;
    test::TiffPage packed = test::GreyPage(9, 8);
    packed.compression = COMPRESSION_PACKBITS;
    packed.photometric = PHOTOMETRIC_MINISWHITE;
    ASSERT_TRUE(test::WriteTiff(path, {test::GreyPage(5, 4), rgb, packed}));
    RecordingMessages messages;
    GrowArray<std::string> lines;
    FormatTiffProperties(path, 1, lines, messages);
    ASSERT_EQ(lines.GetCount(), 8);
    EXPECT_EQ(lines[0], "TIFFTAG_IMAGEWIDTH = 3");
    EXPECT_EQ(lines[1], "TIFFTAG_IMAGELENGTH = 2");
    EXPECT_EQ(lines[3], "TIFFTAG_MINSAMPLEVALUE = 3");
    EXPECT_EQ(lines[4], "TIFFTAG_MAXSAMPLEVALUE = 251");
    EXPECT_EQ(lines[5], "TIFFTAG_COMPRESSION = LZW");
    EXPECT_EQ(lines[6], "TIFFTAG_PHOTOMETRIC = RGB");
    EXPECT_EQ(lines[7], "TIFFTAG_SAMPLESPERPIXEL = 3");

    lines.RemoveAll();
    FormatTiffProperties(path, 2, lines, messages);
    ASSERT_EQ(lines.GetCount(), 8);
    EXPECT_EQ(lines[0], "TIFFTAG_IMAGEWIDTH = 9");
    EXPECT_EQ(lines[5], "TIFFTAG_COMPRESSION = PACKBITS");
    EXPECT_EQ(lines[6], "TIFFTAG_PHOTOMETRIC = MINISWHITE");
}

TEST(TiffProperties, ValuesWithoutANameLeaveTheLineOpen) {
    TempDir dir;
    const std::string path = dir.File("odd.tif");
    test::WriteFileBytes(path, RawTiff({RawGreyRow(2, 9999, 7)}, {1, 2}));
    RecordingMessages messages;
    GrowArray<std::string> lines;
    FormatTiffProperties(path, 0, lines, messages);
    ASSERT_EQ(lines.GetCount(), 8);
    EXPECT_EQ(lines[5], "TIFFTAG_COMPRESSION = ");
    EXPECT_EQ(lines[6], "TIFFTAG_PHOTOMETRIC = ");
}

TEST(TiffProperties, NameTables) {
    EXPECT_STREQ(CompressionName(1), "NONE");
    EXPECT_STREQ(CompressionName(3), "CCITTFAX3 or CCITT_T4");
    EXPECT_STREQ(CompressionName(4), "CCITTFAX4 or CCITT_T6");
    EXPECT_STREQ(CompressionName(8), "ADOBE_DEFLATE");
    EXPECT_STREQ(CompressionName(32946), "DEFLATE");
    EXPECT_STREQ(CompressionName(34712), "JP2000");
    EXPECT_STREQ(CompressionName(0), "");
    EXPECT_STREQ(CompressionName(50000), "");
    EXPECT_STREQ(PhotometricName(0), "MINISWHITE");
    EXPECT_STREQ(PhotometricName(6), "YCBCR");
    EXPECT_STREQ(PhotometricName(7), "");
    EXPECT_STREQ(PhotometricName(10), "ITULAB");
    EXPECT_STREQ(PhotometricName(32845), "LOGLUV");
    EXPECT_EQ(std::size(COMPRESSION_NAMES), 24u);
    EXPECT_EQ(std::size(PHOTOMETRIC_NAMES), 12u);
}

TEST(TiffProperties, AFileThatIsGoneGivesOnlyTheHeading) {
    TempDir dir;
    const std::string path = dir.File("gone.tif");
    RecordingMessages messages;
    EXPECT_EQ(Report(path, 0, messages), path + " has the following properties:\n");
    ASSERT_EQ(messages.m_shown.size(), 1u);
    EXPECT_EQ(messages.m_shown[0].m_strCaption, "TIFFOpen Error");
}

} // namespace
} // namespace gc
