// export and properties, run through the built gridcarver-cli.
#include "CliRun.h"
#include "core/Version.h"
#include "document/DocumentMessages.h"
#include "image/ImageMessages.h"
#include "image/TiffCodec.h"
#include "image/TiffTestFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace gc {
namespace {

using test::CliRun;
using test::GreyPage;
using test::RunCliIn;
using test::TempDir;

// Three directories of widths 6, 7 and 8.
std::string ThreeImageTiff(const TempDir& dir) {
    const std::string path = dir.File("plate.tif");
    EXPECT_TRUE(test::WriteTiff(path, {GreyPage(6, 2), GreyPage(7, 3), GreyPage(8, 4)}));
    return path;
}

int TiffWidth(const std::string& path) {
    TiffDirList list;
    SilentMessages silent;
    return ListTiffDirectories(path, list, silent) == 1 ? list[0].m_nWidth : -1;
}

TEST(CliExport, SavesTheChosenImageByTheOutputsExtension) {
    TempDir dir;
    const std::string input = ThreeImageTiff(dir);
    CliRun run = RunCliIn(dir, "export " + input + " " + dir.File("first.tif"));
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(run.m_strOut, "");
    EXPECT_EQ(run.m_strErr, "");
    EXPECT_EQ(TiffWidth(dir.File("first.tif")), 6);

    run = RunCliIn(dir, "export " + input + " " + dir.File("third.TIFF") + " --image 3");
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(TiffWidth(dir.File("third.TIFF")), 8);
}

TEST(CliExport, ConvertsBetweenTheViewersTypes) {
    TempDir dir;
    const std::string input = ThreeImageTiff(dir);
    for (const char* name : {"second.bmp", "second.jpg"}) {
        CliRun run = RunCliIn(dir, "export " + input + " " + dir.File(name) + " --image 2");
        EXPECT_EQ(run.m_nStatus, 0) << name << run.m_strErr;
        EXPECT_EQ(run.m_strErr, "");
        // And back to TIFF from the new file.
        run = RunCliIn(dir, "export " + dir.File(name) + " " + dir.File(std::string(name) + ".tif"));
        EXPECT_EQ(run.m_nStatus, 0) << name << run.m_strErr;
        EXPECT_EQ(TiffWidth(dir.File(std::string(name) + ".tif")), 7) << name;
    }
}

TEST(CliExport, BadInputFilesStopWithAMessage) {
    TempDir dir;
    const std::string missing = dir.File("missing.tif");
    CliRun run = RunCliIn(dir, "export " + missing + " " + dir.File("out.tif"));
    EXPECT_EQ(run.m_nStatus, 4);
    EXPECT_EQ(run.m_strErr, missing + ": no such file\n");

    test::WriteFileBytes(dir.File("empty.tif"), {});
    std::vector<unsigned char> garbage(3000);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<unsigned char>(i * 131 % 256);
    garbage[0] = garbage[1] = 'M';
    garbage[2] = 0;
    garbage[3] = 42;
    test::WriteFileBytes(dir.File("garbage.tif"), garbage);
    const std::string whole = ThreeImageTiff(dir);
    auto bytes = test::ReadFileBytes(whole);
    test::WriteFileBytes(dir.File("header.tif"), {bytes.begin(), bytes.begin() + 16});
    for (const char* name : {"empty.tif", "garbage.tif", "header.tif"}) {
        run = RunCliIn(dir, std::string("export ") + dir.File(name) + " " + dir.File("out.tif"));
        EXPECT_EQ(run.m_nStatus, 4) << name;
        EXPECT_NE(run.m_strErr.find(MSG_NO_IMAGE_READ + dir.File(name)), std::string::npos) << run.m_strErr;
        run = RunCliIn(dir, std::string("properties ") + dir.File(name));
        EXPECT_EQ(run.m_nStatus, 4) << name;
        EXPECT_EQ(run.m_strOut, "");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.tif")));

    // Cut after the first directory: what is left opens, the rest is gone.
    bytes.resize(bytes.size() * 2 / 3);
    test::WriteFileBytes(dir.File("truncated.tif"), bytes);
    run = RunCliIn(dir, "export " + dir.File("truncated.tif") + " " + dir.File("out.tif"));
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(TiffWidth(dir.File("out.tif")), 6);
    run = RunCliIn(dir, "export " + dir.File("truncated.tif") + " " + dir.File("out.tif") + " --image 3");
    EXPECT_EQ(run.m_nStatus, 2);
}

TEST(CliExport, WritesWholeOrNotAtAll) {
    TempDir dir;
    // 200 × 200 of noise: every type's file is far above the 4 KiB the shell below allows.
    std::vector<unsigned char> noise(200 * 200);
    unsigned value = 11;
    for (unsigned char& sample : noise) {
        value = value * 1103515245u + 12345u;
        sample = static_cast<unsigned char>(value >> 16);
    }
    const std::string input = dir.File("noise.tif");
    ASSERT_TRUE(test::WriteTiff(input, {GreyPage(200, 200, noise)}));
    for (const char* name : {"out.bmp", "out.jpg", "out.tif"}) {
        const std::string output = dir.File(name);
        test::WriteFileBytes(output, {'o', 'l', 'd'});
        // The shell ignores SIGXFSZ and limits files to 8 blocks of 512 bytes; the program inherits
        // both, so its write past 4 KiB fails with EFBIG, as on a full disk.
        const CliRun run =
            RunCliIn(dir, "export " + input + " " + output, "trap '' XFSZ; ulimit -f 8; exec ");
        // A failed write is status 1 with its reason (the JPEG library's own), whichever writer failed.
        EXPECT_EQ(run.m_nStatus, 1) << name << run.m_strErr;
        const char* reason = std::string(name) == "out.jpg" ? "write error" : "File too large";
        EXPECT_NE(run.m_strErr.find(reason), std::string::npos) << name << run.m_strErr;
        EXPECT_EQ(test::ReadFileBytes(output), (std::vector<unsigned char>{'o', 'l', 'd'})) << name;
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            ++files;
        EXPECT_EQ(files, 2u) << name; // noise.tif and the output: no temporary
        std::filesystem::remove(output);
    }
    // Without the limit the same export replaces the old file.
    test::WriteFileBytes(dir.File("out.tif"), {'o', 'l', 'd'});
    const CliRun run = RunCliIn(dir, "export " + input + " " + dir.File("out.tif"));
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(TiffWidth(dir.File("out.tif")), 200);
}

TEST(CliExport, UsageErrors) {
    TempDir dir;
    const std::string input = ThreeImageTiff(dir);
    for (const std::string& arguments : std::vector<std::string>{
             "export " + input, "export", "export " + input + " " + dir.File("o.tif") + " --image 0",
             "export " + input + " " + dir.File("o.tif") + " --image x",
             "export " + input + " " + dir.File("o.tif") + " --bogus"}) {
        const CliRun run = RunCliIn(dir, arguments);
        EXPECT_EQ(run.m_nStatus, 2) << arguments;
        EXPECT_NE(run.m_strErr.find("Run 'gridcarver-cli export --help' for usage."), std::string::npos)
            << arguments;
    }
}

TEST(CliProperties, PrintsTheReportOfTheChosenImage) {
    TempDir dir;
    const std::string input = ThreeImageTiff(dir);
    CliRun run = RunCliIn(dir, "properties " + input + " --image 2");
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    EXPECT_EQ(run.m_strErr, "");
    EXPECT_EQ(run.m_strOut, input + " has the following properties:\n"
                                    "TIFFTAG_IMAGEWIDTH = 7\n"
                                    "TIFFTAG_IMAGELENGTH = 3\n"
                                    "TIFFTAG_BITSPERSAMPLE = 8\n"
                                    "TIFFTAG_MINSAMPLEVALUE = 0\n"
                                    "TIFFTAG_MAXSAMPLEVALUE = 0\n"
                                    "TIFFTAG_COMPRESSION = NONE\n"
                                    "TIFFTAG_PHOTOMETRIC = MINISBLACK\n"
                                    "TIFFTAG_SAMPLESPERPIXEL = 1\n"
                                    "\n");
    run = RunCliIn(dir, "properties " + input);
    EXPECT_EQ(run.m_nStatus, 0);
    EXPECT_NE(run.m_strOut.find("TIFFTAG_IMAGEWIDTH = 6\n"), std::string::npos);
}

// 54 header bytes and 16 of data of a BMP file declaring 26,000 × 26,000 pixels.
std::vector<unsigned char> HugeBmp() {
    std::vector<unsigned char> bytes(70, 0);
    auto put = [&bytes](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, 70, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 26000, 4);
    put(22, 26000, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return bytes;
}

// Files and images the commands cannot take end with their status and the system's message, and
// write nothing: types without a reader or writer, an image above the TIFF limit (status 1), a
// picture too large for the viewer, images and files that do not exist, properties of a non-TIFF.
TEST(CliDocumentCommands, RefusalsEndWithTheirStatusAndMessage) {
    TempDir dir;
    const std::string input = ThreeImageTiff(dir);
    std::filesystem::copy_file(input, dir.File("plate.png"));
    const std::string wide = dir.File("wide.tif");
    ASSERT_TRUE(test::WriteTiff(wide, {GreyPage(10001, 1)}));
    const std::string huge = dir.File("huge.bmp");
    test::WriteFileBytes(huge, HugeBmp());
    const std::string missing = dir.File("missing.jpg");
    const std::string nl = "\n";
    struct Case {
        std::string arguments;
        int status;
        std::string error;      // the whole of standard error, when not empty
        std::string errorPart;  // a part of standard error, when not empty
        std::string notWritten; // a file that must not exist afterwards, when not empty
        bool noOutput = false;  // nothing on standard output
    };
    const Case cases[] = {
        {"export " + missing + " " + dir.File("out.bmp"), 4, missing + ": no such file" + nl, "", ""},
        // A type export does not write is a usage error naming the types it writes.
        {"export " + input + " " + dir.File("out.png"), 2, "", "export writes BMP, JPEG and TIFF files only",
         dir.File("out.png")},
        {"export " + input + " " + dir.File("out.gif"), 2, "", "export writes BMP, JPEG and TIFF files only",
         dir.File("out.gif")},
        {"export " + input + " " + dir.File("out"), 2, "", "export writes BMP, JPEG and TIFF files only",
         dir.File("out")},
        {"export " + dir.File("plate.png") + " " + dir.File("out.tif"), 4, MSG_NO_SUPPORT_FOR_TYPE + nl, "",
         ""},
        {"export " + wide + " " + dir.File("wide.bmp"), 0, "", "", ""},
        {"properties " + wide, 0, "", "", ""},
        {"export " + huge + " " + dir.File("out.bmp"), 4,
         MSG_IMAGE_TOO_LARGE + nl + MSG_NO_IMAGE_READ + huge + nl, "", dir.File("out.bmp")},
        {"export " + input + " " + dir.File("o.tif") + " --image 4", 2, "",
         MSG_NO_SUCH_IMAGE + std::string("4 of 3 in ") + input, dir.File("o.tif")},
        {"properties " + dir.File("photo.bmp"), 2, "", MSG_PROPERTIES_TIFF_ONLY + dir.File("photo.bmp"), ""},
        {"properties " + input + " --image 9", 2, "", "", "", true},
        {"properties " + dir.File("gone.tif"), 4, dir.File("gone.tif") + ": no such file" + nl, "", ""},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCliIn(dir, c.arguments);
        EXPECT_EQ(run.m_nStatus, c.status) << c.arguments;
        // An empty expectation checks nothing: an empty part is found in any text.
        EXPECT_EQ(c.error.empty() ? c.error : run.m_strErr, c.error) << c.arguments;
        EXPECT_NE(run.m_strErr.find(c.errorPart), std::string::npos) << c.arguments << run.m_strErr;
        EXPECT_FALSE(!c.notWritten.empty() && std::filesystem::exists(c.notWritten)) << c.arguments;
        EXPECT_EQ(c.noOutput ? run.m_strOut : std::string(), "") << c.arguments;
    }
}

TEST(CliDocumentCommands, HelpAndVersion) {
    TempDir dir;
    for (const char* command : {"export", "properties"}) {
        CliRun run = RunCliIn(dir, std::string(command) + " --version");
        EXPECT_EQ(run.m_nStatus, 0) << command;
        EXPECT_EQ(run.m_strOut, std::string(ProductVersionText()) + "\n");
        run = RunCliIn(dir, std::string(command) + " --help");
        EXPECT_EQ(run.m_nStatus, 0) << command;
        EXPECT_NE(run.m_strOut.find("--image"), std::string::npos);
    }
}

} // namespace
} // namespace gc
