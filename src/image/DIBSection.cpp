#include "DIBSection.h"

#include <cstring>

namespace gc {

void DIBSection::Create(int width, int height, int bitsPerPixel) {
    Destroy();
    m_nWidth = width;
    m_nHeight = height;
    m_nPaddedWidth = (width > 0 && width <= MAX_DIB_WIDTH) ? PaddedWidthOf(width) : 0;
    m_nBitsPerPixel = bitsPerPixel;
    m_bmih = BitmapInfoHeader{};
    m_bmih.biSize = BITMAP_INFO_HEADER_SIZE;
    m_bmih.biWidth = m_nPaddedWidth;
    m_bmih.biHeight = height;
    m_bmih.biPlanes = 1;
    m_bmih.biBitCount = static_cast<std::uint16_t>(bitsPerPixel);

    // The bitmap cannot exist with no pixels, a bit depth that is not a whole number of bytes, or
    // more memory than an int-addressed bitmap can hold.
    if (width <= 0 || height <= 0 || bitsPerPixel <= 0 || bitsPerPixel % 8 != 0 || width > MAX_DIB_WIDTH)
        return;
    const std::int64_t bytes = static_cast<std::int64_t>(height) * m_nPaddedWidth * (bitsPerPixel / 8);
    if (bytes > MAX_DIB_BYTES)
        return;
    m_pBits.reset(static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(bytes), 1)));
}

void DIBSection::Destroy() {
    m_pBits.reset();
    m_nWidth = m_nHeight = m_nPaddedWidth = m_nBitsPerPixel = 0;
    m_bmih = BitmapInfoHeader{};
}

void DIBSection::CopyFrom(const DIBSection& source) {
    Destroy();
    if (!source.IsValid())
        return;
    Create(source.m_nWidth, source.m_nHeight, source.m_nBitsPerPixel);
    if (!IsValid())
        return;
    std::memcpy(m_pBits.get(), source.m_pBits.get(), source.GetImageBytes());
}

void DIBSection::GetPixelColor(unsigned x, unsigned y, unsigned char rgba[4]) const {
    if (!IsValid() || x >= static_cast<unsigned>(m_nWidth) || y >= static_cast<unsigned>(m_nHeight))
        return;
    const int bytesPerPixel = m_nBitsPerPixel / 8;
    const unsigned char* pixel = MemoryRow(m_nHeight - static_cast<int>(y) - 1) + x * bytesPerPixel;
    rgba[0] = pixel[2];
    rgba[1] = pixel[1];
    rgba[2] = pixel[0];
    rgba[3] = 0;
}

void DIBSection::StretchTo(DIBSection& target, int newWidth, int newHeight) const {
    if (newWidth <= 0 || newHeight <= 0)
        return;
    target.Create(newWidth, newHeight, m_nBitsPerPixel);
    if (!target.IsValid() || !IsValid() || m_nWidth == 0 || m_nHeight == 0)
        return;

    const double ratioX = static_cast<double>(m_nWidth) / newWidth;
    const double ratioY = static_cast<double>(m_nHeight) / newHeight;
    const int bytesPerPixel = m_nBitsPerPixel / 8;
    for (int i = 0; i < newHeight; ++i) {
        int r = static_cast<int>(i * ratioY + 0.5);
        if (r >= m_nHeight)
            r = m_nHeight - 1;
        const unsigned char* sourceRow = MemoryRow(r);
        unsigned char* targetRow = target.MemoryRow(i);
        for (int j = 0; j < newWidth; ++j) {
            int t = static_cast<int>(j * ratioX + 0.5);
            if (t >= m_nWidth)
                t = m_nWidth - 1;
            std::memcpy(targetRow + j * bytesPerPixel, sourceRow + t * bytesPerPixel, bytesPerPixel);
        }
    }
}

} // namespace gc
