#include "document/ImageDocument.h"

#include "document/DocumentMessages.h"
#include "image/BmpCodec.h"
#include "image/ImageMessages.h"
#include "image/JpegTestFiles.h"
#include "image/MrcHeader.h"
#include "image/TiffCodec.h"
#include "image/TiffTestFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gc {
namespace {

// The 24-bit picture of image `index` as the writers take it (the document holds values).
std::shared_ptr<DIBSection> PictureAt(ImageDocument& document, int index) {
    auto picture = std::make_shared<DIBSection>();
    document.GetPicture(index, *picture);
    return picture;
}

using test::GreyPage;
using test::RecordingMessages;
using test::TempDir;

// Four directories of widths 11 to 14, each painted with its own grey level 10, 20, 30, 40.
std::string FourImageTiff(const TempDir& dir, const std::string& name = "scan.TIFF") {
    const std::string path = dir.File(name);
    std::vector<test::TiffPage> pages;
    for (int i = 0; i < 4; ++i)
        pages.push_back(GreyPage(11 + i, 3,
                                 std::vector<unsigned char>(static_cast<std::size_t>(3 * (11 + i)),
                                                            static_cast<unsigned char>(10 * (i + 1)))));
    EXPECT_TRUE(test::WriteTiff(path, pages));
    return path;
}

TEST(ImageDocument, StartsEmpty) {
    ImageDocument document;
    EXPECT_EQ(document.GetFileType(), FT_UNKNOWN);
    EXPECT_EQ(document.GetImageCount(), 0);
    EXPECT_EQ(document.GetImagePath(), "");
    EXPECT_EQ(document.GetCurrentImage(), 0);
    EXPECT_EQ(document.GetImage(0), nullptr);
    EXPECT_FALSE(document.CanShowProperties());
}

TEST(ImageDocument, OpensEveryDirectoryAndTracksTheCurrentImage) {
    TempDir dir;
    const std::string path = FourImageTiff(dir);
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_EQ(document.GetFileType(), FT_TIFF);
    EXPECT_TRUE(document.CanShowProperties());
    EXPECT_EQ(document.GetImagePath(), path);
    ASSERT_EQ(document.GetImageCount(), 4);
    for (int i = 0; i < 4; ++i) {
        const auto image = PictureAt(document, i);
        EXPECT_EQ(image->GetWidth(), 11 + i);
        EXPECT_EQ(image->MemoryRow(0)[0], 10 * (i + 1)); // grey levels kept
    }

    const PixelStore* fourth = document.GetImage(3);
    ASSERT_NE(fourth, nullptr);
    EXPECT_EQ(fourth->Width(), 14);
    EXPECT_EQ(document.GetCurrentImage(), 3);
    EXPECT_EQ(document.GetImage(4), nullptr);
    EXPECT_EQ(document.GetImage(-1), nullptr);
    EXPECT_EQ(document.GetCurrentImage(), 3);

    // Save As of the fourth image writes the fourth image; the document stays as it was.
    const std::string saved = dir.File("fourth.tif");
    EXPECT_EQ(document.SaveFile(saved, messages), SaveOutcome::Saved);
    TiffDirList list;
    EXPECT_EQ(ListTiffDirectories(saved, list, messages), 1);
    EXPECT_EQ(list[0].m_nWidth, 14);
    EXPECT_EQ(document.GetImagePath(), path);
    EXPECT_EQ(document.GetFileType(), FT_TIFF);
    EXPECT_EQ(document.GetImageCount(), 4);
    EXPECT_EQ(document.GetCurrentImage(), 3);
    EXPECT_EQ(fourth->Value(0, 0), 40);
    EXPECT_TRUE(messages.m_shown.empty());

    // After a new open the view fetches the first image, which makes it current.
    ASSERT_EQ(document.OpenFile(saved, messages), OpenOutcome::Opened);
    EXPECT_EQ(document.GetImageCount(), 1);
    ASSERT_NE(document.GetImage(0), nullptr);
    EXPECT_EQ(document.GetCurrentImage(), 0);
    EXPECT_EQ(document.GetImagePath(), saved);
}

TEST(ImageDocument, ADirectoryLeftOutOfTheListDoesNotHideTheNextOne) {
    TempDir dir;
    const std::string path = dir.File("gap.tif");
    test::WriteFileBytes(path, test::RawTiff({test::RawGreyRow(2), test::RawGreyRow(0), test::RawGreyRow(3)},
                                             {100, 200, 250}));
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    ASSERT_EQ(document.GetImageCount(), 2);
    EXPECT_EQ(PictureAt(document, 1)->GetWidth(), 3);
    EXPECT_EQ(document.GetImageDirectory(1), 2);
    // Properties of the second image describe the directory it came from.
    document.GetImage(1);
    messages.m_shown.clear();
    const std::string text = document.PropertiesText(messages);
    EXPECT_NE(text.find("TIFFTAG_IMAGEWIDTH = 3\n"), std::string::npos) << text;
}

TEST(ImageDocument, AnUndecodableDirectoryStaysAsABlackImage) {
    TempDir dir;
    const std::string path = dir.File("odd.tif");
    test::WriteFileBytes(path, test::RawTiff({test::RawGreyRow(2), test::RawGreyRow(2, 9999)}, {100, 200}));
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    ASSERT_EQ(document.GetImageCount(), 2);
    const auto black = PictureAt(document, 1);
    ASSERT_TRUE(black->IsValid());
    EXPECT_EQ(black->MemoryRow(0)[0], 0);
    EXPECT_EQ(PictureAt(document, 0)->MemoryRow(0)[0], 100);
    EXPECT_FALSE(messages.m_shown.empty()); // the library said why
}

TEST(ImageDocument, ADirectoryTheLibraryCannotReadCompletelyStaysAsABlackImage) {
    TempDir dir;
    const std::string path = dir.File("nostrips.tif");
    std::vector<test::RawField> withoutStrips;
    for (const test::RawField& field : test::RawGreyRow(4))
        if (field.tag != TIFFTAG_STRIPOFFSETS)
            withoutStrips.push_back(field);
    test::WriteFileBytes(path, test::RawTiff({test::RawGreyRow(3), withoutStrips, test::RawGreyRow(5)},
                                             {100, 150, 200, 250, 60}));
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    // The middle directory is listed with its size and read like any other: the library says what it
    // misses, each time the directory is selected, and its picture stays black.
    ASSERT_EQ(document.GetImageCount(), 3);
    EXPECT_EQ(PictureAt(document, 0)->MemoryRow(0)[0], 100);
    const auto black = PictureAt(document, 1);
    ASSERT_TRUE(black->IsValid());
    EXPECT_EQ(black->GetWidth(), 4);
    EXPECT_EQ(black->MemoryRow(0)[0], 0);
    EXPECT_EQ(PictureAt(document, 2)->GetWidth(), 5);
    EXPECT_EQ(PictureAt(document, 2)->MemoryRow(0)[0], 100);
    ASSERT_GE(messages.m_shown.size(), 2u);
    EXPECT_EQ(messages.m_shown[0].m_strCaption, messages.m_shown[1].m_strCaption);
    EXPECT_EQ(messages.m_shown[0].m_strText, messages.m_shown[1].m_strText);
    EXPECT_NE(messages.m_shown[0].m_strText.find("StripOffsets"), std::string::npos);
}

TEST(ImageDocument, OpeningNothingEmptiesTheListButKeepsThePath) {
    TempDir dir;
    const std::string path = FourImageTiff(dir);
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    document.GetImage(2);

    EXPECT_EQ(document.OpenFile(dir.File("missing.tif"), messages), OpenOutcome::NoImage);
    EXPECT_EQ(document.GetImageCount(), 0);
    EXPECT_EQ(document.GetImagePath(), path);
    EXPECT_EQ(document.GetImage(0), nullptr);
    // The current image number stays too: Properties, still offered for the TIFF type, describes
    // that directory of the path the document still holds.
    EXPECT_EQ(document.GetCurrentImage(), 2);
    ASSERT_TRUE(document.CanShowProperties());
    EXPECT_NE(document.PropertiesText(messages).find("TIFFTAG_IMAGEWIDTH = 13\n"), std::string::npos);

    messages.m_shown.clear();
    // A bare ".bmp" is a name of four characters: no type.
    for (const std::string& name :
         {dir.File("picture.png"), std::string(".bmp"), dir.File("notes.text"), dir.File("anim.gif")}) {
        ASSERT_EQ(document.OpenFile(name, messages), OpenOutcome::Unsupported) << name;
        EXPECT_EQ(document.GetImageCount(), 0);
    }
    ASSERT_EQ(messages.m_shown.size(), 4u);
    for (const auto& shown : messages.m_shown) {
        EXPECT_EQ(shown.m_strText, MSG_NO_SUPPORT_FOR_TYPE);
        EXPECT_EQ(shown.m_kind, MessageKind::Error);
    }
    EXPECT_EQ(document.GetImagePath(), path);
    EXPECT_FALSE(document.CanShowProperties());
}

// No pixel limit: a directory wider than the documented 10,000 pixels opens as its values.
TEST(ImageDocument, AnImageOfAnySizeOpens) {
    TempDir dir;
    const std::string path = dir.File("wide.tif");
    ASSERT_TRUE(test::WriteTiff(path, {GreyPage(4, 2), GreyPage(20000, 1)}));
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    EXPECT_TRUE(messages.m_shown.empty());
    const PixelStore* wide = document.GetImage(1);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->Width(), 20000);
}

TEST(ImageDocument, SaveWithNothingOpenDoesNothing) {
    TempDir dir;
    ImageDocument document;
    RecordingMessages messages;
    for (const char* name : {"a.tif", "a.gif", "a.png", "a"})
        EXPECT_EQ(document.SaveFile(dir.File(name), messages), SaveOutcome::NothingOpen);
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(ImageDocument, SaveRefusesTypesWithoutAWriter) {
    TempDir dir;
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(FourImageTiff(dir), messages), OpenOutcome::Opened);
    EXPECT_EQ(document.SaveFile(dir.File("a.gif"), messages), SaveOutcome::Unsupported);
    EXPECT_EQ(document.SaveFile(dir.File("a.png"), messages), SaveOutcome::Unsupported);
    EXPECT_EQ(document.SaveFile(dir.File("notes.text"), messages), SaveOutcome::Unsupported);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{MSG_GIF_NOT_SUPPORTED, MSG_FILE_TYPE_NOT_SUPPORTED,
                                                          MSG_UNKNOWN_FILE_TYPE}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.gif")));
}

TEST(ImageDocument, AFailedWriteIsReported) {
    TempDir dir;
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(FourImageTiff(dir), messages), OpenOutcome::Opened);
    const std::string target = dir.File("no/folder/out.tif");
    EXPECT_EQ(document.SaveFile(target, messages), SaveOutcome::NotWritten);
    ASSERT_FALSE(messages.m_shown.empty());
    EXPECT_EQ(messages.m_shown.back().m_strText, MSG_IMAGE_NOT_WRITTEN + target);
    EXPECT_EQ(messages.m_shown.back().m_kind, MessageKind::Error);
}

TEST(ImageDocument, PropertiesDescribeTheCurrentImagesDirectory) {
    TempDir dir;
    const std::string path = FourImageTiff(dir, "plate.tif");
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    ASSERT_NE(document.GetImage(2), nullptr);
    document.ShowProperties(messages);
    ASSERT_EQ(messages.m_shown.size(), 1u);
    EXPECT_EQ(messages.m_shown[0].m_kind, MessageKind::Information);
    EXPECT_EQ(messages.m_shown[0].m_strText, path + " has the following properties:\n"
                                                    "TIFFTAG_IMAGEWIDTH = 13\n"
                                                    "TIFFTAG_IMAGELENGTH = 3\n"
                                                    "TIFFTAG_BITSPERSAMPLE = 8\n"
                                                    "TIFFTAG_MINSAMPLEVALUE = 0\n"
                                                    "TIFFTAG_MAXSAMPLEVALUE = 0\n"
                                                    "TIFFTAG_COMPRESSION = NONE\n"
                                                    "TIFFTAG_PHOTOMETRIC = MINISBLACK\n"
                                                    "TIFFTAG_SAMPLESPERPIXEL = 1\n");

    // Moved away since it was opened: the heading alone, after the library's complaint.
    std::filesystem::remove(path);
    messages.m_shown.clear();
    EXPECT_EQ(document.PropertiesText(messages), path + " has the following properties:\n");
}

// A 5 × 3 picture: left half pure red, right half pure blue, top row green 77.
DIBSection RedBluePicture() {
    DIBSection image;
    image.Create(5, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            unsigned char* pixel = image.MemoryRow(2 - y) + 3 * x;
            pixel[0] = x < 3 ? 0 : 255;
            pixel[1] = y == 0 ? 77 : 0;
            pixel[2] = x < 3 ? 255 : 0;
        }
    return image;
}

// Opens a picture in a document through a BMP file written for it.
void OpenPicture(ImageDocument& document, const TempDir& dir, const DIBSection& picture) {
    const std::string path = dir.File("picture.Bmp");
    ASSERT_EQ(WriteBmpFile(path, picture), 1);
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(path, messages), OpenOutcome::Opened);
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_EQ(document.GetFileType(), FT_BMP);
    EXPECT_FALSE(document.CanShowProperties());
    ASSERT_EQ(document.GetImageCount(), 1);
}

bool SamePixels(const DIBSection& a, const DIBSection& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return false;
    for (int row = 0; row < a.GetHeight(); ++row)
        if (std::memcmp(a.MemoryRow(row), b.MemoryRow(row), static_cast<std::size_t>(3 * a.GetWidth())) != 0)
            return false;
    return true;
}

// The names in the test's folder.
std::set<std::string> FolderNames(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(ImageDocument, SavesAndReopensEachType) {
    TempDir dir;
    const DIBSection picture = RedBluePicture();
    ImageDocument document;
    OpenPicture(document, dir, picture);
    ASSERT_TRUE(SamePixels(*PictureAt(document, 0), picture));
    RecordingMessages messages;

    // BMP keeps every pixel.
    ASSERT_EQ(document.SaveFile(dir.File("copy.bmp"), messages), SaveOutcome::Saved);
    ImageDocument reopened;
    ASSERT_EQ(reopened.OpenFile(dir.File("copy.bmp"), messages), OpenOutcome::Opened);
    EXPECT_TRUE(SamePixels(*PictureAt(reopened, 0), picture));

    // JPEG: red stays red and blue stays blue, in both the file and the document's own image.
    for (const char* name : {"copy.jpg", "copy.JPEG"}) {
        ASSERT_EQ(document.SaveFile(dir.File(name), messages), SaveOutcome::Saved) << name;
        EXPECT_TRUE(SamePixels(*PictureAt(document, 0), picture)) << "saving changed the displayed image";
        ASSERT_EQ(reopened.OpenFile(dir.File(name), messages), OpenOutcome::Opened) << name;
        EXPECT_EQ(reopened.GetFileType(), FT_JPEG);
        unsigned char left[4], right[4];
        PictureAt(reopened, 0)->GetPixelColor(0, 2, left);
        PictureAt(reopened, 0)->GetPixelColor(4, 2, right);
        EXPECT_GT(left[0], 200);
        EXPECT_LT(left[2], 60);
        EXPECT_GT(right[2], 200);
        EXPECT_LT(right[0], 60);
    }

    // TIFF keeps every pixel too.
    ASSERT_EQ(document.SaveFile(dir.File("copy.tif"), messages), SaveOutcome::Saved);
    ASSERT_EQ(reopened.OpenFile(dir.File("copy.tif"), messages), OpenOutcome::Opened);
    EXPECT_TRUE(SamePixels(*PictureAt(reopened, 0), picture));
    EXPECT_TRUE(messages.m_shown.empty());

    // An unknown name gets the chosen filter's extension and is written by that type.
    const std::string target = SavePathForFilter(dir.File("notes.text"), 0);
    ASSERT_EQ(document.SaveFile(target, messages), SaveOutcome::Saved);
    EXPECT_TRUE(std::filesystem::exists(dir.File("notes.text.bmp")));
    ASSERT_EQ(reopened.OpenFile(target, messages), OpenOutcome::Opened);
    EXPECT_TRUE(SamePixels(*PictureAt(reopened, 0), picture));
}

TEST(ImageDocument, WriterFailuresByType) {
    TempDir dir;
    ImageDocument document;
    OpenPicture(document, dir, RedBluePicture());
    RecordingMessages messages;
    const std::string bmp = dir.File("no/folder/out.bmp");
    EXPECT_EQ(document.SaveFile(bmp, messages), SaveOutcome::NotWritten);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_IMAGE_NOT_WRITTEN + bmp});

    // The JPEG writer's open failure stops the program.
    messages.m_shown.clear();
    EXPECT_EQ(document.SaveFile(dir.File("no/folder/out.jpg"), messages), SaveOutcome::Fatal);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_CANT_OPEN_FILE});

    // Nothing is left behind in the folder, and a folder in the way of the name is not replaced.
    std::filesystem::create_directory(dir.File("taken.tif"));
    messages.m_shown.clear();
    EXPECT_EQ(document.SaveFile(dir.File("taken.tif"), messages), SaveOutcome::NotWritten);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_IMAGE_NOT_WRITTEN + dir.File("taken.tif")});
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("taken.tif")));
    EXPECT_EQ(FolderNames(dir), (std::set<std::string>{"picture.Bmp", "taken.tif"}));
}

// A 200 × 200 picture of noise: no writer can make it small.
DIBSection NoisePicture() {
    DIBSection image;
    image.Create(200, 200, 24);
    unsigned value = 7;
    for (std::size_t i = 0; i < image.GetImageBytes(); ++i) {
        value = value * 1103515245u + 12345u;
        image.GetBits()[i] = static_cast<unsigned char>(value >> 16);
    }
    return image;
}

// Saves the document's current image as `path` in a child process whose files may not grow past
// 4 KiB (the write that would pass it fails with EFBIG, as on a full disk). Returns the outcome.
SaveOutcome SaveWithSmallFileLimit(ImageDocument& document, const std::string& path) {
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        SilentMessages silent;
        _exit(static_cast<int>(document.SaveFile(path, silent)));
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    return static_cast<SaveOutcome>(WEXITSTATUS(status));
}

TEST(ImageDocument, ASaveThatFailsLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    ImageDocument document;
    OpenPicture(document, dir, NoisePicture());
    const std::vector<unsigned char> old = {'o', 'l', 'd'};
    for (const char* name : {"out.bmp", "out.jpg", "out.tif"}) {
        const std::string path = dir.File(name);
        test::WriteFileBytes(path, old);
        // The BMP and TIFF writers report the failure; the JPEG library's write error stops the program.
        const SaveOutcome expected =
            FileTypeFromName(name) == FT_JPEG ? SaveOutcome::Fatal : SaveOutcome::NotWritten;
        EXPECT_EQ(SaveWithSmallFileLimit(document, path), expected) << name;
        EXPECT_EQ(test::ReadFileBytes(path), old) << name;
        EXPECT_EQ(FolderNames(dir), (std::set<std::string>{"picture.Bmp", name})) << name;
        std::filesystem::remove(path);
    }
    // Without the limit the same saves replace the old files.
    RecordingMessages messages;
    for (const char* name : {"out.bmp", "out.jpg", "out.tif"}) {
        test::WriteFileBytes(dir.File(name), old);
        EXPECT_EQ(document.SaveFile(dir.File(name), messages), SaveOutcome::Saved) << name;
        EXPECT_GT(std::filesystem::file_size(dir.File(name)), 4096u) << name;
    }
    EXPECT_TRUE(messages.m_shown.empty());
}

TEST(ImageDocument, UnreadableBmpAndJpegLeaveTheDocumentEmpty) {
    TempDir dir;
    ImageDocument document;
    RecordingMessages messages;
    EXPECT_EQ(document.OpenFile(dir.File("missing.jpg"), messages), OpenOutcome::NoImage);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_CANT_OPEN_FILE});
    messages.m_shown.clear();
    EXPECT_EQ(document.OpenFile(dir.File("missing.bmp"), messages), OpenOutcome::NoImage);
    test::WriteFileBytes(dir.File("short.bmp"), {'B', 'M', 0, 0});
    EXPECT_EQ(document.OpenFile(dir.File("short.bmp"), messages), OpenOutcome::NoImage);
    EXPECT_TRUE(messages.m_shown.empty());
    EXPECT_EQ(document.GetImageCount(), 0);
    EXPECT_EQ(document.GetImagePath(), "");
}

// A 70-byte 24-bit BMP whose header declares width × height.
std::vector<unsigned char> BmpDeclaring(std::uint32_t width, std::uint32_t height) {
    std::vector<unsigned char> bytes(70, 0x11);
    auto put32 = [&bytes](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 70);
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    bytes[26] = 1;
    bytes[28] = 24;
    put32(30, 0);
    return bytes;
}

TEST(ImageDocument, PicturesBeyondTheViewersMemoryAreRefusedWithAMessage) {
    TempDir dir;
    ImageDocument document;
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(FourImageTiff(dir), messages), OpenOutcome::Opened);
    // Each small file declares 26,000 × 26,000 pixels, a 2 GB bitmap.
    test::WriteFileBytes(dir.File("huge.bmp"), BmpDeclaring(26000, 26000));
    test::WriteFileBytes(dir.File("huge.jpg"), test::JpegDeclaring(26000, 26000, false));
    for (const char* name : {"huge.bmp", "huge.jpg"}) {
        messages.m_shown.clear();
        EXPECT_EQ(document.OpenFile(dir.File(name), messages), OpenOutcome::NoImage) << name;
        ASSERT_EQ(messages.m_shown.size(), 1u) << name;
        EXPECT_EQ(messages.m_shown[0].m_strText, MSG_IMAGE_TOO_LARGE);
        EXPECT_EQ(messages.m_shown[0].m_kind, MessageKind::Error);
        EXPECT_EQ(document.GetImageCount(), 0) << name;
    }
    // Within the limit, a BMP that declares far more pixels than its data could fill opens nothing,
    // like any other unreadable BMP, without a message.
    messages.m_shown.clear();
    test::WriteFileBytes(dir.File("hollow.bmp"), BmpDeclaring(10000, 10000));
    EXPECT_EQ(document.OpenFile(dir.File("hollow.bmp"), messages), OpenOutcome::NoImage);
    EXPECT_TRUE(messages.m_shown.empty());
}

// Save keeps a file the user made read-only, whatever the type, and writes no picture of a file
// that was cut short while it was open (its missing part would be saved as black).
TEST(ImageDocument, SaveKeepsReadOnlyFilesAndRefusesAFileCutShort) {
    TempDir dir;
    ImageDocument document;
    OpenPicture(document, dir, RedBluePicture());
    for (const char* name : {"kept.bmp", "kept.jpg", "kept.tif"}) {
        const std::string target = dir.File(name);
        test::WriteFileBytes(target, {'k', 'e', 'e', 'p'});
        std::filesystem::permissions(target,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
        RecordingMessages messages;
        EXPECT_EQ(document.SaveFile(target, messages), SaveOutcome::NotWritten) << name;
        EXPECT_EQ(test::ReadFileBytes(target), (std::vector<unsigned char>{'k', 'e', 'e', 'p'})) << name;
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_IMAGE_NOT_WRITTEN + target}) << name;
        // Writable again, the same save goes through.
        std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        EXPECT_EQ(document.SaveFile(target, messages), SaveOutcome::Saved) << name;
    }

    // A 600 × 400 byte MRC (mapped, so the cut shows only as it is read), cut to its first rows.
    MrcHeader header;
    header.SetImage(600, 400, MRC_MODE_BYTE, 1);
    const auto headerBytes = header.Bytes();
    std::vector<unsigned char> file(headerBytes.begin(), headerBytes.end());
    file.resize(file.size() + 600 * 400, 99);
    const std::string mrc = dir.File("cut.mrc");
    test::WriteFileBytes(mrc, file);
    RecordingMessages messages;
    ASSERT_EQ(document.OpenFile(mrc, messages), OpenOutcome::Opened);
    std::filesystem::resize_file(mrc, MRC_HEADER_SIZE + 600 * 10);
    const std::string target = dir.File("copy.tif");
    EXPECT_EQ(document.SaveFile(target, messages), SaveOutcome::NotWritten);
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{MSG_IMAGE_NOT_WRITTEN + target});
}

} // namespace
} // namespace gc
