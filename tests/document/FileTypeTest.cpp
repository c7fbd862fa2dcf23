#include "document/ImageDocument.h"

#include <gtest/gtest.h>

namespace gc {
namespace {

TEST(FileTypeFromName, ByExtensionInAnyCase) {
    struct Case {
        const char* name;
        FileType type;
    };
    for (const Case c : {
             Case{"scan.TIFF", FT_TIFF},
             Case{"scan.tif", FT_TIFF},
             Case{"scan.Tif", FT_TIFF},
             Case{"photo.jpeg", FT_JPEG},
             Case{"PHOTO.JPG", FT_JPEG},
             Case{"a.bmp", FT_BMP},
             Case{"x.gif", FT_GIF},
             Case{"stack.mrc", FT_MRC},
             Case{"BOX_1.MRC", FT_MRC},
             Case{".mrc", FT_UNKNOWN},
             Case{"x.mrcs", FT_UNKNOWN},
             Case{"picture.png", FT_OTHER},
             Case{"archive.tar.xyz", FT_OTHER},
             Case{"notes.text", FT_UNKNOWN},
             Case{"README", FT_UNKNOWN},
             Case{"ab.c", FT_UNKNOWN},
             // Four characters or fewer are unknown, even a bare extension.
             Case{".bmp", FT_UNKNOWN},
             Case{".tif", FT_UNKNOWN},
             Case{"", FT_UNKNOWN},
             // Five characters: the last five are the whole name.
             Case{".jpeg", FT_JPEG},
             Case{".TIFF", FT_TIFF},
             Case{"x.bmp", FT_BMP},
         })
        EXPECT_EQ(FileTypeFromName(c.name), c.type) << c.name;
}

TEST(FileTypeFromName, OnlyTheEndOfTheNameCounts) {
    EXPECT_EQ(FileTypeFromName("/data/run.2024/plate7.tif"), FT_TIFF);
    EXPECT_EQ(FileTypeFromName("/data/images.tif/plate7"), FT_UNKNOWN);
    EXPECT_EQ(FileTypeFromName("/data/v1.bmp/scan"), FT_UNKNOWN);
    EXPECT_EQ(FileTypeFromName("/data/a.b/c.jpg"), FT_JPEG);
    EXPECT_EQ(FileTypeFromName("/data/a.bc/def"), FT_UNKNOWN);
    // The fourth-last character is a dot here, even though it sits in a folder name.
    EXPECT_EQ(FileTypeFromName("/data/x.y/z"), FT_OTHER);
}

TEST(SavePathForFilter, AppendsTheChosenEntrysExtensionOnlyToUnknownNames) {
    EXPECT_EQ(SavePathForFilter("notes.text", 0), "notes.text.bmp");
    EXPECT_EQ(SavePathForFilter("/out/shot", 1), "/out/shot.jpg");
    EXPECT_EQ(SavePathForFilter("/out/shot", 2), "/out/shot.tif");
    EXPECT_EQ(SavePathForFilter("/out/shot", 7), "/out/shot.bmp");
    EXPECT_EQ(SavePathForFilter("/out/shot.TIF", 0), "/out/shot.TIF");
    EXPECT_EQ(SavePathForFilter("picture.png", 2), "picture.png"); // other types keep their name
    EXPECT_EQ(SavePathForFilter("anim.gif", 0), "anim.gif");
}

} // namespace
} // namespace gc
