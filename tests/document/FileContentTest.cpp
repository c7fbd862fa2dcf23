// Files recognised as MRC by their header whatever their names, and everything else by its name.
#include "document/ImageDocument.h"
#include "image/MrcHeader.h"
#include "image/TiffCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace gc {
namespace {

using Bytes = std::vector<unsigned char>;

// A 4 × 3 × 2 file of mode `mode` whose data hold `dataBytes` bytes (the full size when -1).
Bytes MrcFile(int mode, bool mapWord, int mapc, long dataBytes = -1) {
    MrcHeader header;
    header.SetImage(4, 3, mode, 2);
    if (!mapWord)
        std::memcpy(header.m_cMap, "    ", 4);
    header.m_nMapC = mapc;
    const auto bytes = header.Bytes();
    Bytes file(bytes.begin(), bytes.end());
    const long full = 4L * 3 * 2 * (mode == MRC_MODE_FLOAT ? 4 : mode == MRC_MODE_BYTE ? 1 : 2);
    file.resize(file.size() + static_cast<std::size_t>(dataBytes < 0 ? full : dataBytes), 7);
    return file;
}

TEST(FileTypeOf, MrcByHeaderWhateverTheNameOthersByName) {
    test::TempDir dir;
    SilentMessages silent;
    DIBSection picture;
    picture.Create(5, 4, 24);
    ASSERT_EQ(WriteTiffFile(dir.File("picture"), picture, silent), 20);
    const Bytes tiff = test::ReadFileBytes(dir.File("picture"));
    const struct {
        const char* what;
        Bytes content;
        bool mrc;
    } contents[] = {
        {"float map", MrcFile(MRC_MODE_FLOAT, true, 1), true},
        {"byte map, data cut short", MrcFile(MRC_MODE_BYTE, true, 1, 5), true},
        {"complex mode, not read here", MrcFile(4, true, 1, 0), true},
        {"older header without MAP", MrcFile(MRC_MODE_UINT16, false, 1), true},
        {"older header, data cut short", MrcFile(MRC_MODE_UINT16, false, 1, 47), false},
        {"older header, axes not 1 2 3", MrcFile(MRC_MODE_UINT16, false, 2), false},
        {"MAP but an unknown mode", MrcFile(5, true, 1), false},
        {"MAP but no sections",
         [] {
             Bytes file = MrcFile(MRC_MODE_BYTE, true, 1);
             std::memset(file.data() + 8, 0, 4);
             return file;
         }(),
         false},
        {"TIFF", tiff, false},
        {"zeros", Bytes(2048, 0), false},
        {"shorter than a header", Bytes(MRC_HEADER_SIZE - 1, ' '), false},
    };
    for (const char* name :
         {"x.mrc", "x.mrcs", "x.map", "x.st", "x.rec", "x.ali", "x.tif", "x.bmp", "noextension"})
        for (const auto& content : contents) {
            const std::string path = dir.File(name);
            test::WriteFileBytes(path, content.content);
            EXPECT_EQ(FileTypeOf(path), content.mrc ? FT_MRC : FileTypeFromName(path))
                << name << ": " << content.what;
        }
    EXPECT_EQ(FileTypeOf(dir.File("missing.map")), FT_OTHER);
}

} // namespace
} // namespace gc
