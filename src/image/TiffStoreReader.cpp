// TIFF directories into PixelStores: the plain greyscale layouts decoded tile by tile (or strip by
// strip) on two threads, uncompressed contiguous strips mapped, the rest through the RGBA reader.
#include "image/TiffStoreReader.h"

#include "core/TiffErrors.h"
#include "core/TiffHandle.h"
#include "image/ImageLimits.h"
#include "image/TiffCodec.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <tiffio.h>
#include <type_traits>
#include <utility>
#include <vector>

namespace gc {
namespace {

constexpr int DECODING_THREADS = 2;

// The tags that decide how a directory is read.
struct TiffLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerSample = 1;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    std::uint16_t compression = COMPRESSION_NONE;
    bool tiled = false;
    std::uint32_t tileWidth = 0;
    std::uint32_t tileHeight = 0;
    std::uint32_t rowsPerStrip = 0;
};

bool SelectDirectory(TIFF* handle, int directory) {
    const auto number = static_cast<std::uint16_t>(directory);
    TIFFSetDirectory(handle, number);
    return TIFFCurrentDirectory(handle) == number;
}

TiffLayout ReadLayout(TIFF* handle) {
    TiffLayout layout;
    TIFFGetField(handle, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(handle, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(handle, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(handle, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(handle, TIFFTAG_SAMPLEFORMAT, &layout.sampleFormat);
    TIFFGetField(handle, TIFFTAG_PHOTOMETRIC, &layout.photometric);
    TIFFGetFieldDefaulted(handle, TIFFTAG_COMPRESSION, &layout.compression);
    layout.tiled = TIFFIsTiled(handle) != 0;
    if (layout.tiled) {
        TIFFGetField(handle, TIFFTAG_TILEWIDTH, &layout.tileWidth);
        TIFFGetField(handle, TIFFTAG_TILELENGTH, &layout.tileHeight);
    } else {
        TIFFGetFieldDefaulted(handle, TIFFTAG_ROWSPERSTRIP, &layout.rowsPerStrip);
        layout.rowsPerStrip =
            std::clamp<std::uint32_t>(layout.rowsPerStrip, 1, std::max<std::uint32_t>(1, layout.height));
    }
    return layout;
}

// The store's sample type for a plain layout; false for every other layout.
bool PlainSampleType(const TiffLayout& layout, SampleType& type) {
    if (layout.samplesPerPixel != 1 || layout.photometric != PHOTOMETRIC_MINISBLACK)
        return false;
    if (layout.tiled && (layout.tileWidth == 0 || layout.tileHeight == 0))
        return false;
    const std::uint16_t format = layout.sampleFormat;
    if (layout.bitsPerSample == 8 && format == SAMPLEFORMAT_UINT)
        type = SampleType::UInt8;
    else if (layout.bitsPerSample == 16 && format == SAMPLEFORMAT_UINT)
        type = SampleType::UInt16;
    else if (layout.bitsPerSample == 16 && format == SAMPLEFORMAT_INT)
        type = SampleType::Int16;
    else if (layout.bitsPerSample == 32 && format == SAMPLEFORMAT_IEEEFP)
        type = SampleType::Float32;
    else
        return false;
    return true;
}

// Uncompressed 8-bit strips that follow each other in order: the picture is one run of bytes.
bool MappableOffset(TIFF* handle, const TiffLayout& layout, std::uint64_t& offset) {
    if (layout.tiled || layout.compression != COMPRESSION_NONE || layout.bitsPerSample != 8)
        return false;
    std::uint64_t* offsets = nullptr;
    std::uint64_t* counts = nullptr;
    if (!TIFFGetField(handle, TIFFTAG_STRIPOFFSETS, &offsets) ||
        !TIFFGetField(handle, TIFFTAG_STRIPBYTECOUNTS, &counts) || offsets == nullptr || counts == nullptr)
        return false;
    // Offset 0 is the file's header, never samples: a directory without strips may give zeros.
    const std::uint32_t strips = TIFFNumberOfStrips(handle);
    for (std::uint32_t i = 0; i + 1 < strips; ++i)
        if (offsets[i + 1] != offsets[i] + counts[i])
            return false;
    offset = offsets[0];
    return strips > 0 && offset != 0;
}

// The file offsets of an uncompressed tiled picture's tiles, when each holds a whole tile of samples in
// the machine's byte order: the store then reads them where they lie.
bool MappableTiles(TIFF* handle, const TiffLayout& layout, SampleType type, std::vector<std::size_t>& offsets,
                   std::uint64_t& tileBytes) {
    if (!layout.tiled || layout.compression != COMPRESSION_NONE ||
        (type != SampleType::UInt8 && TIFFIsByteSwapped(handle) != 0))
        return false;
    std::uint64_t* starts = nullptr;
    std::uint64_t* counts = nullptr;
    if (!TIFFGetField(handle, TIFFTAG_TILEOFFSETS, &starts) ||
        !TIFFGetField(handle, TIFFTAG_TILEBYTECOUNTS, &counts) || starts == nullptr || counts == nullptr)
        return false;
    const std::uint64_t across = (std::uint64_t{layout.width} + layout.tileWidth - 1) / layout.tileWidth;
    const std::uint64_t down = (std::uint64_t{layout.height} + layout.tileHeight - 1) / layout.tileHeight;
    if (TIFFNumberOfTiles(handle) < across * down)
        return false;
    tileBytes =
        std::uint64_t{layout.tileWidth} * layout.tileHeight * static_cast<std::uint64_t>(SampleBytes(type));
    offsets.resize(static_cast<std::size_t>(across * down));
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        if (counts[i] < tileBytes || starts[i] == 0)
            return false;
        offsets[i] = static_cast<std::size_t>(starts[i]);
    }
    return true;
}

// Maps the tiles when every one lies inside the file.
bool MapTiles(const std::string& path, const TiffLayout& layout, SampleType type,
              std::vector<std::size_t> offsets, std::uint64_t tileBytes, PixelStore& store) {
    auto mapping = FileMapping::Open(path);
    if (!mapping || mapping->Size() < tileBytes)
        return false;
    for (const std::size_t offset : offsets)
        if (offset > mapping->Size() - tileBytes)
            return false;
    store.MapTiles(std::move(mapping), std::move(offsets), static_cast<int>(layout.tileWidth),
                   static_cast<int>(layout.tileHeight), static_cast<int>(layout.width),
                   static_cast<int>(layout.height), type);
    return true;
}

// The means of the tile's blocks of 2^DECODED_AVERAGES_LEVEL samples square (fewer at the picture's
// edges) into the averages: for each block, the sum of each row's samples (exact for integer samples),
// added row by row and divided by the count.
template <typename Sample>
void AverageTile(const unsigned char* tile, std::uint32_t tileWidth, std::uint32_t columns,
                 std::uint32_t rows, std::uint32_t left, std::uint32_t top, PixelStore& averages) {
    using Sum = std::conditional_t<std::is_floating_point_v<Sample>, double, std::int64_t>;
    constexpr std::uint32_t SIDE = 1U << DECODED_AVERAGES_LEVEL;
    for (std::uint32_t by = 0; by < rows; by += SIDE) {
        auto* out =
            reinterpret_cast<float*>(averages.MutableRow(static_cast<int>((top + by) / SIDE))) + left / SIDE;
        for (std::uint32_t bx = 0; bx < columns; bx += SIDE, ++out) {
            const std::uint32_t height = std::min(SIDE, rows - by);
            const std::uint32_t width = std::min(SIDE, columns - bx);
            double total = 0;
            for (std::uint32_t r = by; r < by + height; ++r) {
                Sum sum = 0;
                for (std::uint32_t c = bx; c < bx + width; ++c) {
                    Sample value;
                    std::memcpy(&value, tile + (std::size_t{r} * tileWidth + c) * sizeof value, sizeof value);
                    sum += static_cast<Sum>(value);
                }
                total += static_cast<double>(sum);
            }
            *out = static_cast<float>(total / (static_cast<double>(width) * height));
        }
    }
}

void AverageTile(SampleType type, const unsigned char* tile, std::uint32_t tileWidth, std::uint32_t columns,
                 std::uint32_t rows, std::uint32_t left, std::uint32_t top, PixelStore& averages) {
    switch (type) {
    case SampleType::UInt8:
        return AverageTile<std::uint8_t>(tile, tileWidth, columns, rows, left, top, averages);
    case SampleType::Int16:
        return AverageTile<std::int16_t>(tile, tileWidth, columns, rows, left, top, averages);
    case SampleType::UInt16:
        return AverageTile<std::uint16_t>(tile, tileWidth, columns, rows, left, top, averages);
    case SampleType::Float32:
        return AverageTile<float>(tile, tileWidth, columns, rows, left, top, averages);
    }
}

// A tile or strip at offset 0 (the file's header) is missing: a directory without offsets may give
// zeros, which a read through the file's mapping refuses and a plain read would take for samples.
bool BlockPresent(TIFF* handle, std::uint32_t index) {
    return TIFFGetStrileOffset(handle, index) != 0;
}

// A file's size and modification time (nanoseconds), or (-1, -1) when it cannot be looked at.
std::pair<std::int64_t, std::int64_t> FileStamp(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {-1, -1};
    return {static_cast<std::int64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}

// The tiles of one directory of a compressed tiled file, decoded again when the viewer touches them.
// Every tile was decoded once when the picture was read, its problems shown then; those of a later
// decode are not shown again. Each decode takes a handle of its own (opened as needed, kept for the
// next one), so threads decode at the same time.
class TiffTileSource final : public TileSource {
public:
    TiffTileSource(std::string path, int directory, std::size_t tileBytes)
        : m_strPath(std::move(path)), m_nDirectory(directory), m_nTileBytes(tileBytes),
          m_nStamp(FileStamp(m_strPath)) {}

    bool Intact() const override { return !m_bFailed.load() && FileStamp(m_strPath) == m_nStamp; }

    bool Decode(std::size_t index, unsigned char* out) override {
        std::vector<TiffErrorRecord> dropped;
        TiffErrorCapture capture(dropped);
        TiffHandle handle = Take();
        const bool decoded = handle && BlockPresent(handle.get(), static_cast<std::uint32_t>(index)) &&
                             TIFFReadEncodedTile(handle.get(), static_cast<std::uint32_t>(index), out,
                                                 static_cast<tmsize_t>(m_nTileBytes)) >= 0;
        if (handle) {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_handles.push_back(std::move(handle));
        }
        if (!decoded)
            m_bFailed = true;
        return decoded;
    }

private:
    TiffHandle Take() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_handles.empty()) {
                TiffHandle handle = std::move(m_handles.back());
                m_handles.pop_back();
                return handle;
            }
        }
        TiffHandle handle(TIFFOpen(m_strPath.c_str(), "rm"));
        if (handle && !SelectDirectory(handle.get(), m_nDirectory))
            handle.reset();
        return handle;
    }

    std::string m_strPath;
    int m_nDirectory;
    std::size_t m_nTileBytes;
    std::pair<std::int64_t, std::int64_t> m_nStamp; // size and modification time when read
    std::atomic<bool> m_bFailed{false};
    std::mutex m_mutex;
    std::vector<TiffHandle> m_handles;
};

// Decodes the blocks (tiles, or strips of rowsPerStrip rows) numbered first, first + step, ... into
// the store (when it has a buffer) through a handle of its own, and each tile's block means into
// `averages` when it is valid; errors are kept in `errors`.
void DecodeBlocks(const std::string& path, int directory, const TiffLayout& layout, SampleType type,
                  PixelStore& store, PixelStore& averages, std::uint32_t first, std::uint32_t step,
                  std::vector<TiffErrorRecord>& errors) {
    TiffErrorCapture capture(errors);
    // Read, not mapped: a mapped file's pages would count as the process's memory beside the store.
    TiffHandle handle(TIFFOpen(path.c_str(), "rm"));
    if (!handle || !SelectDirectory(handle.get(), directory))
        return;
    const auto pixelBytes = static_cast<std::size_t>(SampleBytes(type));
    const std::uint32_t blockWidth = layout.tiled ? layout.tileWidth : layout.width;
    const std::uint32_t blockHeight = layout.tiled ? layout.tileHeight : layout.rowsPerStrip;
    const std::uint32_t across = (layout.width + blockWidth - 1) / blockWidth;
    const std::uint32_t count =
        layout.tiled ? TIFFNumberOfTiles(handle.get()) : TIFFNumberOfStrips(handle.get());
    std::vector<unsigned char> block(static_cast<std::size_t>(blockWidth) * blockHeight * pixelBytes);
    for (std::uint32_t index = first; index < count; index += step) {
        const std::uint32_t left = index % across * blockWidth;
        const std::uint32_t top = index / across * blockHeight;
        if (top >= layout.height)
            break;
        if (!BlockPresent(handle.get(), index))
            continue;
        const tmsize_t read = layout.tiled ? TIFFReadEncodedTile(handle.get(), index, block.data(),
                                                                 static_cast<tmsize_t>(block.size()))
                                           : TIFFReadEncodedStrip(handle.get(), index, block.data(),
                                                                  static_cast<tmsize_t>(block.size()));
        if (read < 0)
            continue;
        const std::uint32_t columns = std::min(blockWidth, layout.width - left);
        const std::uint32_t rows = std::min(blockHeight, layout.height - top);
        for (std::uint32_t r = 0; r < rows && store.IsValid(); ++r)
            std::memcpy(store.MutableRow(static_cast<int>(top + r)) + left * pixelBytes,
                        block.data() + static_cast<std::size_t>(r) * blockWidth * pixelBytes,
                        columns * pixelBytes);
        if (averages.IsValid())
            AverageTile(type, block.data(), blockWidth, columns, rows, left, top, averages);
    }
}

// A compressed tiled picture is decoded once, on two threads, for its block means only; its tiles are
// decoded again when they are looked at (TiffTileSource). Every other plain layout is decoded into a
// buffer of the store's.
TiffStoreOutcome ReadPlain(const std::string& path, int directory, const TiffLayout& layout, SampleType type,
                           PixelStore& store, Messages& messages) {
    // Tiles (whose sides are multiples of 16) hold whole blocks of the averages; strips may not.
    constexpr std::uint32_t SIDE = 1U << DECODED_AVERAGES_LEVEL;
    const bool onDemand = layout.tiled && layout.tileWidth % SIDE == 0 && layout.tileHeight % SIDE == 0;
    PixelStore averages;
    if (onDemand
            ? !averages.Allocate(static_cast<int>((layout.width + SIDE - 1) / SIDE),
                                 static_cast<int>((layout.height + SIDE - 1) / SIDE), SampleType::Float32)
            : !store.Allocate(static_cast<int>(layout.width), static_cast<int>(layout.height), type))
        return TiffStoreOutcome::NoMemory;
    std::vector<std::vector<TiffErrorRecord>> errors(DECODING_THREADS);
    std::vector<std::thread> threads;
    for (int t = 1; t < DECODING_THREADS; ++t) {
        try {
            threads.emplace_back(DecodeBlocks, std::cref(path), directory, std::cref(layout), type,
                                 std::ref(store), std::ref(averages), static_cast<std::uint32_t>(t),
                                 static_cast<std::uint32_t>(DECODING_THREADS),
                                 std::ref(errors[static_cast<std::size_t>(t)]));
        } catch (const std::system_error&) {
            // Without a second thread the first one decodes what it would have.
            DecodeBlocks(path, directory, layout, type, store, averages, static_cast<std::uint32_t>(t),
                         static_cast<std::uint32_t>(DECODING_THREADS), errors[static_cast<std::size_t>(t)]);
        }
    }
    DecodeBlocks(path, directory, layout, type, store, averages, 0, DECODING_THREADS, errors[0]);
    for (std::thread& thread : threads)
        thread.join();
    if (onDemand) {
        const std::size_t tileBytes =
            std::size_t{layout.tileWidth} * layout.tileHeight * static_cast<std::size_t>(SampleBytes(type));
        store.DecodeTiles(std::make_shared<TiffTileSource>(path, directory, tileBytes),
                          static_cast<int>(layout.tileWidth), static_cast<int>(layout.tileHeight),
                          static_cast<int>(layout.width), static_cast<int>(layout.height), type);
        store.SetAverages(std::move(averages), DECODED_AVERAGES_LEVEL);
    }
    for (const auto& kept : errors)
        ShowTiffErrors(kept, messages);
    return TiffStoreOutcome::Read;
}

} // namespace

bool IsPlainTiffLayout(const std::string& path, int directory) {
    TiffHandle handle(TIFFOpen(path.c_str(), "r"));
    SampleType type;
    return handle && SelectDirectory(handle.get(), directory) &&
           PlainSampleType(ReadLayout(handle.get()), type);
}

TiffStoreOutcome ReadTiffStore(const std::string& path, int directory, PixelStore& store,
                               Messages& messages) {
    store = PixelStore();
    TiffLayout layout;
    std::uint64_t offset = 0;
    bool mappable = false;
    SampleType type = SampleType::UInt8;
    bool plain = false;
    std::vector<std::size_t> tileOffsets;
    std::uint64_t tileBytes = 0;
    {
        TiffErrorScope errors(messages);
        TiffHandle handle(TIFFOpen(path.c_str(), "rm"));
        if (!handle || !SelectDirectory(handle.get(), directory))
            return TiffStoreOutcome::NotRead;
        layout = ReadLayout(handle.get());
        mappable = MappableOffset(handle.get(), layout, offset);
        plain = PlainSampleType(layout, type);
        if (plain && !MappableTiles(handle.get(), layout, type, tileOffsets, tileBytes))
            tileOffsets.clear();
    }
    if (layout.width == 0 || layout.height == 0 || layout.width > INT32_MAX || layout.height > INT32_MAX)
        return TiffStoreOutcome::NotRead;
    if (plain) {
        const std::uint64_t bytes = std::uint64_t{layout.width} * layout.height;
        if (!tileOffsets.empty() && MapTiles(path, layout, type, std::move(tileOffsets), tileBytes, store))
            return TiffStoreOutcome::Read;
        if (mappable) {
            if (auto mapping = FileMapping::Open(path); mapping && offset + bytes <= mapping->Size()) {
                store.Map(std::move(mapping), offset, static_cast<int>(layout.width),
                          static_cast<int>(layout.height), type);
                return TiffStoreOutcome::Read;
            }
        }
        TiffErrorScope errors(messages);
        return ReadPlain(path, directory, layout, type, store, messages);
    }
    if (!FitsViewImageLimit(layout.width, layout.height))
        return TiffStoreOutcome::TooLarge;
    DIBSection picture;
    ReadTiffImage(path, picture, directory, messages);
    if (!picture.IsValid())
        return TiffStoreOutcome::NotRead;
    store = PixelStore::FromPicture(picture);
    return store.IsValid() ? TiffStoreOutcome::Read : TiffStoreOutcome::NoMemory;
}

} // namespace gc
