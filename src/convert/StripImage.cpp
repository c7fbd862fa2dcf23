#include "StripImage.h"

#include "ConvertMessages.h"
#include "core/TiffErrors.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <unistd.h>

namespace gc {

std::uint32_t StripTags::StripCount() const {
    if (m_nRowsPerStrip == 0)
        return 0;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(m_nLength) + m_nRowsPerStrip - 1) /
                                      m_nRowsPerStrip);
}

std::uint32_t StripTags::RowsInStrip(std::uint32_t strip) const {
    const std::uint64_t first = static_cast<std::uint64_t>(strip) * m_nRowsPerStrip;
    if (first >= m_nLength)
        return 0;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(m_nRowsPerStrip, m_nLength - first));
}

bool IsTiledTiff(const std::string& path) {
    std::vector<TiffErrorRecord> swallowed;
    const TiffErrorCapture capture(swallowed);
    const TiffHandle tiff(TIFFOpen(path.c_str(), "r"));
    return tiff && TIFFIsTiled(tiff.get()) != 0;
}

bool IsReadableNonTiff(const std::string& path) {
    if (::access(path.c_str(), R_OK) != 0)
        return false;
    std::vector<TiffErrorRecord> swallowed;
    const TiffErrorCapture capture(swallowed);
    const TiffHandle tiff(TIFFOpen(path.c_str(), "r"));
    return !tiff;
}

StripTags ReadStripTags(TIFF* tiff) {
    StripTags tags;
    std::uint32_t value32 = 0;
    std::uint16_t value16 = 0;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &value32) == 1)
        tags.m_nWidth = value32;
    if (TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &value32) == 1)
        tags.m_nLength = value32;
    if (TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &value32) == 1) {
        tags.m_nRowsPerStrip = value32;
        tags.m_bHasRowsPerStrip = true;
    }
    if (TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &value16) == 1)
        tags.m_nBitsPerSample = value16;
    if (TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &value16) == 1)
        tags.m_nSamplesPerPixel = value16;
    if (TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &value16) == 1)
        tags.m_nPlanarConfig = value16;
    return tags;
}

const char* StripTagsProblem(const StripTags& tags, std::uint32_t maxRowsPerStrip,
                             const char* rowsPerStripMessage) {
    if (!tags.m_bHasRowsPerStrip || tags.m_nRowsPerStrip > maxRowsPerStrip)
        return rowsPerStripMessage;
    if (tags.m_nSamplesPerPixel != 1)
        return MSG_NOT_GREYSCALE;
    if (tags.m_nBitsPerSample != 8 && tags.m_nBitsPerSample != 16)
        return MSG_NOT_8_OR_16_BIT;
    if (tags.m_nPlanarConfig != PLANARCONFIG_CONTIG)
        return MSG_NOT_SINGLE_PLANE;
    return nullptr;
}

bool StripBuffer::Allocate(TIFF* tiff, const StripTags& tags) {
    m_b16Bit = tags.m_nBitsPerSample == 16;
    const tmsize_t stripSize = TIFFStripSize(tiff);
    if (stripSize <= 0)
        return false;
    // Never smaller than the samples of the longest strip, whatever the library reports.
    const std::uint64_t bytesPerSample = m_b16Bit ? 2 : 1;
    const std::uint64_t needed =
        static_cast<std::uint64_t>(tags.m_nWidth) * tags.RowsInStrip(0) * bytesPerSample;
    const std::uint64_t bytes = std::max<std::uint64_t>(static_cast<std::uint64_t>(stripSize), needed);
    try {
        m_samples8.clear();
        m_samples16.clear();
        if (m_b16Bit)
            m_samples16.assign(static_cast<std::size_t>((bytes + 1) / 2), 0);
        else
            m_samples8.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

bool StripBuffer::Read(TIFF* tiff, std::uint32_t strip) {
    void* data = m_b16Bit ? static_cast<void*>(m_samples16.data()) : static_cast<void*>(m_samples8.data());
    return TIFFReadEncodedStrip(tiff, strip, data, static_cast<tmsize_t>(-1)) >= 0;
}

} // namespace gc
