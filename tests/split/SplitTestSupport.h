// Helpers of the split tests: small tile-organised scans written with libtiff, strip and odd-format
// TIFFs, and readers of the Run's MRC and TIFF outputs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <tiffio.h>
#include <vector>

namespace gc::test {

// Value of scan pixel (x, y), asked for every pixel of the padded tile area.
using PixelFunction = std::function<unsigned char(int x, int y)>;

// A tile-organised 8-bit greyscale scan, written tile by tile; with `rowsPerStrip` > 0 it also carries
// a RowsPerStrip tag.
bool WriteTiledScan(const std::string& path, int width, int height, int tileWidth, int tileLength,
                    const PixelFunction& pixel, std::uint16_t compression = COMPRESSION_NONE,
                    int rowsPerStrip = 0);

// A TIFF with the given layout and zero pixels: strip-organised (tileWidth 0) or tiled.
bool WriteFormatTiff(const std::string& path, int width, int height, int samplesPerPixel, int bitsPerSample,
                     int planarConfig, int tileWidth = 0, int tileLength = 0);

// A tiled 8-bit greyscale PackBits scan whose pixels are all 0; cheap at any size.
bool WriteDarkScan(const std::string& path, int width, int height, int tileWidth, int tileLength);

struct MrcFile {
    bool m_bRead = false;
    std::int32_t m_nNX = 0, m_nNY = 0, m_nNZ = 0, m_nMode = -1, m_nLabels = 0;
    float m_fDMin = 0, m_fDMax = 0, m_fDMean = 0, m_fRms = 0;
    std::string m_strMap, m_strLabel;
    std::vector<unsigned char> m_header; // the 1024 bytes
    std::vector<unsigned char> m_data;   // everything after the header
};
MrcFile ReadMrc(const std::string& path);

struct TiffImage {
    bool m_bRead = false;
    std::uint32_t m_nWidth = 0, m_nHeight = 0, m_nRowsPerStrip = 0, m_nStrips = 0;
    std::uint16_t m_nCompression = 0, m_nPhotometric = 0, m_nResolutionUnit = 0, m_nPlanarConfig = 0;
    std::uint16_t m_nBitsPerSample = 0, m_nSamplesPerPixel = 0;
    float m_fXResolution = 0, m_fYResolution = 0;
    std::vector<unsigned char> m_pixels; // rows that could be read; unread rows stay 0
};
TiffImage ReadTiff(const std::string& path);

// While it lives, files this process writes cannot grow beyond `bytes` (RLIMIT_FSIZE, with SIGXFSZ
// ignored, so a write beyond it fails with EFBIG). Works for root, unlike a read-only folder.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long m_nPrevious;
    void (*m_previousHandler)(int);
};

// The header statistics the Run must write for `values` over the nominal pixel count.
void ExpectedStatistics(const std::vector<unsigned char>& values, std::int64_t nominalCount, float& mean,
                        float& rms);

} // namespace gc::test
