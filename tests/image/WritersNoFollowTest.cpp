// The writers that open by name (given PendingFile temporaries) never write through a symbolic link
// found under that name: the link's target stays as it was.
#include "image/BmpCodec.h"
#include "image/DIBSection.h"
#include "image/JpegCodec.h"
#include "image/TiffCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace gc {
namespace {

TEST(ImageWriters, NeverWriteThroughALink) {
    test::TempDir dir;
    DIBSection image;
    image.Create(8, 8, 24);
    ASSERT_TRUE(image.IsValid());
    test::RecordingMessages messages;
    const std::vector<unsigned char> precious = {'k', 'e', 'e', 'p'};
    const std::pair<const char*, std::function<void(const std::string&)>> writers[] = {
        {"bmp", [&](const std::string& path) { WriteBmpFile(path, image); }},
        {"jpg", [&](const std::string& path) { WriteJpegFile(path, image, 90, messages); }},
        {"tif", [&](const std::string& path) { WriteTiffFile(path, image, messages); }},
    };
    for (const auto& [type, write] : writers) {
        const std::string target = dir.File(std::string("target.") + type);
        const std::string link = dir.File(std::string("link.") + type);
        test::WriteFileBytes(target, precious);
        std::filesystem::create_symlink(target, link);
        write(link);
        EXPECT_EQ(test::ReadFileBytes(target), precious) << type;
    }
}

} // namespace
} // namespace gc
