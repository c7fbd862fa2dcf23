// DIBSection: the viewer's in-memory image. An uncompressed bitmap with 24 bits per pixel in
// blue-green-red order, rows stored bottom-up (memory row 0 is the picture's bottom row), and a row
// pitch of the width rounded up to a multiple of 4 pixels. The pixel memory starts zero-filled.
// Drawing is left to the desktop program, which wraps the memory in an image of its own.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace gc {

// The 40-byte bitmap information header describing the pixel memory (width = padded width).
struct BitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

inline constexpr int BITMAP_INFO_HEADER_SIZE = 40;
// Largest pixel memory Create accepts; beyond it Create fails as an out-of-memory would.
inline constexpr std::int64_t MAX_DIB_BYTES = 0x7fffffff;
inline constexpr int MAX_DIB_WIDTH = 1 << 28;

// How the writers store a 24-bit picture: as colour (red, green, blue), or, for a picture whose three
// channels are equal, as one 8-bit grey sample per pixel (the blue channel's value).
enum class PictureChannels { Colour, Grey };

// Width rounded up to a multiple of 4 pixels, ((width·8 + 31) & ~31) / 8, without the overflow of
// width·8 for very wide images.
constexpr int PaddedWidthOf(int width) {
    return (width + 3) & ~3;
}

class DIBSection {
public:
    DIBSection() = default;
    DIBSection(const DIBSection& source) { CopyFrom(source); }
    DIBSection& operator=(const DIBSection& source) {
        if (this != &source)
            CopyFrom(source);
        return *this;
    }
    virtual ~DIBSection() { Destroy(); }

    // Discards the old content and makes a zero-filled bitmap; IsValid tells whether it worked.
    void Create(int width, int height, int bitsPerPixel);
    void Destroy();
    // An exact copy of the source, padding bytes included; empty when the source is.
    void CopyFrom(const DIBSection& source);

    bool IsValid() const { return m_pBits != nullptr; }
    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    int GetPaddedWidth() const { return m_nPaddedWidth; }
    int GetBitsPerPixel() const { return m_nBitsPerPixel; }
    unsigned char* GetBits() { return m_pBits.get(); }
    const unsigned char* GetBits() const { return m_pBits.get(); }
    const BitmapInfoHeader& GetInfoHeader() const { return m_bmih; }

    // Bytes per memory row (padded width × bytes per pixel).
    int GetPitch() const { return m_nPaddedWidth * m_nBitsPerPixel / 8; }
    // Start of memory row `row` (0 = bottom row of the picture).
    unsigned char* MemoryRow(int row) { return m_pBits.get() + static_cast<std::size_t>(row) * GetPitch(); }
    const unsigned char* MemoryRow(int row) const {
        return m_pBits.get() + static_cast<std::size_t>(row) * GetPitch();
    }
    // Size of the pixel memory in bytes.
    std::size_t GetImageBytes() const { return static_cast<std::size_t>(m_nHeight) * GetPitch(); }

    // Pixel (x, y), y from the top: rgba[0..3] = red, green, blue, 0. Outside the image: untouched.
    void GetPixelColor(unsigned x, unsigned y, unsigned char rgba[4]) const;
    // Nearest-neighbour resampling into target, which is re-created at the new size.
    void StretchTo(DIBSection& target, int newWidth, int newHeight) const;

private:
    struct FreeBits {
        void operator()(unsigned char* bits) const { std::free(bits); }
    };

    std::unique_ptr<unsigned char, FreeBits> m_pBits;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nPaddedWidth = 0;
    BitmapInfoHeader m_bmih;
    int m_nBitsPerPixel = 0;
};

} // namespace gc
