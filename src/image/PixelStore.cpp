// The typed pixel store and the 24-bit picture made from it for the writers.
#include "image/PixelStore.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace gc {
namespace {

std::uint64_t NextSerial() {
    static std::atomic<std::uint64_t> serial{0};
    return ++serial;
}

template <typename Sample> Sample Load(const unsigned char* bytes) {
    Sample value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The linear grey scale of an image: minimum → 0, maximum → 255.
class GreyScale {
public:
    explicit GreyScale(const PixelStore& store) {
        for (int y = 0; y < store.Height(); ++y)
            for (int x = 0; x < store.Width(); ++x)
                if (const double value = store.Value(x, y); std::isfinite(value)) {
                    m_dMinimum = std::min(m_dMinimum, value);
                    m_dMaximum = std::max(m_dMaximum, value);
                }
    }
    unsigned char Grey(double value) const {
        constexpr double WHITE = 255;
        if (std::isnan(value))
            return 0;
        if (!(m_dMaximum > m_dMinimum))
            return value > m_dMaximum ? 255 : 0;
        const double level = std::floor((value - m_dMinimum) * WHITE / (m_dMaximum - m_dMinimum) + 0.5);
        return static_cast<unsigned char>(std::clamp(level, 0.0, WHITE));
    }

private:
    double m_dMinimum = std::numeric_limits<double>::infinity();
    double m_dMaximum = -std::numeric_limits<double>::infinity();
};

} // namespace

// The tiles a TileSource decoded, the most recently used kept within DECODED_TILE_BYTES. A tile handed
// out stays alive, even when dropped from the cache meanwhile, until the same thread has asked for
// PINNED_TILES more: long enough for a caller to read the run it was given.
class DecodedTiles {
public:
    DecodedTiles(std::shared_ptr<TileSource> source, std::size_t tileBytes, std::size_t keptBytes)
        : m_source(std::move(source)), m_nTileBytes(tileBytes),
          m_nCapacity(std::max<std::size_t>(8, keptBytes / std::max<std::size_t>(1, tileBytes))) {}

    const unsigned char* Tile(std::size_t index) {
        std::shared_ptr<const std::vector<unsigned char>> tile = Find(index);
        if (!tile) {
            auto decoded = std::make_shared<std::vector<unsigned char>>(m_nTileBytes, 0);
            if (!m_source->Decode(index, decoded->data()))
                std::fill(decoded->begin(), decoded->end(), 0);
            tile = Keep(index, std::move(decoded));
        }
        constexpr std::size_t PINNED_TILES = 4;
        thread_local std::shared_ptr<const std::vector<unsigned char>> pinned[PINNED_TILES];
        thread_local std::size_t next = 0;
        pinned[next++ % PINNED_TILES] = tile;
        return tile->data();
    }

    bool Intact() const { return m_source->Intact(); }

private:
    using SharedTile = std::shared_ptr<const std::vector<unsigned char>>;
    SharedTile Find(std::size_t index) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_tiles.find(index);
        if (found == m_tiles.end())
            return nullptr;
        m_ages.splice(m_ages.begin(), m_ages, found->second.second);
        return found->second.first;
    }
    // Keeps a decoded tile (or takes the one another thread kept first) and drops the oldest.
    SharedTile Keep(std::size_t index, SharedTile tile) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (const auto found = m_tiles.find(index); found != m_tiles.end())
            return found->second.first;
        m_ages.push_front(index);
        m_tiles.emplace(index, std::make_pair(tile, m_ages.begin()));
        while (m_tiles.size() > m_nCapacity) {
            m_tiles.erase(m_ages.back());
            m_ages.pop_back();
        }
        return tile;
    }

    std::shared_ptr<TileSource> m_source;
    std::size_t m_nTileBytes;
    std::size_t m_nCapacity;
    std::mutex m_mutex;
    std::list<std::size_t> m_ages; // most recent first
    std::unordered_map<std::size_t, std::pair<SharedTile, std::list<std::size_t>::iterator>> m_tiles;
};

int SampleBytes(SampleType type) {
    switch (type) {
    case SampleType::UInt8:
        return 1;
    case SampleType::Int16:
    case SampleType::UInt16:
        return 2;
    case SampleType::Float32:
        break;
    }
    return 4;
}

bool PixelStore::Allocate(int width, int height, SampleType type, int channels) {
    *this = PixelStore();
    if (width <= 0 || height <= 0 || (channels != 1 && channels != 3))
        return false;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                              static_cast<std::size_t>(channels * SampleBytes(type));
    m_buffer.reset(static_cast<unsigned char*>(std::calloc(bytes, 1)));
    if (!m_buffer)
        return false;
    m_pSamples = m_buffer.get();
    m_nWidth = width;
    m_nHeight = height;
    m_nChannels = channels;
    m_type = type;
    m_nSerial = NextSerial();
    return true;
}

void PixelStore::Map(std::shared_ptr<const FileMapping> mapping, std::size_t offset, int width, int height,
                     SampleType type) {
    *this = PixelStore();
    m_pSamples = mapping->Data() + offset;
    m_mapping = std::move(mapping);
    m_nMappedOffset = offset;
    m_nWidth = width;
    m_nHeight = height;
    m_type = type;
    m_nSerial = NextSerial();
}

void PixelStore::MapTiles(std::shared_ptr<const FileMapping> mapping, std::vector<std::size_t> tileOffsets,
                          int tileWidth, int tileHeight, int width, int height, SampleType type) {
    Map(std::move(mapping), 0, width, height, type);
    m_tileOffsets = std::move(tileOffsets);
    m_nTileWidth = tileWidth;
    m_nTileHeight = tileHeight;
    m_nTilesAcross = (width + tileWidth - 1) / tileWidth;
}

void PixelStore::SetAverages(PixelStore averages, int level) {
    m_averages = std::make_unique<PixelStore>(std::move(averages));
    m_nAveragesLevel = level;
}

void PixelStore::DecodeTiles(std::shared_ptr<TileSource> source, int tileWidth, int tileHeight, int width,
                             int height, SampleType type, std::size_t keptBytes) {
    *this = PixelStore();
    const std::size_t tileBytes = static_cast<std::size_t>(tileWidth) * static_cast<std::size_t>(tileHeight) *
                                  static_cast<std::size_t>(SampleBytes(type));
    m_decoded = std::make_shared<DecodedTiles>(std::move(source), tileBytes, keptBytes);
    m_nWidth = width;
    m_nHeight = height;
    m_type = type;
    m_nSerial = NextSerial();
    m_nTileWidth = tileWidth;
    m_nTileHeight = tileHeight;
    m_nTilesAcross = (width + tileWidth - 1) / tileWidth;
}

bool PixelStore::IsIntact() const {
    if (m_decoded)
        return m_decoded->Intact();
    return m_mapping == nullptr || !m_mapping->Lost();
}

const unsigned char* PixelStore::SampleAt(int x, int y) const {
    const auto pixelBytes =
        static_cast<std::size_t>(m_nChannels) * static_cast<std::size_t>(SampleBytes(m_type));
    if (!IsTiled())
        return Row(y) + static_cast<std::size_t>(x) * pixelBytes;
    const auto tile = static_cast<std::size_t>(y / m_nTileHeight) * static_cast<std::size_t>(m_nTilesAcross) +
                      static_cast<std::size_t>(x / m_nTileWidth);
    const auto inTile = static_cast<std::size_t>(y % m_nTileHeight) * static_cast<std::size_t>(m_nTileWidth) +
                        static_cast<std::size_t>(x % m_nTileWidth);
    if (m_decoded)
        return m_decoded->Tile(tile) + inTile * pixelBytes;
    return m_pSamples + m_tileOffsets[tile] + inTile * pixelBytes;
}

const unsigned char* PixelStore::RowRun(int y, int x, int& count) const {
    count = !IsTiled() ? m_nWidth - x : std::min(m_nTileWidth - x % m_nTileWidth, m_nWidth - x);
    return SampleAt(x, y);
}

void PixelStore::CopyRow(int y, int x, int count, unsigned char* out) const {
    const auto pixelBytes =
        static_cast<std::size_t>(m_nChannels) * static_cast<std::size_t>(SampleBytes(m_type));
    for (int end = x + count; x < end;) {
        int run = 0;
        const unsigned char* samples = RowRun(y, x, run);
        run = std::min(run, end - x);
        std::memcpy(out, samples, static_cast<std::size_t>(run) * pixelBytes);
        out += static_cast<std::size_t>(run) * pixelBytes;
        x += run;
    }
}

PixelStore PixelStore::FromPicture(const DIBSection& picture) {
    PixelStore store;
    if (!picture.IsValid() || picture.GetBitsPerPixel() != 24)
        return store;
    const int width = picture.GetWidth();
    const int height = picture.GetHeight();
    bool grey = true;
    for (int row = 0; row < height && grey; ++row) {
        const unsigned char* pixel = picture.MemoryRow(row);
        for (int x = 0; x < width && grey; ++x, pixel += 3)
            grey = pixel[0] == pixel[1] && pixel[1] == pixel[2];
    }
    if (!store.Allocate(width, height, SampleType::UInt8, grey ? 1 : 3))
        return store;
    for (int y = 0; y < height; ++y) {
        // Memory rows of the picture run from the bottom, with blue first.
        const unsigned char* source = picture.MemoryRow(height - 1 - y);
        unsigned char* target = store.MutableRow(y);
        for (int x = 0; x < width; ++x, source += 3) {
            if (grey) {
                target[x] = source[0];
            } else {
                target[3 * std::ptrdiff_t{x}] = source[2];
                target[3 * x + 1] = source[1];
                target[3 * x + 2] = source[0];
            }
        }
    }
    return store;
}

namespace {

double SampleValue(SampleType type, const unsigned char* sample) {
    switch (type) {
    case SampleType::UInt8:
        return *sample;
    case SampleType::Int16:
        return Load<std::int16_t>(sample);
    case SampleType::UInt16:
        return Load<std::uint16_t>(sample);
    case SampleType::Float32:
        break;
    }
    return Load<float>(sample);
}

} // namespace

double PixelStore::Value(int x, int y, int channel) const {
    return SampleValue(m_type, SampleAt(x, y) + static_cast<std::size_t>(channel) *
                                                    static_cast<std::size_t>(SampleBytes(m_type)));
}

float PixelStore::BoxValue(int x, int y) const {
    if (m_nChannels == 3) {
        const unsigned char* pixel = SampleAt(x, y);
        return static_cast<float>(static_cast<int>((pixel[0] + pixel[1] + pixel[2]) / 3));
    }
    return static_cast<float>(Value(x, y));
}

void PixelStore::ReadBoxValues(int y, int left, int count, float* values) const {
    if (m_nChannels == 3) {
        for (int i = 0; i < count; ++i)
            values[i] = BoxValue(left + i, y);
        return;
    }
    // Run by run, so that a tile is looked up once per run rather than once per sample.
    const auto bytes = static_cast<std::size_t>(SampleBytes(m_type));
    for (int x = left, end = left + count; x < end;) {
        int run = 0;
        const unsigned char* samples = RowRun(y, x, run);
        run = std::min(run, end - x);
        for (int i = 0; i < run; ++i)
            values[x - left + i] =
                static_cast<float>(SampleValue(m_type, samples + static_cast<std::size_t>(i) * bytes));
        x += run;
    }
}

void PixelStore::ReleasePages() const {
    if (m_mapping && IsTiled())
        m_mapping->Release(0, m_mapping->Size());
    else if (m_mapping)
        m_mapping->Release(m_nMappedOffset, RowBytes() * static_cast<std::size_t>(m_nHeight));
}

void PictureOf(const PixelStore& store, WideToGrey wide, DIBSection& picture) {
    picture.Create(store.Width(), store.Height(), 24);
    if (!picture.IsValid() || !store.IsValid())
        return;
    const bool span = store.Type() == SampleType::Float32 ||
                      (store.Type() != SampleType::UInt8 && wide == WideToGrey::SpanMinMax);
    const GreyScale scale = span ? GreyScale(store) : GreyScale(PixelStore());
    std::vector<unsigned char> copied(store.IsTiled() ? store.RowBytes() : 0);
    for (int y = 0; y < store.Height(); ++y) {
        unsigned char* target = picture.MemoryRow(store.Height() - 1 - y);
        const unsigned char* row = store.Row(y);
        if (store.IsTiled()) {
            store.CopyRow(y, 0, store.Width(), copied.data());
            row = copied.data();
        }
        for (int x = 0; x < store.Width(); ++x, target += 3) {
            if (store.Channels() == 3) {
                target[0] = row[3 * x + 2];
                target[1] = row[3 * x + 1];
                target[2] = row[3 * std::ptrdiff_t{x}];
                continue;
            }
            unsigned char grey;
            if (store.Type() == SampleType::UInt8)
                grey = row[x];
            else if (span)
                grey = scale.Grey(store.Value(x, y));
            else // the upper byte of the sample's 16 bits, signed or not
                grey = static_cast<unsigned char>(
                    Load<std::uint16_t>(row + 2 * static_cast<std::size_t>(x)) >> 8);
            target[0] = target[1] = target[2] = grey;
        }
    }
}

} // namespace gc
