// TIFF directories into PixelStores: the plain greyscale layouts decoded tile by tile (or strip by
// strip) on two threads, uncompressed contiguous strips mapped, the rest through the RGBA reader.
#include "image/TiffStoreReader.h"

#include "core/TiffErrors.h"
#include "core/TiffHandle.h"
#include "image/ImageLimits.h"
#include "image/TiffCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>
#include <tiffio.h>
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
    const std::uint32_t strips = TIFFNumberOfStrips(handle);
    for (std::uint32_t i = 0; i + 1 < strips; ++i)
        if (offsets[i + 1] != offsets[i] + counts[i])
            return false;
    offset = offsets[0];
    return true;
}

// Decodes the blocks (tiles, or strips of rowsPerStrip rows) numbered first, first + step, ... into
// the store through a handle of its own; errors are kept in `errors`.
void DecodeBlocks(const std::string& path, int directory, const TiffLayout& layout, PixelStore& store,
                  std::uint32_t first, std::uint32_t step, std::vector<TiffErrorRecord>& errors) {
    TiffErrorCapture capture(errors);
    TiffHandle handle(TIFFOpen(path.c_str(), "r"));
    if (!handle || !SelectDirectory(handle.get(), directory))
        return;
    const auto pixelBytes = static_cast<std::size_t>(SampleBytes(store.Type()));
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
        const tmsize_t read = layout.tiled ? TIFFReadEncodedTile(handle.get(), index, block.data(),
                                                                 static_cast<tmsize_t>(block.size()))
                                           : TIFFReadEncodedStrip(handle.get(), index, block.data(),
                                                                  static_cast<tmsize_t>(block.size()));
        if (read < 0)
            continue;
        const std::uint32_t columns = std::min(blockWidth, layout.width - left);
        const std::uint32_t rows = std::min(blockHeight, layout.height - top);
        for (std::uint32_t r = 0; r < rows; ++r)
            std::memcpy(store.MutableRow(static_cast<int>(top + r)) + left * pixelBytes,
                        block.data() + static_cast<std::size_t>(r) * blockWidth * pixelBytes,
                        columns * pixelBytes);
    }
}

TiffStoreOutcome ReadPlain(const std::string& path, int directory, const TiffLayout& layout, SampleType type,
                           PixelStore& store, Messages& messages) {
    if (!store.Allocate(static_cast<int>(layout.width), static_cast<int>(layout.height), type))
        return TiffStoreOutcome::NoMemory;
    std::vector<std::vector<TiffErrorRecord>> errors(DECODING_THREADS);
    std::vector<std::thread> threads;
    for (int t = 1; t < DECODING_THREADS; ++t) {
        try {
            threads.emplace_back(DecodeBlocks, std::cref(path), directory, std::cref(layout), std::ref(store),
                                 static_cast<std::uint32_t>(t), static_cast<std::uint32_t>(DECODING_THREADS),
                                 std::ref(errors[static_cast<std::size_t>(t)]));
        } catch (const std::system_error&) {
            // Without a second thread the first one decodes what it would have.
            DecodeBlocks(path, directory, layout, store, static_cast<std::uint32_t>(t),
                         static_cast<std::uint32_t>(DECODING_THREADS), errors[static_cast<std::size_t>(t)]);
        }
    }
    DecodeBlocks(path, directory, layout, store, 0, DECODING_THREADS, errors[0]);
    for (std::thread& thread : threads)
        thread.join();
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
    {
        TiffErrorScope errors(messages);
        TiffHandle handle(TIFFOpen(path.c_str(), "r"));
        if (!handle || !SelectDirectory(handle.get(), directory))
            return TiffStoreOutcome::NotRead;
        layout = ReadLayout(handle.get());
        mappable = MappableOffset(handle.get(), layout, offset);
    }
    if (layout.width == 0 || layout.height == 0 || layout.width > INT32_MAX || layout.height > INT32_MAX)
        return TiffStoreOutcome::NotRead;
    SampleType type = SampleType::UInt8;
    if (PlainSampleType(layout, type)) {
        const std::uint64_t bytes = std::uint64_t{layout.width} * layout.height;
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
