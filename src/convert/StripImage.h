// Reading strip-organised greyscale TIFF images: the owning handles for C files and TIFF files, the
// six tags the conversion, the cut and the statistics look at, their format checks, and one strip
// of 8-bit or 16-bit samples at a time.
#pragma once

#include "core/FileHandles.h"
#include "core/TiffHandle.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <tiffio.h>
#include <vector>

namespace gc {

// The tags of one image directory as the TIFF library reports them, its defaults included. A tag it
// reports no value for holds 0 (and fails its check).
struct StripTags {
    std::uint32_t m_nWidth = 0;
    std::uint32_t m_nLength = 0;
    std::uint32_t m_nRowsPerStrip = 0;
    std::uint16_t m_nBitsPerSample = 0;
    std::uint16_t m_nSamplesPerPixel = 0;
    std::uint16_t m_nPlanarConfig = 0;
    bool m_bHasRowsPerStrip = false;

    std::uint32_t StripCount() const;
    // Rows of image data in strip `strip` (the last strip may be short).
    std::uint32_t RowsInStrip(std::uint32_t strip) const;
};

StripTags ReadStripTags(TIFF* tiff);

// True when `path` opens as a TIFF whose first image is stored in tiles, which convert, cut and
// statistics do not read. A file that does not open is not tiled here (its reader reports it), and
// the probe shows none of the library's messages.
bool IsTiledTiff(const std::string& path);
// True when `path` can be read but does not open as a TIFF (an MRC, JPEG or text file); a missing or
// unreadable file is not one here. The probe shows none of the library's messages.
bool IsReadableNonTiff(const std::string& path);

// The format checks, in order: rows per strip at most `maxRowsPerStrip` (else `rowsPerStripMessage`),
// one sample per pixel, 8 or 16 bits, one plane. Returns the first problem's message, or nullptr.
const char* StripTagsProblem(const StripTags& tags, std::uint32_t maxRowsPerStrip,
                             const char* rowsPerStripMessage);

// One decoded strip of 8-bit or 16-bit samples (16-bit in the machine's byte order).
class StripBuffer {
public:
    // Sizes the buffer for the largest strip of the image; false when it cannot.
    bool Allocate(TIFF* tiff, const StripTags& tags);
    // Reads the whole strip `strip`; false when the library cannot decode it.
    bool Read(TIFF* tiff, std::uint32_t strip);

    // Calls visit(value) for `count` samples of the strip from sample `first` on, in order.
    template <typename Visit> void ForEachSample(std::size_t first, std::size_t count, Visit&& visit) const {
        if (m_b16Bit) {
            const std::uint16_t* samples = m_samples16.data() + first;
            for (std::size_t i = 0; i < count; ++i)
                visit(static_cast<unsigned>(samples[i]));
        } else {
            const std::uint8_t* samples = m_samples8.data() + first;
            for (std::size_t i = 0; i < count; ++i)
                visit(static_cast<unsigned>(samples[i]));
        }
    }

    const std::uint8_t* Samples8() const { return m_samples8.data(); }
    const std::uint16_t* Samples16() const { return m_samples16.data(); }

private:
    bool m_b16Bit = false;
    std::vector<std::uint8_t> m_samples8;
    std::vector<std::uint16_t> m_samples16;
};

} // namespace gc
