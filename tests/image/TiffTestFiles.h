// TIFF files for the codec and document tests: written with the library for ordinary layouts, or
// assembled byte by byte (classic little-endian TIFF) for directories the library would not write.
#pragma once

#include "core/TiffHandle.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <string>
#include <tiffio.h>
#include <vector>

namespace gc::test {

// One directory for WriteTiff: rows top-down, `samples` bytes per pixel, 8 bits per sample.
struct TiffPage {
    int width = 1;
    int height = 1;
    int samples = 1;
    int photometric = PHOTOMETRIC_MINISBLACK;
    int compression = COMPRESSION_NONE;
    std::vector<unsigned char> pixels; // width × height × samples bytes; empty means all zero
    bool associatedAlpha = false;      // the fourth sample of an RGB page is associated alpha
    int minSampleValue = -1;           // written when ≥ 0
    int maxSampleValue = -1;
};

// Writes the pages as the directories of one file, one row per strip. Returns false on failure.
inline bool WriteTiff(const std::string& path, const std::vector<TiffPage>& pages) {
    gc::TiffHandle handle(TIFFOpen(path.c_str(), "w"));
    if (!handle)
        return false;
    TIFF* tiff = handle.get();
    for (const TiffPage& page : pages) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(page.width));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(page.height));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, page.samples);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, page.photometric);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, page.compression);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
        if (page.associatedAlpha) {
            const std::uint16_t extra[] = {EXTRASAMPLE_ASSOCALPHA};
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        if (page.minSampleValue >= 0)
            TIFFSetField(tiff, TIFFTAG_MINSAMPLEVALUE, static_cast<std::uint16_t>(page.minSampleValue));
        if (page.maxSampleValue >= 0)
            TIFFSetField(tiff, TIFFTAG_MAXSAMPLEVALUE, static_cast<std::uint16_t>(page.maxSampleValue));
        const std::size_t rowBytes = static_cast<std::size_t>(page.width) * page.samples;
        std::vector<unsigned char> row(rowBytes);
        for (int y = 0; y < page.height; ++y) {
            for (std::size_t i = 0; i < rowBytes; ++i)
                row[i] = page.pixels.empty() ? 0 : page.pixels[y * rowBytes + i];
            if (TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) != 1)
                return false;
        }
        if (!TIFFWriteDirectory(tiff))
            return false;
    }
    return true;
}

inline TiffPage GreyPage(int width, int height, std::vector<unsigned char> pixels = {}) {
    TiffPage page;
    page.width = width;
    page.height = height;
    page.pixels = std::move(pixels);
    return page;
}

// A field of a hand-made directory: SHORT (type 3) or LONG (type 4), one value.
struct RawField {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t value;
};

// A classic little-endian TIFF of the given directories; every directory's strip (tag 273 with any
// value) points at `stripData`, stored after the directories.
inline std::vector<unsigned char> RawTiff(const std::vector<std::vector<RawField>>& directories,
                                          const std::vector<unsigned char>& stripData) {
    std::vector<unsigned char> bytes = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&bytes](std::size_t at, std::uint32_t value) {
        bytes[at] = static_cast<unsigned char>(value);
        bytes[at + 1] = static_cast<unsigned char>(value >> 8);
    };
    auto put32 = [&bytes](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    };
    std::size_t dataOffset = 8;
    for (const auto& directory : directories)
        dataOffset += 2 + 12 * directory.size() + 4;
    for (std::size_t d = 0; d < directories.size(); ++d) {
        const auto& directory = directories[d];
        const std::size_t start = bytes.size();
        bytes.resize(start + 2 + 12 * directory.size() + 4, 0);
        put16(start, static_cast<std::uint32_t>(directory.size()));
        for (std::size_t i = 0; i < directory.size(); ++i) {
            const std::size_t at = start + 2 + 12 * i;
            put16(at, directory[i].tag);
            put16(at + 2, directory[i].type);
            put32(at + 4, 1);
            const std::uint32_t value = directory[i].tag == TIFFTAG_STRIPOFFSETS
                                            ? static_cast<std::uint32_t>(dataOffset)
                                            : directory[i].value;
            if (directory[i].type == 3)
                put16(at + 8, value);
            else
                put32(at + 8, value);
        }
        const bool last = d + 1 == directories.size();
        put32(start + 2 + 12 * directory.size(), last ? 0 : static_cast<std::uint32_t>(bytes.size()));
    }
    bytes.insert(bytes.end(), stripData.begin(), stripData.end());
    return bytes;
}

// An uncompressed 8-bit one-row greyscale directory of the given width for RawTiff; fields sorted.
inline std::vector<RawField> RawGreyRow(std::uint32_t width, std::uint32_t compression = 1,
                                        std::uint32_t photometric = 1) {
    return {{256, 3, width}, {257, 3, 1}, {258, 3, 8}, {259, 3, compression}, {262, 3, photometric},
            {273, 4, 0},     {277, 3, 1}, {278, 3, 1}, {279, 4, width}};
}

} // namespace gc::test
