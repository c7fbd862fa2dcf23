// Inputs and read-back for the conversion tests: greyscale TIFF files written with libtiff, MRC files
// read back by our own few lines and by python3-mrcfile.
#pragma once

#include "support/TestSupport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gc::test {

struct TiffSpec {
    std::uint32_t m_nWidth = 0;
    std::uint32_t m_nLength = 0;
    int m_nBits = 8;
    std::uint32_t m_nRowsPerStrip = 1;
    int m_nCompression = 1; // COMPRESSION_NONE
    int m_nSamplesPerPixel = 1;
    int m_nPlanarConfig = 1;
};

using PixelFunction = std::function<unsigned(std::uint32_t x, std::uint32_t y)>;

// Writes a TIFF of the given layout with pixel(x, y) in every sample; false when libtiff fails.
bool WriteTiff(const std::string& path, const TiffSpec& recipe, const PixelFunction& pixel);

struct TiffImage {
    std::uint32_t m_nWidth = 0;
    std::uint32_t m_nLength = 0;
    int m_nBits = 0;
    std::uint32_t m_nRowsPerStrip = 0;
    int m_nCompression = 0;
    std::vector<unsigned> m_samples; // row by row
};

// Reads a one-sample TIFF back with libtiff (scanline by scanline).
bool ReadTiff(const std::string& path, TiffImage& image);

struct MrcImage {
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nMode = -1;
    float m_fMin = 0, m_fMax = 0, m_fMean = 0, m_fRms = 0;
    std::string m_strLabel;
    std::vector<float> m_values;
};

// Our own reading of a finished float MRC file (header fields and values).
bool ReadMrc(const std::string& path, MrcImage& image);

// python3-mrcfile's reading: "nx ny mode dmin dmax dmean rms label" on the first line, then the
// values' sum, minimum and maximum computed by numpy in double precision.
int ReadMrcWithPython(const std::string& path, std::string& output);

} // namespace gc::test
