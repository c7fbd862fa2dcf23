// ImageRenderer: what the viewer shows, derived from the image's values without windows.
//
// A pyramid of area averages: level k holds the image at 1/2^k of its size, each value the mean of
// the 2^k × 2^k pixels (fewer at the right and bottom edges) it covers. Levels 1 to DIRECT_LEVELS are
// averaged straight from the values (or taken from the block means a reader made while it decoded,
// PixelStore::Averages), on two threads; each level above from the one below it. A level is built in
// tiles of TILE_SIZE² values, only where it is looked at, and kept in a cache of bounded size.
//
// The visible part is painted from the level nearest the zoom (the finest level not finer than the
// zoom needs): each screen pixel is the area average of the level's pixels it covers (at most two
// along each axis), or, zoomed in beyond 1:1, the one pixel under it. Display tiles (the level's
// values through the low-pass filter and the display mapping, as 8-bit grey or colour) are cached by
// level, position and mapping, so that a repaint at another zoom or position reuses them.
#pragma once

#include "DisplayMapping.h"
#include "image/PixelStore.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>
#include <vector>

namespace gc {

inline constexpr int TILE_SIZE = 256;
inline constexpr int DIRECT_LEVELS = 4;
inline constexpr int MAX_LEVEL = 12;
inline constexpr std::size_t VALUE_CACHE_BYTES = std::size_t{96} << 20;
inline constexpr std::size_t DISPLAY_CACHE_BYTES = std::size_t{32} << 20;
inline constexpr std::size_t PAGE_RELEASE_BYTES = std::size_t{32} << 20;
inline constexpr int FILL_THREADS = 2;

// The part of the zoomed picture in view: its top-left corner in zoomed-picture pixels (the scroll
// position), its size in screen pixels, and the zoom factor.
struct RenderView {
    double zoom = 1;
    std::int64_t left = 0;
    std::int64_t top = 0;
    int width = 0;
    int height = 0;
};

// A small cache of tiles, the least recently used dropped first once it holds more than its bytes.
class TileCache {
public:
    explicit TileCache(std::size_t capacityBytes) : m_nCapacity(capacityBytes) {}
    // The tile under `key`, or nullptr; a found tile becomes the most recently used.
    const std::vector<unsigned char>* Find(std::uint64_t key);
    // Stores a tile under `key` (replacing one there) and returns it.
    const std::vector<unsigned char>& Store(std::uint64_t key, std::vector<unsigned char> tile);
    void Clear();
    std::size_t Count() const { return m_map.size(); }
    std::size_t Bytes() const { return m_nBytes; }

private:
    struct Entry {
        std::vector<unsigned char> tile;
        std::list<std::uint64_t>::iterator age;
    };
    std::size_t m_nCapacity;
    std::size_t m_nBytes = 0;
    std::list<std::uint64_t> m_ages; // most recent first
    std::unordered_map<std::uint64_t, Entry> m_map;
};

class ImageRenderer {
public:
    ImageRenderer() : m_values(VALUE_CACHE_BYTES), m_display(DISPLAY_CACHE_BYTES) {}

    // The image to show; the caches are emptied when it is another one (PixelStore::Serial). The
    // store must outlive its use here; nullptr shows nothing.
    void SetImage(const PixelStore* store);
    const PixelStore* Image() const { return m_pStore; }
    void SetMapping(const DisplayMapping& mapping) { m_mapping = mapping; }
    const DisplayMapping& Mapping() const { return m_mapping; }
    // The low-pass filter's Gaussian sigma in image pixels; 0 switches it off.
    void SetLowPass(double sigma) { m_dLowPass = sigma > 0 ? sigma : 0; }
    double LowPass() const { return m_dLowPass; }

    // The level painted at `zoom`: the largest k with zoom · 2^k ≤ 1 (0 when zoomed in), at most
    // MAX_LEVEL.
    static int LevelFor(double zoom);
    int LevelWidth(int level) const;
    int LevelHeight(int level) const;

    // Paints the part of the picture in `view` into `pixels` (view.width × view.height words of
    // 0xffRRGGBB, `stride` words from one row to the next). Pixels beyond the picture (whose size is
    // trunc(width × zoom) × trunc(height × zoom)) are left as they are.
    void Render(const RenderView& view, std::uint32_t* pixels, std::ptrdiff_t stride);

    // The histogram of the values of the coarsest level that still has at least `minimumSide`
    // pixels along its longer side (or level 0): what the automatic contrast looks at.
    ValueHistogram Histogram(int minimumSide = 1024);

    // Values of level `level`, columns x .. x + width − 1 and rows y .. y + height − 1, channel by
    // channel per pixel, into `out`; coordinates beyond the level repeat its edge pixels.
    void ReadLevel(int level, int x, int y, int width, int height, float* out);

    std::size_t CachedValueTiles() const { return m_values.Count(); }
    std::size_t CachedDisplayTiles() const { return m_display.Count(); }
    std::size_t CachedBytes() const { return m_values.Bytes() + m_display.Bytes(); }
    void ClearCaches();

private:
    const float* ValueTile(int level, int tileX, int tileY);
    const unsigned char* DisplayTile(int level, int tileX, int tileY);
    std::vector<unsigned char> AverageFromStore(int level, int tileX, int tileY) const;
    // Averages, on FILL_THREADS threads, the missing tiles of the directly averaged level (level, or
    // DIRECT_LEVELS above it) that the level's tiles over columns [x0, x1) and rows [y0, y1) are made
    // from, as far as half the value cache holds them.
    void FillDirectTiles(int level, int x0, int y0, int x1, int y1);
    std::vector<unsigned char> AverageFromLevelBelow(int level, int tileX, int tileY);
    // The level's pixels of rows [y0, y1) and columns [x0, x1) as display bytes, row by row.
    void GatherDisplay(int level, int x0, int y0, int x1, int y1, std::vector<unsigned char>& out);
    std::uint64_t DisplayKey(int level, int tileX, int tileY) const;

    const PixelStore* m_pStore = nullptr;
    std::uint64_t m_nSerial = 0;
    DisplayMapping m_mapping;
    double m_dLowPass = 0;
    TileCache m_values;
    TileCache m_display;
    std::vector<unsigned char> m_region;
    std::size_t m_nTouchedBytes = 0; // of a mapped file, since its pages were last given back
};

} // namespace gc
