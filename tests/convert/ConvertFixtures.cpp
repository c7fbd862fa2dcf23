#include "ConvertFixtures.h"
#include "core/TiffHandle.h"

#include "image/MrcHeader.h"

#include <cstring>
#include <memory>
#include <tiffio.h>

namespace gc::test {
namespace {} // namespace

bool WriteTiff(const std::string& path, const TiffSpec& recipe, const PixelFunction& pixel) {
    gc::TiffHandle tiff(TIFFOpen(path.c_str(), "w"));
    if (!tiff)
        return false;
    TIFF* t = tiff.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, recipe.m_nWidth);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, recipe.m_nLength);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(recipe.m_nBits));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(recipe.m_nSamplesPerPixel));
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, recipe.m_nRowsPerStrip);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, static_cast<std::uint16_t>(recipe.m_nPlanarConfig));
    TIFFSetField(t, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(recipe.m_nCompression));
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC,
                 static_cast<std::uint16_t>(recipe.m_nSamplesPerPixel == 3 ? PHOTOMETRIC_RGB
                                                                           : PHOTOMETRIC_MINISBLACK));
    const std::size_t bytesPerSample = static_cast<std::size_t>((recipe.m_nBits + 7) / 8);
    const std::size_t samplesPerRow = static_cast<std::size_t>(recipe.m_nWidth) * recipe.m_nSamplesPerPixel;
    const std::uint32_t strips = (recipe.m_nLength + recipe.m_nRowsPerStrip - 1) / recipe.m_nRowsPerStrip;
    const int planes = recipe.m_nPlanarConfig == PLANARCONFIG_SEPARATE ? recipe.m_nSamplesPerPixel : 1;
    const std::size_t planeSamples = planes > 1 ? recipe.m_nWidth : samplesPerRow;
    for (int plane = 0; plane < planes; ++plane) {
        for (std::uint32_t s = 0; s < strips; ++s) {
            const std::uint32_t first = s * recipe.m_nRowsPerStrip;
            const std::uint32_t rows = std::min(recipe.m_nRowsPerStrip, recipe.m_nLength - first);
            std::vector<unsigned char> data(planeSamples * rows * bytesPerSample);
            for (std::uint32_t r = 0; r < rows; ++r)
                for (std::size_t i = 0; i < planeSamples; ++i) {
                    const auto x = static_cast<std::uint32_t>(planes > 1 ? i : i / recipe.m_nSamplesPerPixel);
                    const unsigned value = pixel(x, first + r);
                    const std::size_t at = (r * planeSamples + i) * bytesPerSample;
                    if (bytesPerSample == 2) {
                        const auto sample = static_cast<std::uint16_t>(value);
                        std::memcpy(&data[at], &sample, 2);
                    } else {
                        data[at] = static_cast<unsigned char>(value);
                    }
                }
            if (TIFFWriteEncodedStrip(t, static_cast<std::uint32_t>(plane) * strips + s, data.data(),
                                      static_cast<tmsize_t>(data.size())) < 0)
                return false;
        }
    }
    return true;
}

bool ReadTiff(const std::string& path, TiffImage& image) {
    gc::TiffHandle tiff(TIFFOpen(path.c_str(), "r"));
    if (!tiff)
        return false;
    TIFF* t = tiff.get();
    std::uint16_t bits = 0, compression = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &image.m_nWidth);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &image.m_nLength);
    TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(t, TIFFTAG_ROWSPERSTRIP, &image.m_nRowsPerStrip);
    TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
    image.m_nBits = bits;
    image.m_nCompression = compression;
    std::vector<unsigned char> line(static_cast<std::size_t>(TIFFScanlineSize(t)));
    image.m_samples.clear();
    for (std::uint32_t row = 0; row < image.m_nLength; ++row) {
        if (TIFFReadScanline(t, line.data(), row, 0) < 0)
            return false;
        for (std::uint32_t x = 0; x < image.m_nWidth; ++x) {
            if (bits == 16) {
                std::uint16_t sample;
                std::memcpy(&sample, &line[2 * x], 2);
                image.m_samples.push_back(sample);
            } else {
                image.m_samples.push_back(line[x]);
            }
        }
    }
    return true;
}

bool ReadMrc(const std::string& path, MrcImage& image) {
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    if (bytes.size() < static_cast<std::size_t>(MRC_HEADER_SIZE))
        return false;
    const unsigned char* p = bytes.data();
    image.m_nWidth = GetInt32LE(p + 0);
    image.m_nHeight = GetInt32LE(p + 4);
    image.m_nMode = GetInt32LE(p + 12);
    image.m_fMin = GetFloatLE(p + 76);
    image.m_fMax = GetFloatLE(p + 80);
    image.m_fMean = GetFloatLE(p + 84);
    image.m_fRms = GetFloatLE(p + 216);
    image.m_strLabel = std::string(reinterpret_cast<const char*>(p + 224));
    const std::size_t count =
        static_cast<std::size_t>(image.m_nWidth) * static_cast<std::size_t>(image.m_nHeight);
    if (bytes.size() != MRC_HEADER_SIZE + 4 * count)
        return false;
    image.m_values.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        image.m_values[i] = GetFloatLE(p + MRC_HEADER_SIZE + 4 * i);
    return true;
}

int ReadMrcWithPython(const std::string& path, std::string& output) {
    const std::string script =
        "import mrcfile, sys, numpy\n"
        "m = mrcfile.open(sys.argv[1], permissive=True)\n"
        "h = m.header\n"
        "d = m.data.astype(numpy.float64)\n"
        "print(int(h.nx), int(h.ny), int(h.mode), repr(float(h.dmin)), repr(float(h.dmax)),"
        " repr(float(h.dmean)), repr(float(h.rms)), h.label[0].split(b'\\0')[0].decode())\n"
        "print(repr(float(d.sum())), repr(float(d.min())), repr(float(d.max())))\n";
    return RunCommand(std::string(GC_PYTHON) + " -c \"" + script + "\" '" + path + "' 2>/dev/null", &output);
}

} // namespace gc::test
