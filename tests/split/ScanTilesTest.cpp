// One open scan per Run: readers share its descriptor, a scan cut short while it is read gives failed
// reads and says so (never a bus error), a scan replaced under its name is not mixed in, and the
// number of reading threads stays within the scan's tile columns and the cores.
#include "split/ScanTiles.h"
#include "split/ImageExtraction.h"
#include "split/SizeCheck.h"
#include "split/SplitMessages.h"
#include "split/SplitTestSupport.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace gc {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

constexpr int SIDE = 256, TILE = 64;
constexpr std::size_t TILE_BYTES = static_cast<std::size_t>(TILE) * TILE;

// Uncompressed, so that the tiles lie in the file's order and the last one ends it.
std::string Scan(const TempDir& dir, const std::string& name, unsigned char shift) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(test::WriteTiledScan(path, SIDE, SIDE, TILE, TILE, [shift](int x, int y) {
        return static_cast<unsigned char>(x + 3 * y + shift);
    }));
    return path;
}

std::vector<unsigned char> Tile(ScanTiles& scan, std::uint32_t tile) {
    std::vector<unsigned char> pixels(TILE_BYTES);
    EXPECT_TRUE(scan.ReadTile(tile, pixels.data(), pixels.size())) << tile;
    return pixels;
}

// The scan s.tif, open.
class OpenScan : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scan = ScanTiles::Open(path)); }
    TempDir dir;
    const std::string path = Scan(dir, "s.tif", 0);
    std::unique_ptr<ScanTiles> scan;
};

TEST_F(OpenScan, AScanCutShortWhileReadFailsAndSaysWhy) {
    std::unique_ptr<ScanTiles> reader = scan->Reader();
    ASSERT_TRUE(reader);
    Tile(*reader, 0);
    EXPECT_EQ(scan->Changed(), "");
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(fs::file_size(path) / 2)), 0);
    std::vector<unsigned char> pixels(TILE_BYTES);
    for (ScanTiles* each : {scan.get(), reader.get()})
        EXPECT_FALSE(each->ReadTile(15, pixels.data(), pixels.size()));
    EXPECT_EQ(scan->UnreadableTile(15), DETAIL_READING + path + DETAIL_SCAN_SHRANK);
}

TEST_F(OpenScan, AScanReplacedUnderItsNameIsNotMixedIn) {
    const std::vector<unsigned char> before = Tile(*scan, 5);
    fs::rename(Scan(dir, "other.tif", 100), path);
    std::unique_ptr<ScanTiles> reader = scan->Reader();
    ASSERT_TRUE(reader);
    EXPECT_EQ(Tile(*reader, 5), before);
    EXPECT_EQ(Tile(*scan, 5), before);
    EXPECT_EQ(scan->Changed(), "") << "the open scan itself did not change";
}

TEST_F(OpenScan, AScanWrittenToWhileReadIsChanged) {
    {
        std::FILE* file = std::fopen(path.c_str(), "ab");
        ASSERT_NE(file, nullptr);
        std::fputs("more", file);
        std::fclose(file);
    }
    EXPECT_EQ(scan->Changed(), DETAIL_READING + path + DETAIL_SCAN_CHANGED);
}

TEST(ImageExtraction, WorkersStayWithinTileColumnsAndCores) {
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    ScanGeometry geometry;
    const struct {
        int requested, columns, expected;
    } cases[] = {
        {0, 8, 1}, {1, 8, 1}, {256, 1, 1}, {256, 3, std::min(3, cores)}, {2, 64, std::min(2, cores)}};
    for (const auto& c : cases) {
        geometry.m_nTilesAcross = c.columns;
        EXPECT_EQ(WorkerCount(c.requested, geometry), c.expected) << c.requested << " " << c.columns;
    }
}

// The size check's pixel reader gives every pixel of a line through the scan right, whether the
// tiles it decodes are kept for the extraction (as many as the budget allows) or only held one at a
// time; the middle row is walked, then a middle column across it, as CheckImageSizes does.
TEST_F(OpenScan, PixelReaderKeepsTheTilesItDecodesWithinTheBudget) {
    ScanGeometry geometry;
    geometry.m_nTileWidth = geometry.m_nTileLength = TILE;
    geometry.m_nTileSize = static_cast<int>(TILE_BYTES);
    geometry.m_nTilesAcross = geometry.m_nTilesDown = SIDE / TILE;
    geometry.m_nTileCount = geometry.m_nTilesAcross * geometry.m_nTilesDown;
    geometry.m_nPaddedWidth = geometry.m_nPaddedHeight = SIDE;
    // The row crosses 4 tiles and the column 4, one of them the row's: 7 tiles in all.
    for (const auto& [budgetTiles, keptTiles] : {std::pair{0, 0}, {2, 2}, {7, 7}, {16, 7}}) {
        SCOPED_TRACE(budgetTiles);
        KeptTiles kept(geometry.m_nTileCount, static_cast<std::size_t>(budgetTiles) * TILE_BYTES);
        const PixelReader pixel = ScanPixelReader(*scan, geometry, kept);
        for (const auto& [x0, y0, dx, dy] : {std::array{0, 100, 1, 0}, {130, 0, 0, 1}})
            for (int i = 0; i < SIDE; ++i) {
                const int x = x0 + i * dx, y = y0 + i * dy;
                ASSERT_EQ(pixel(x, y), static_cast<unsigned char>(x + 3 * y)) << x << ", " << y;
            }
        int found = 0;
        for (int tile = 0; tile < geometry.m_nTileCount; ++tile)
            if (const std::vector<unsigned char>* held = kept.Find(tile)) {
                ++found;
                EXPECT_EQ(*held, Tile(*scan, static_cast<std::uint32_t>(tile))) << tile;
            }
        EXPECT_EQ(found, keptTiles);
        EXPECT_EQ(pixel(SIDE, 0), -1);
    }
}

} // namespace
} // namespace gc
