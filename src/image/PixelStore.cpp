// The typed pixel store and the 24-bit picture made from it for the writers.
#include "image/PixelStore.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>

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

const unsigned char* PixelStore::SampleAt(int x, int y) const {
    const auto pixelBytes = static_cast<std::size_t>(m_nChannels * SampleBytes(m_type));
    if (m_tileOffsets.empty())
        return Row(y) + static_cast<std::size_t>(x) * pixelBytes;
    const auto tile = static_cast<std::size_t>(y / m_nTileHeight) * static_cast<std::size_t>(m_nTilesAcross) +
                      static_cast<std::size_t>(x / m_nTileWidth);
    const auto inTile = static_cast<std::size_t>(y % m_nTileHeight) * static_cast<std::size_t>(m_nTileWidth) +
                        static_cast<std::size_t>(x % m_nTileWidth);
    return m_pSamples + m_tileOffsets[tile] + inTile * pixelBytes;
}

const unsigned char* PixelStore::RowRun(int y, int x, int& count) const {
    count = m_tileOffsets.empty() ? m_nWidth - x : std::min(m_nTileWidth - x % m_nTileWidth, m_nWidth - x);
    return SampleAt(x, y);
}

void PixelStore::CopyRow(int y, int x, int count, unsigned char* out) const {
    const auto pixelBytes = static_cast<std::size_t>(m_nChannels * SampleBytes(m_type));
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

double PixelStore::Value(int x, int y, int channel) const {
    const unsigned char* sample =
        SampleAt(x, y) + static_cast<std::size_t>(channel) * static_cast<std::size_t>(SampleBytes(m_type));
    switch (m_type) {
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

float PixelStore::BoxValue(int x, int y) const {
    if (m_nChannels == 3) {
        const unsigned char* pixel = SampleAt(x, y);
        return static_cast<float>(static_cast<int>((pixel[0] + pixel[1] + pixel[2]) / 3));
    }
    return static_cast<float>(Value(x, y));
}

void PixelStore::ReadBoxValues(int y, int left, int count, float* values) const {
    for (int i = 0; i < count; ++i)
        values[i] = BoxValue(left + i, y);
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
