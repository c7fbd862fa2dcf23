// PixelStore: the viewer's image as the file holds it. Width × height samples of one type (unsigned
// 8-bit, signed or unsigned 16-bit, 32-bit float), one channel, or three 8-bit channels (red, green,
// blue) for a colour picture; rows top-down, in the machine's byte order. The samples live either in
// a buffer of the store's own or in a mapped file (FileMapping), read only when touched: one run of
// rows, or tiles of equal size anywhere in the file (an uncompressed tiled TIFF), each tile's rows
// one after the other.
//
// Everything that needs a pixel's value (the picture's display, the read-out, picked boxes) reads it
// here; the 24-bit DIBSection is made only for the writers (PictureOf).
#pragma once

#include "image/DIBSection.h"
#include "image/FileMapping.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace gc {

inline constexpr std::size_t DECODED_TILE_BYTES = std::size_t{64} << 20;

enum class SampleType { UInt8, Int16, UInt16, Float32 };

// Bytes of one sample of `type` (one channel).
int SampleBytes(SampleType type);

// Where the tiles of a compressed tiled picture come from when they are first touched: Decode puts
// tile `index` (row by row of tiles) into `out`, tileWidth × tileHeight samples; false when it
// cannot (the tile then reads as zeros). Called from any thread, also at the same time.
class TileSource {
public:
    virtual ~TileSource() = default;
    virtual bool Decode(std::size_t index, unsigned char* out) = 0;
    // False once a tile could not be decoded again or the file changed since the picture was read:
    // values read since may not be the file's.
    virtual bool Intact() const = 0;
};

class DecodedTiles;

class PixelStore {
public:
    PixelStore() = default;
    PixelStore(const PixelStore&) = delete;
    PixelStore& operator=(const PixelStore&) = delete;
    PixelStore(PixelStore&&) = default;
    PixelStore& operator=(PixelStore&&) = default;

    // A zero-filled buffer of its own; false (and an empty store) when memory runs out or a size is
    // not positive. `channels` is 1, or 3 for UInt8 colour.
    bool Allocate(int width, int height, SampleType type, int channels = 1);
    // The samples at `offset` of a mapped file, which must hold them all (the caller checked).
    void Map(std::shared_ptr<const FileMapping> mapping, std::size_t offset, int width, int height,
             SampleType type);
    // The samples of a mapped file kept in tiles of tileWidth × tileHeight samples (edge tiles padded
    // to the full size), tile (i, j) at tileOffsets[j * across + i] where across is the number of
    // tiles in a row; every tile must lie in the mapping (the caller checked).
    void MapTiles(std::shared_ptr<const FileMapping> mapping, std::vector<std::size_t> tileOffsets,
                  int tileWidth, int tileHeight, int width, int height, SampleType type);
    // Tiles of tileWidth × tileHeight samples (edge tiles padded) decoded by `source` when they are
    // first touched, the most recently used within `keptBytes` kept (at least 8 tiles).
    void DecodeTiles(std::shared_ptr<TileSource> source, int tileWidth, int tileHeight, int width, int height,
                     SampleType type, std::size_t keptBytes = DECODED_TILE_BYTES);
    // A copy of a 24-bit picture: one channel when every pixel is grey, three otherwise.
    static PixelStore FromPicture(const DIBSection& picture);

    bool IsValid() const { return m_pSamples != nullptr || m_decoded != nullptr; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int Channels() const { return m_nChannels; }
    SampleType Type() const { return m_type; }
    bool IsMapped() const { return m_mapping != nullptr; }
    // Tiles mapped or decoded on demand: no row lies in one piece (RowRun, CopyRow).
    bool IsTiled() const { return !m_tileOffsets.empty() || m_decoded != nullptr; }
    // False once the mapped file was found shorter than when it was mapped: the missing samples read
    // as zeros (FileMapping::Lost), or once tiles decoded on demand were not the file's as it was read
    // (TileSource::Intact), so values read since may not be the file's.
    bool IsIntact() const;
    // Changes with every Allocate or Map, so a cache can tell one image from the next.
    std::uint64_t Serial() const { return m_nSerial; }

    std::size_t RowBytes() const {
        return static_cast<std::size_t>(m_nWidth) *
               static_cast<std::size_t>(m_nChannels * SampleBytes(m_type));
    }
    // Row y of a store that is not tiled.
    const unsigned char* Row(int y) const { return m_pSamples + static_cast<std::size_t>(y) * RowBytes(); }
    // The samples of row y from column x on that lie one after the other: up to the row's end, or in
    // a tiled store up to the tile's right edge. Their number goes to `count`.
    const unsigned char* RowRun(int y, int x, int& count) const;
    // Samples (all channels) of row y, columns x .. x + count − 1, copied to `out`.
    void CopyRow(int y, int x, int count, unsigned char* out) const;
    // Only for a store with its own buffer.
    unsigned char* MutableRow(int y) { return m_buffer.get() + static_cast<std::size_t>(y) * RowBytes(); }

    // Channel `channel` of pixel (x, y), inside the image.
    double Value(int x, int y, int channel = 0) const;
    // The value a picked box holds: the sample, or for colour the mean of red, green and blue
    // truncated to an integer.
    float BoxValue(int x, int y) const;
    // BoxValue of columns left .. left + count - 1 of row y, all inside the image.
    void ReadBoxValues(int y, int left, int count, float* values) const;

    // The exact block means of level `level` of the picture's pyramid (each value the mean of the
    // 2^level × 2^level samples it covers, fewer at the right and bottom edges), when the reader made
    // them while it decoded, as a one-channel Float32 store; nullptr otherwise.
    const PixelStore* Averages() const { return m_averages.get(); }
    int AveragesLevel() const { return m_nAveragesLevel; }
    void SetAverages(PixelStore averages, int level);

    // Gives the pages of a mapped file back to the system (FileMapping::Release); nothing for a buffer.
    void ReleasePages() const;

private:
    const unsigned char* SampleAt(int x, int y) const;

    struct FreeBuffer {
        void operator()(unsigned char* bytes) const { std::free(bytes); }
    };

    std::unique_ptr<unsigned char, FreeBuffer> m_buffer;
    std::shared_ptr<const FileMapping> m_mapping;
    std::size_t m_nMappedOffset = 0;
    const unsigned char* m_pSamples = nullptr;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nChannels = 1;
    SampleType m_type = SampleType::UInt8;
    std::uint64_t m_nSerial = 0;
    std::unique_ptr<PixelStore> m_averages;
    int m_nAveragesLevel = 0;
    std::shared_ptr<DecodedTiles> m_decoded;
    std::vector<std::size_t> m_tileOffsets; // empty unless tiled
    int m_nTileWidth = 0;
    int m_nTileHeight = 0;
    int m_nTilesAcross = 0;
};

// The 24-bit picture the viewer's writers save. One-channel 8-bit samples are grey levels as they are,
// colour is copied; 16-bit samples become grey levels by `wide`, float samples always by SpanMinMax.
enum class WideToGrey {
    HighByte,   // the upper 8 bits of a 16-bit sample (the TIFF library's reduction)
    SpanMinMax, // a linear scale from the image's minimum (0) to its maximum (255), rounded; a flat
                // image black; NaN and −infinity black, +infinity white
};
void PictureOf(const PixelStore& store, WideToGrey wide, DIBSection& picture);

} // namespace gc
