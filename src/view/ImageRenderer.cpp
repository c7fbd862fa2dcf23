// The pyramid of area averages, the display tiles and the painting of a view (ImageRenderer.h).
#include "ImageRenderer.h"

#include "LowPass.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>

namespace gc {
namespace {

constexpr std::size_t TILE_PIXELS = static_cast<std::size_t>(TILE_SIZE) * TILE_SIZE;

std::uint64_t TileKey(int level, int tileX, int tileY) {
    return (static_cast<std::uint64_t>(level) << 56) | (static_cast<std::uint64_t>(tileY) << 28) |
           static_cast<std::uint64_t>(tileX);
}

// Sums of one run of a source row's samples (columns first .. end − 1, `samples` pointing at column
// `first`) added to `sums`, whose entry c holds the block of `block` columns from firstColumn + c · block.
// Integer samples are summed exactly as integers.
template <typename Sample>
void AddRunBlocks(const unsigned char* samples, int channels, int first, int end, int firstColumn, int block,
                  double* sums) {
    using Sum = std::conditional_t<std::is_floating_point_v<Sample>, double, std::int64_t>;
    for (int x = first; x < end;) {
        const int c = (x - firstColumn) / block;
        const int stop = std::min(firstColumn + (c + 1) * block, end);
        for (int k = 0; k < channels; ++k) {
            Sum sum = 0;
            for (int s = x; s < stop; ++s) {
                Sample value;
                std::memcpy(&value,
                            samples + (static_cast<std::size_t>((s - first) * channels + k) * sizeof value),
                            sizeof value);
                sum += static_cast<Sum>(value);
            }
            sums[c * channels + k] += static_cast<double>(sum);
        }
        x = stop;
    }
}

void AddRow(const PixelStore& store, int y, int firstColumn, int endColumn, int block, double* sums) {
    for (int x = firstColumn; x < endColumn;) {
        int count = 0;
        const unsigned char* run = store.RowRun(y, x, count);
        const int end = std::min(endColumn, x + count);
        const int channels = store.Channels();
        switch (store.Type()) {
        case SampleType::UInt8:
            AddRunBlocks<std::uint8_t>(run, channels, x, end, firstColumn, block, sums);
            break;
        case SampleType::Int16:
            AddRunBlocks<std::int16_t>(run, channels, x, end, firstColumn, block, sums);
            break;
        case SampleType::UInt16:
            AddRunBlocks<std::uint16_t>(run, channels, x, end, firstColumn, block, sums);
            break;
        case SampleType::Float32:
            AddRunBlocks<float>(run, channels, x, end, firstColumn, block, sums);
            break;
        }
        x = end;
    }
}

// Grey levels of every possible 8- or 16-bit sample through `mapping`.
std::vector<unsigned char> LookupTable(const PixelStore& store, const DisplayMapping& mapping) {
    std::vector<unsigned char> table;
    if (store.Type() == SampleType::UInt8) {
        table.resize(256);
        for (int v = 0; v < 256; ++v)
            table[static_cast<std::size_t>(v)] = mapping.Grey(v);
    } else if (store.Type() != SampleType::Float32) {
        table.resize(65536);
        const bool isSigned = store.Type() == SampleType::Int16;
        for (int v = 0; v < 65536; ++v)
            table[static_cast<std::size_t>(v)] = mapping.Grey(isSigned ? static_cast<std::int16_t>(v) : v);
    }
    return table;
}

// The taps of one screen pixel along one axis: up to three level pixels from `first`, with weights
// in 1/256ths that add up to 256.
struct Taps {
    int first = 0;
    int weight[3] = {256, 0, 0};
};

// Screen pixels `start` .. start + count − 1 (zoomed-picture coordinates) on a level `length` pixels
// long shown at `scale` screen pixels per level pixel, as taps relative to `origin`.
std::vector<Taps> AxisTaps(std::int64_t start, int count, double scale, int length, int origin) {
    std::vector<Taps> taps(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Taps& tap = taps[static_cast<std::size_t>(i)];
        const double from = static_cast<double>(start + i) / scale;
        if (scale >= 1) {
            tap.first = std::min(static_cast<int>(from), length - 1) - origin;
            continue;
        }
        const double to = static_cast<double>(start + i + 1) / scale;
        const int first = static_cast<int>(from);
        tap.first = std::min(first, length - 1) - origin;
        int given = 0;
        for (int k = 0; k < 3; ++k) {
            const double left = std::max(from, static_cast<double>(first + k));
            const double right = std::min(to, static_cast<double>(first + k + 1));
            const bool inside = first + k < length && right > left;
            tap.weight[k] = inside ? static_cast<int>(std::lround((right - left) / (to - from) * 256)) : 0;
            given += tap.weight[k];
        }
        tap.weight[0] += 256 - given; // rounding left over goes to the first tap
    }
    return taps;
}

// One row of screen pixels from the gathered display region: each the weighted sum of its taps.
void PaintRow(const Taps& vertical, const std::vector<Taps>& across, const unsigned char* region,
              std::size_t regionRow, int lastRow, int lastColumn, int channels, std::uint32_t* out) {
    for (std::size_t c = 0; c < across.size(); ++c) {
        const Taps& horizontal = across[c];
        int sum[3] = {0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            if (vertical.weight[i] == 0)
                continue;
            const unsigned char* line =
                region + static_cast<std::size_t>(std::min(vertical.first + i, lastRow)) * regionRow;
            for (int j = 0; j < 3; ++j) {
                const int weight = vertical.weight[i] * horizontal.weight[j];
                if (weight == 0)
                    continue;
                const unsigned char* pixel =
                    line + static_cast<std::size_t>(std::min(horizontal.first + j, lastColumn) * channels);
                for (int k = 0; k < channels; ++k)
                    sum[k] += weight * pixel[k];
            }
        }
        const auto level8 = [&](int k) { return static_cast<std::uint32_t>((sum[k] + 32768) >> 16); };
        const std::uint32_t red = level8(0);
        const std::uint32_t green = channels == 3 ? level8(1) : red;
        const std::uint32_t blue = channels == 3 ? level8(2) : red;
        out[c] = 0xff000000u | red << 16 | green << 8 | blue;
    }
}

} // namespace

const std::vector<unsigned char>* TileCache::Find(std::uint64_t key) {
    const auto found = m_map.find(key);
    if (found == m_map.end())
        return nullptr;
    m_ages.splice(m_ages.begin(), m_ages, found->second.age);
    return &found->second.tile;
}

const std::vector<unsigned char>& TileCache::Store(std::uint64_t key, std::vector<unsigned char> tile) {
    if (const auto old = m_map.find(key); old != m_map.end()) {
        m_nBytes -= old->second.tile.size();
        m_ages.erase(old->second.age);
        m_map.erase(old);
    }
    // The newest tile always stays, whatever its size.
    while (!m_ages.empty() && m_nBytes + tile.size() > m_nCapacity) {
        const auto oldest = m_map.find(m_ages.back());
        m_nBytes -= oldest->second.tile.size();
        m_map.erase(oldest);
        m_ages.pop_back();
    }
    m_nBytes += tile.size();
    m_ages.push_front(key);
    Entry& entry = m_map[key];
    entry.tile = std::move(tile);
    entry.age = m_ages.begin();
    return entry.tile;
}

void TileCache::Clear() {
    m_map.clear();
    m_ages.clear();
    m_nBytes = 0;
}

void ImageRenderer::SetImage(const PixelStore* store) {
    const std::uint64_t serial = store != nullptr && store->IsValid() ? store->Serial() : 0;
    m_pStore = serial != 0 ? store : nullptr;
    if (serial != m_nSerial)
        ClearCaches();
    m_nSerial = serial;
}

void ImageRenderer::ClearCaches() {
    m_values.Clear();
    m_display.Clear();
}

int ImageRenderer::LevelFor(double zoom) {
    if (!(zoom > 0) || zoom >= 1)
        return 0;
    const int level = static_cast<int>(std::floor(std::log2(1.0 / zoom) + 1e-9));
    return std::clamp(level, 0, MAX_LEVEL);
}

int ImageRenderer::LevelWidth(int level) const {
    return m_pStore == nullptr
               ? 0
               : static_cast<int>((std::int64_t{m_pStore->Width()} + (std::int64_t{1} << level) - 1) >>
                                  level);
}

int ImageRenderer::LevelHeight(int level) const {
    return m_pStore == nullptr
               ? 0
               : static_cast<int>((std::int64_t{m_pStore->Height()} + (std::int64_t{1} << level) - 1) >>
                                  level);
}

std::vector<unsigned char> ImageRenderer::AverageFromStore(int level, int tileX, int tileY) const {
    const int channels = m_pStore->Channels();
    const PixelStore* averages = m_pStore->Averages();
    if (averages != nullptr && level == m_pStore->AveragesLevel() && channels == 1) {
        // The reader's block means are this level's values.
        std::vector<unsigned char> tile(TILE_PIXELS * sizeof(float));
        const int columns = std::min(TILE_SIZE, averages->Width() - tileX * TILE_SIZE);
        const int rows = std::min(TILE_SIZE, averages->Height() - tileY * TILE_SIZE);
        for (int r = 0; r < rows; ++r)
            averages->CopyRow(tileY * TILE_SIZE + r, tileX * TILE_SIZE, columns,
                              tile.data() + static_cast<std::size_t>(r) * TILE_SIZE * sizeof(float));
        return tile;
    }
    const int block = 1 << level;
    std::vector<unsigned char> tile(TILE_PIXELS * static_cast<std::size_t>(channels) * sizeof(float));
    auto* values = reinterpret_cast<float*>(tile.data());
    const int columns = std::min(TILE_SIZE, LevelWidth(level) - tileX * TILE_SIZE);
    const int rows = std::min(TILE_SIZE, LevelHeight(level) - tileY * TILE_SIZE);
    const int firstColumn = tileX * TILE_SIZE * block;
    const int endColumn = std::min(m_pStore->Width(), firstColumn + columns * block);
    std::vector<double> sums(static_cast<std::size_t>(columns * channels));
    for (int r = 0; r < rows; ++r) {
        std::fill(sums.begin(), sums.end(), 0.0);
        const int firstRow = (tileY * TILE_SIZE + r) * block;
        const int endRow = std::min(m_pStore->Height(), firstRow + block);
        for (int y = firstRow; y < endRow; ++y)
            AddRow(*m_pStore, y, firstColumn, endColumn, block, sums.data());
        float* out = values + static_cast<std::size_t>(r) * TILE_SIZE * static_cast<std::size_t>(channels);
        for (int c = 0; c < columns; ++c) {
            const int width = std::min(block, endColumn - (firstColumn + c * block));
            const double count = static_cast<double>(width) * (endRow - firstRow);
            for (int k = 0; k < channels; ++k)
                out[c * channels + k] =
                    static_cast<float>(sums[(static_cast<std::size_t>(c) * channels) + k] / count);
        }
    }
    return tile;
}

std::vector<unsigned char> ImageRenderer::AverageFromLevelBelow(int level, int tileX, int tileY) {
    const int channels = m_pStore->Channels();
    std::vector<unsigned char> tile(TILE_PIXELS * static_cast<std::size_t>(channels) * sizeof(float));
    auto* values = reinterpret_cast<float*>(tile.data());
    const int below = level - 1;
    const int columns = std::min(TILE_SIZE, LevelWidth(level) - tileX * TILE_SIZE);
    const int rows = std::min(TILE_SIZE, LevelHeight(level) - tileY * TILE_SIZE);
    const int belowWidth = LevelWidth(below);
    const int belowHeight = LevelHeight(below);
    std::vector<float> source(static_cast<std::size_t>(4) * TILE_PIXELS * static_cast<std::size_t>(channels));
    ReadLevel(below, 2 * tileX * TILE_SIZE, 2 * tileY * TILE_SIZE, 2 * TILE_SIZE, 2 * TILE_SIZE,
              source.data());
    const auto stride = static_cast<std::size_t>(2) * TILE_SIZE * channels;
    // Each pixel of the level below weighs as many image pixels as it covers (fewer at the last row
    // and column), so that every level is the block mean of the image itself.
    const int side = 1 << below;
    const auto span = [side](int index, int length) { return std::min(side, length - index * side); };
    for (int r = 0; r < rows; ++r) {
        // Only pixels inside the level below take part: the last row or column may have one.
        const int pairRows = 2 * (tileY * TILE_SIZE + r) + 1 < belowHeight ? 2 : 1;
        for (int c = 0; c < columns; ++c) {
            const int pairColumns = 2 * (tileX * TILE_SIZE + c) + 1 < belowWidth ? 2 : 1;
            for (int k = 0; k < channels; ++k) {
                double sum = 0, weights = 0;
                for (int dy = 0; dy < pairRows; ++dy)
                    for (int dx = 0; dx < pairColumns; ++dx) {
                        const double weight =
                            static_cast<double>(span(2 * (tileY * TILE_SIZE + r) + dy, m_pStore->Height())) *
                            span(2 * (tileX * TILE_SIZE + c) + dx, m_pStore->Width());
                        weights += weight;
                        sum += weight * source[static_cast<std::size_t>(2 * r + dy) * stride +
                                               static_cast<std::size_t>((2 * c + dx) * channels + k)];
                    }
                values[static_cast<std::size_t>(r) * TILE_SIZE * static_cast<std::size_t>(channels) +
                       static_cast<std::size_t>(c * channels + k)] = static_cast<float>(sum / weights);
            }
        }
    }
    return tile;
}

const float* ImageRenderer::ValueTile(int level, int tileX, int tileY) {
    const std::uint64_t key = TileKey(level, tileX, tileY);
    if (const std::vector<unsigned char>* found = m_values.Find(key))
        return reinterpret_cast<const float*>(found->data());
    std::vector<unsigned char> tile = level <= DIRECT_LEVELS ? AverageFromStore(level, tileX, tileY)
                                                             : AverageFromLevelBelow(level, tileX, tileY);
    // Averaging a whole coarse level reads every page of a mapped file: they are given back every
    // PAGE_RELEASE_BYTES, so the process never holds much more of the file than that at once.
    if (level > 0 && level <= DIRECT_LEVELS && m_pStore->IsMapped()) {
        const auto side = static_cast<std::size_t>(TILE_SIZE) << level;
        m_nTouchedBytes +=
            side * side * static_cast<std::size_t>(m_pStore->Channels() * SampleBytes(m_pStore->Type()));
        if (m_nTouchedBytes >= PAGE_RELEASE_BYTES) {
            m_pStore->ReleasePages();
            m_nTouchedBytes = 0;
        }
    }
    return reinterpret_cast<const float*>(m_values.Store(key, std::move(tile)).data());
}

void ImageRenderer::FillDirectTiles(int level, int x0, int y0, int x1, int y1) {
    const int direct = std::min(level, DIRECT_LEVELS);
    if (m_pStore == nullptr || direct == 0 || x1 <= x0 || y1 <= y0)
        return;
    // The level's tiles over the region, and under them the tiles of the directly averaged level.
    const int shift = level - direct;
    const int side = TILE_SIZE << shift;
    const int lastX =
        std::min((LevelWidth(direct) - 1) / TILE_SIZE, ((x1 - 1) / TILE_SIZE + 1) * side / TILE_SIZE - 1);
    const int lastY =
        std::min((LevelHeight(direct) - 1) / TILE_SIZE, ((y1 - 1) / TILE_SIZE + 1) * side / TILE_SIZE - 1);
    const std::size_t tileBytes =
        TILE_PIXELS * static_cast<std::size_t>(m_pStore->Channels()) * sizeof(float);
    std::vector<std::pair<int, int>> missing;
    for (int tileY = y0 / TILE_SIZE * side / TILE_SIZE; tileY <= lastY; ++tileY)
        for (int tileX = x0 / TILE_SIZE * side / TILE_SIZE; tileX <= lastX; ++tileX)
            if (m_values.Find(TileKey(direct, tileX, tileY)) == nullptr &&
                (missing.size() + 1) * tileBytes <= VALUE_CACHE_BYTES / 2)
                missing.emplace_back(tileX, tileY);
    if (missing.size() < 2)
        return;
    std::vector<std::vector<unsigned char>> tiles(missing.size());
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> touched{m_nTouchedBytes};
    const auto source = static_cast<std::size_t>(TILE_SIZE << direct) *
                        static_cast<std::size_t>(TILE_SIZE << direct) *
                        static_cast<std::size_t>(m_pStore->Channels() * SampleBytes(m_pStore->Type()));
    const auto work = [&] {
        for (std::size_t i = next++; i < missing.size(); i = next++) {
            tiles[i] = AverageFromStore(direct, missing[i].first, missing[i].second);
            // Pages of a mapped file are given back as they are averaged (see ValueTile).
            if (m_pStore->IsMapped() && (touched += source) >= PAGE_RELEASE_BYTES) {
                touched = 0;
                m_pStore->ReleasePages();
            }
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < FILL_THREADS; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // the calling thread averages what a helper would have
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    m_nTouchedBytes = touched;
    for (std::size_t i = 0; i < missing.size(); ++i)
        m_values.Store(TileKey(direct, missing[i].first, missing[i].second), std::move(tiles[i]));
}

void ImageRenderer::ReadLevel(int level, int x, int y, int width, int height, float* out) {
    const int channels = m_pStore->Channels();
    const int levelWidth = LevelWidth(level);
    const int levelHeight = LevelHeight(level);
    for (int r = 0; r < height; ++r) {
        const int row = std::clamp(y + r, 0, levelHeight - 1);
        float* target = out + static_cast<std::size_t>(r) * static_cast<std::size_t>(width * channels);
        for (int c = 0; c < width;) {
            const int column = std::clamp(x + c, 0, levelWidth - 1);
            if (level == 0) {
                for (int k = 0; k < channels; ++k)
                    target[c * channels + k] = static_cast<float>(m_pStore->Value(column, row, k));
                ++c;
                continue;
            }
            // A run of pixels within one tile is copied at once.
            const float* tile = ValueTile(level, column / TILE_SIZE, row / TILE_SIZE);
            const int inTile = column % TILE_SIZE;
            int run = 1;
            if (x + c >= 0 && x + c < levelWidth)
                run = std::min({TILE_SIZE - inTile, width - c, levelWidth - column});
            const float* source = tile + (static_cast<std::size_t>(row % TILE_SIZE) * TILE_SIZE +
                                          static_cast<std::size_t>(inTile)) *
                                             static_cast<std::size_t>(channels);
            std::memcpy(target + (std::ptrdiff_t{c} * channels), source,
                        static_cast<std::size_t>(run * channels) * sizeof(float));
            c += run;
        }
    }
}

std::uint64_t ImageRenderer::DisplayKey(int level, int tileX, int tileY) const {
    // The mapping and the filter are part of the key: switching back finds the tiles made before.
    std::uint64_t key = TileKey(level, tileX, tileY);
    const double parts[] = {m_mapping.low, m_mapping.high, m_mapping.invert ? 1.0 : 0.0, m_dLowPass};
    for (const double part : parts) {
        std::uint64_t bits;
        std::memcpy(&bits, &part, sizeof bits);
        key ^= bits + 0x9e3779b97f4a7c15ULL + (key << 6) + (key >> 2);
    }
    return key;
}

const unsigned char* ImageRenderer::DisplayTile(int level, int tileX, int tileY) {
    const std::uint64_t key = DisplayKey(level, tileX, tileY);
    if (const std::vector<unsigned char>* found = m_display.Find(key))
        return found->data();
    const int channels = m_pStore->Channels();
    const int columns = std::min(TILE_SIZE, LevelWidth(level) - tileX * TILE_SIZE);
    const int rows = std::min(TILE_SIZE, LevelHeight(level) - tileY * TILE_SIZE);
    std::vector<unsigned char> tile(TILE_PIXELS * static_cast<std::size_t>(channels));
    const auto rowBytes = static_cast<std::size_t>(TILE_SIZE) * channels;
    const double sigma = m_dLowPass / static_cast<double>(1 << level);
    if (sigma >= MIN_LOW_PASS_SIGMA) {
        const int margin = LowPassMargin(sigma);
        const int width = columns + 2 * margin;
        const int height = rows + 2 * margin;
        std::vector<float> values(static_cast<std::size_t>(width) *
                                  static_cast<std::size_t>(height * channels));
        ReadLevel(level, tileX * TILE_SIZE - margin, tileY * TILE_SIZE - margin, width, height,
                  values.data());
        GaussianBlur(values.data(), width, height, channels, sigma);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns * channels; ++c)
                tile[static_cast<std::size_t>(r) * rowBytes + static_cast<std::size_t>(c)] = m_mapping.Grey(
                    values[static_cast<std::size_t>(r + margin) * static_cast<std::size_t>(width * channels) +
                           static_cast<std::size_t>(margin * channels + c)]);
    } else if (level == 0) {
        const std::vector<unsigned char> table = LookupTable(*m_pStore, m_mapping);
        std::vector<unsigned char> samples(static_cast<std::size_t>(columns * channels) *
                                           static_cast<std::size_t>(SampleBytes(m_pStore->Type())));
        for (int r = 0; r < rows; ++r) {
            const int y = tileY * TILE_SIZE + r;
            const int x0 = tileX * TILE_SIZE;
            unsigned char* out = tile.data() + static_cast<std::size_t>(r) * rowBytes;
            m_pStore->CopyRow(y, x0, columns, samples.data());
            const unsigned char* row = samples.data();
            for (int c = 0; c < columns * channels; ++c) {
                if (m_pStore->Type() == SampleType::UInt8) {
                    out[c] = table[row[c]];
                } else if (!table.empty()) {
                    std::uint16_t bits;
                    std::memcpy(&bits, row + (2 * std::ptrdiff_t{c}), sizeof bits);
                    out[c] = table[bits];
                } else {
                    out[c] = m_mapping.Grey(m_pStore->Value(x0 + c, y));
                }
            }
        }
    } else {
        const float* values = ValueTile(level, tileX, tileY);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns * channels; ++c)
                tile[static_cast<std::size_t>(r) * rowBytes + static_cast<std::size_t>(c)] = m_mapping.Grey(
                    values[static_cast<std::size_t>(r) * rowBytes + static_cast<std::size_t>(c)]);
    }
    return m_display.Store(key, std::move(tile)).data();
}

void ImageRenderer::GatherDisplay(int level, int x0, int y0, int x1, int y1,
                                  std::vector<unsigned char>& out) {
    const int channels = m_pStore->Channels();
    const auto rowBytes = static_cast<std::size_t>(x1 - x0) * channels;
    out.resize(rowBytes * static_cast<std::size_t>(y1 - y0));
    for (int tileY = y0 / TILE_SIZE; tileY * TILE_SIZE < y1; ++tileY)
        for (int tileX = x0 / TILE_SIZE; tileX * TILE_SIZE < x1; ++tileX) {
            const unsigned char* tile = DisplayTile(level, tileX, tileY);
            const int left = std::max(x0, tileX * TILE_SIZE);
            const int right = std::min(x1, (tileX + 1) * TILE_SIZE);
            const int top = std::max(y0, tileY * TILE_SIZE);
            const int bottom = std::min(y1, (tileY + 1) * TILE_SIZE);
            for (int y = top; y < bottom; ++y)
                std::memcpy(out.data() + static_cast<std::size_t>(y - y0) * rowBytes +
                                static_cast<std::size_t>((left - x0) * channels),
                            tile + (static_cast<std::size_t>(y - tileY * TILE_SIZE) * TILE_SIZE +
                                    static_cast<std::size_t>(left - tileX * TILE_SIZE)) *
                                       static_cast<std::size_t>(channels),
                            static_cast<std::size_t>(right - left) * channels);
        }
}

void ImageRenderer::Render(const RenderView& view, std::uint32_t* pixels, std::ptrdiff_t stride) {
    if (m_pStore == nullptr || !(view.zoom > 0))
        return;
    const auto zoomedWidth = static_cast<std::int64_t>(m_pStore->Width() * view.zoom);
    const auto zoomedHeight = static_cast<std::int64_t>(m_pStore->Height() * view.zoom);
    const int columns = static_cast<int>(std::clamp<std::int64_t>(zoomedWidth - view.left, 0, view.width));
    const int rows = static_cast<int>(std::clamp<std::int64_t>(zoomedHeight - view.top, 0, view.height));
    if (columns <= 0 || rows <= 0 || view.left < 0 || view.top < 0)
        return;
    const int level = LevelFor(view.zoom);
    const double scale = view.zoom * static_cast<double>(1 << level);
    const int levelWidth = LevelWidth(level);
    const int levelHeight = LevelHeight(level);
    const int x0 = std::min(static_cast<int>(static_cast<double>(view.left) / scale), levelWidth - 1);
    const int y0 = std::min(static_cast<int>(static_cast<double>(view.top) / scale), levelHeight - 1);
    const int x1 =
        std::min(levelWidth, static_cast<int>(static_cast<double>(view.left + columns) / scale) + 2);
    const int y1 = std::min(levelHeight, static_cast<int>(static_cast<double>(view.top + rows) / scale) + 2);
    const std::size_t valueTilesBefore = m_values.Count();
    FillDirectTiles(level, x0, y0, x1, y1);
    GatherDisplay(level, x0, y0, x1, y1, m_region);
    // Pages of a mapped file read for coarse levels are given back; the averages keep what was needed.
    if (level > 0 && m_values.Count() != valueTilesBefore)
        m_pStore->ReleasePages();

    const std::vector<Taps> across = AxisTaps(view.left, columns, scale, levelWidth, x0);
    const std::vector<Taps> down = AxisTaps(view.top, rows, scale, levelHeight, y0);
    const int channels = m_pStore->Channels();
    const auto regionRow = static_cast<std::size_t>(x1 - x0) * channels;
    const int lastRow = y1 - y0 - 1;
    const int lastColumn = x1 - x0 - 1;
    for (int r = 0; r < rows; ++r) {
        const Taps& vertical = down[static_cast<std::size_t>(r)];
        PaintRow(vertical, across, m_region.data(), regionRow, lastRow, lastColumn, channels,
                 pixels + static_cast<std::ptrdiff_t>(r) * stride);
    }
}

ValueHistogram ImageRenderer::Histogram(int minimumSide) {
    if (m_pStore == nullptr)
        return {};
    int level = 0;
    while (level < MAX_LEVEL && std::max(LevelWidth(level + 1), LevelHeight(level + 1)) >= minimumSide)
        ++level;
    const int width = LevelWidth(level);
    const int height = LevelHeight(level);
    const int channels = m_pStore->Channels();
    FillDirectTiles(level, 0, 0, width, height);
    std::vector<float> values(static_cast<std::size_t>(width) * static_cast<std::size_t>(channels));
    ValueHistogram histogram;
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -minimum;
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = 0; y < height; ++y) {
            ReadLevel(level, 0, y, width, 1, values.data());
            if (pass == 1) {
                histogram.Add(values.data(), values.size());
                continue;
            }
            for (const float value : values)
                if (std::isfinite(value)) {
                    minimum = std::min(minimum, static_cast<double>(value));
                    maximum = std::max(maximum, static_cast<double>(value));
                }
        }
        if (minimum > maximum)
            return histogram;
        histogram.minimum = minimum;
        histogram.maximum = maximum;
    }
    return histogram;
}

} // namespace gc
