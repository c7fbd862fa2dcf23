// A convert or cut batch never writes over its own files: the outputs of a file that would replace an
// input of the batch or an output written before are not written, with a warning, and the batch ends
// with status 3 after "Done...".
#include "CliRun.h"
#include "convert/ConvertFixtures.h"
#include "convert/ConvertMessages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace gc {
namespace {

using test::CliRun;
using test::ReadText;
using test::RunCliIn;

namespace fs = std::filesystem;
using test::TempDir;

// A small 8-bit greyscale TIFF of `width` × `height`, one row per strip.
void WriteSmallTiff(const std::string& path, std::uint32_t width, std::uint32_t height) {
    test::TiffSpec recipe;
    recipe.m_nWidth = width;
    recipe.m_nLength = height;
    ASSERT_TRUE(
        test::WriteTiff(path, recipe, [](std::uint32_t x, std::uint32_t y) { return (x + 3 * y) % 256; }));
}

TEST(BatchNames, ConvertAndCutBatchesNeverWriteOverTheirOwnFiles) {
    TempDir dir;
    WriteSmallTiff(dir.File("s.1.tif"), 64, 48);
    WriteSmallTiff(dir.File("s.2.tif"), 32, 16);
    CliRun run = RunCliIn(dir, "convert --bin 2 s.1.tif s.2.tif");
    EXPECT_EQ(run.m_nStatus, 3);
    EXPECT_EQ(run.m_strErr, std::string(MSG_OUTPUTS_OF) + "s.2.tif" + MSG_OUTPUTS_NOT_WRITTEN + "s.mrc" +
                                MSG_BATCH_CLASHES_WITH_OUTPUT + "\n");
    EXPECT_EQ(run.m_strOut, "s.mrc\ns_2_bin.mrc\n2 files written\n" + std::string(MSG_DONE) + "\n");
    test::MrcImage mrc;
    ASSERT_TRUE(test::ReadMrc(dir.File("s.mrc"), mrc));
    EXPECT_EQ(mrc.m_nWidth, 64) << "the first file's";
    ASSERT_TRUE(test::ReadMrc(dir.File("s_2_bin.mrc"), mrc));
    EXPECT_EQ(mrc.m_nWidth, 32);

    // Cut names its outputs by position: the first file's would be the second input.
    WriteSmallTiff(dir.File("a.tif"), 64, 48);
    WriteSmallTiff(dir.File("a_Cut_0.tif"), 32, 16);
    const std::string input = ReadText(dir.Path() / "a_Cut_0.tif");
    run = RunCliIn(dir, "cut --start-x 1 --start-y 1 --end-x 8 --end-y 8 a.tif a_Cut_0.tif");
    EXPECT_EQ(run.m_nStatus, 3);
    EXPECT_EQ(run.m_strErr, std::string(MSG_OUTPUTS_OF) + "a.tif" + MSG_OUTPUTS_NOT_WRITTEN + "a_Cut_0.tif" +
                                MSG_BATCH_CLASHES_WITH_INPUT + "\n");
    EXPECT_TRUE(ReadText(dir.Path() / "a_Cut_0.tif") == input);
    EXPECT_TRUE(fs::exists(dir.Path() / "a_Cut_0_Cut_1.tif"));
}

} // namespace
} // namespace gc
