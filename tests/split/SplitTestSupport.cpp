#include "SplitTestSupport.h"
#include "core/TiffHandle.h"

#include <cmath>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/resource.h>

namespace gc::test {
namespace {

using Tiff = gc::TiffHandle;

} // namespace

bool WriteTiledScan(const std::string& path, int width, int height, int tileWidth, int tileLength,
                    const PixelFunction& pixel, std::uint16_t compression, int rowsPerStrip) {
    Tiff tiff(TIFFOpen(path.c_str(), "w"));
    if (!tiff)
        return false;
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff.get(), TIFFTAG_TILEWIDTH, static_cast<std::uint32_t>(tileWidth));
    TIFFSetField(tiff.get(), TIFFTAG_TILELENGTH, static_cast<std::uint32_t>(tileLength));
    if (rowsPerStrip > 0)
        TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(rowsPerStrip));
    std::vector<unsigned char> tile(static_cast<std::size_t>(tileWidth) * tileLength);
    for (int top = 0; top < height; top += tileLength)
        for (int left = 0; left < width; left += tileWidth) {
            for (int r = 0; r < tileLength; ++r)
                for (int c = 0; c < tileWidth; ++c)
                    tile[static_cast<std::size_t>(r) * tileWidth + c] = pixel(left + c, top + r);
            if (TIFFWriteTile(tiff.get(), tile.data(), static_cast<std::uint32_t>(left),
                              static_cast<std::uint32_t>(top), 0, 0) < 0)
                return false;
        }
    return true;
}

bool WriteFormatTiff(const std::string& path, int width, int height, int samplesPerPixel, int bitsPerSample,
                     int planarConfig, int tileWidth, int tileLength) {
    Tiff tiff(TIFFOpen(path.c_str(), "w"));
    if (!tiff)
        return false;
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, bitsPerSample);
    TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, samplesPerPixel);
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC,
                 samplesPerPixel == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, planarConfig);
    if (tileWidth > 0) {
        TIFFSetField(tiff.get(), TIFFTAG_TILEWIDTH, static_cast<std::uint32_t>(tileWidth));
        TIFFSetField(tiff.get(), TIFFTAG_TILELENGTH, static_cast<std::uint32_t>(tileLength));
        std::vector<unsigned char> tile(static_cast<std::size_t>(TIFFTileSize(tiff.get())));
        for (std::uint32_t t = 0; t < TIFFNumberOfTiles(tiff.get()); ++t)
            if (TIFFWriteEncodedTile(tiff.get(), t, tile.data(), static_cast<tmsize_t>(tile.size())) < 0)
                return false;
        return true;
    }
    TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(height));
    std::vector<unsigned char> strip(static_cast<std::size_t>(TIFFStripSize(tiff.get())));
    for (std::uint32_t s = 0; s < TIFFNumberOfStrips(tiff.get()); ++s)
        if (TIFFWriteEncodedStrip(tiff.get(), s, strip.data(), static_cast<tmsize_t>(strip.size())) < 0)
            return false;
    return true;
}

bool WriteDarkScan(const std::string& path, int width, int height, int tileWidth, int tileLength) {
    Tiff tiff(TIFFOpen(path.c_str(), "w"));
    if (!tiff)
        return false;
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff.get(), TIFFTAG_TILEWIDTH, static_cast<std::uint32_t>(tileWidth));
    TIFFSetField(tiff.get(), TIFFTAG_TILELENGTH, static_cast<std::uint32_t>(tileLength));
    // One encoded zero tile, written raw for every tile: runs of 128 zeros, then the rest.
    std::vector<unsigned char> encoded;
    std::size_t left = static_cast<std::size_t>(tileWidth) * tileLength;
    while (left > 0) {
        const std::size_t run = left < 128 ? left : 128;
        encoded.push_back(static_cast<unsigned char>(257 - run)); // -(run - 1); a run of 1 is a literal
        encoded.push_back(0);
        left -= run;
    }
    for (std::uint32_t t = 0; t < TIFFNumberOfTiles(tiff.get()); ++t)
        if (TIFFWriteRawTile(tiff.get(), t, encoded.data(), static_cast<tmsize_t>(encoded.size())) < 0)
            return false;
    return true;
}

MrcFile ReadMrc(const std::string& path) {
    MrcFile mrc;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (bytes.size() < 1024)
        return mrc;
    auto int32At = [&](int offset) {
        std::int32_t value;
        std::memcpy(&value, bytes.data() + offset, 4);
        return value;
    };
    auto floatAt = [&](int offset) {
        float value;
        std::memcpy(&value, bytes.data() + offset, 4);
        return value;
    };
    mrc.m_bRead = true;
    mrc.m_nNX = int32At(0);
    mrc.m_nNY = int32At(4);
    mrc.m_nNZ = int32At(8);
    mrc.m_nMode = int32At(12);
    mrc.m_fDMin = floatAt(76);
    mrc.m_fDMax = floatAt(80);
    mrc.m_fDMean = floatAt(84);
    mrc.m_strMap.assign(reinterpret_cast<const char*>(bytes.data()) + 208, 4);
    mrc.m_fRms = floatAt(216);
    mrc.m_nLabels = int32At(220);
    mrc.m_strLabel = std::string(reinterpret_cast<const char*>(bytes.data()) + 224, 80);
    mrc.m_strLabel = mrc.m_strLabel.substr(0, mrc.m_strLabel.find('\0'));
    mrc.m_header.assign(bytes.begin(), bytes.begin() + 1024);
    mrc.m_data.assign(bytes.begin() + 1024, bytes.end());
    return mrc;
}

TiffImage ReadTiff(const std::string& path) {
    TiffImage image;
    Tiff tiff(TIFFOpen(path.c_str(), "r"));
    if (!tiff)
        return image;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &image.m_nWidth);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &image.m_nHeight);
    TIFFGetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, &image.m_nRowsPerStrip);
    TIFFGetField(tiff.get(), TIFFTAG_COMPRESSION, &image.m_nCompression);
    TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &image.m_nPhotometric);
    TIFFGetField(tiff.get(), TIFFTAG_RESOLUTIONUNIT, &image.m_nResolutionUnit);
    TIFFGetField(tiff.get(), TIFFTAG_XRESOLUTION, &image.m_fXResolution);
    TIFFGetField(tiff.get(), TIFFTAG_YRESOLUTION, &image.m_fYResolution);
    TIFFGetField(tiff.get(), TIFFTAG_PLANARCONFIG, &image.m_nPlanarConfig);
    TIFFGetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, &image.m_nBitsPerSample);
    TIFFGetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &image.m_nSamplesPerPixel);
    image.m_nStrips = TIFFNumberOfStrips(tiff.get());
    image.m_pixels.assign(static_cast<std::size_t>(image.m_nWidth) * image.m_nHeight, 0);
    if (image.m_nRowsPerStrip == 1) {
        for (std::uint32_t s = 0; s < image.m_nStrips && s < image.m_nHeight; ++s)
            TIFFReadEncodedStrip(tiff.get(), s,
                                 image.m_pixels.data() + static_cast<std::size_t>(s) * image.m_nWidth,
                                 image.m_nWidth);
    }
    image.m_bRead = true;
    return image;
}

FileSizeLimit::FileSizeLimit(unsigned long bytes) {
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_nPrevious = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_nPrevious;
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_previousHandler);
}

void ExpectedStatistics(const std::vector<unsigned char>& values, std::int64_t nominalCount, float& mean,
                        float& rms) {
    std::uint64_t sum = 0;
    std::uint64_t squares = 0;
    for (unsigned char value : values) {
        sum += value;
        squares += static_cast<std::uint64_t>(value) * value;
    }
    const double n = static_cast<double>(nominalCount);
    const double m = static_cast<double>(sum) / n;
    mean = static_cast<float>(m);
    rms = static_cast<float>(
        std::sqrt(std::fabs(static_cast<double>(squares) / n - m * m) / (nominalCount - 1)));
}

} // namespace gc::test
