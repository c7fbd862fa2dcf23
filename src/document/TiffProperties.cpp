// The TIFF properties report: width, length, bits per sample, minimum and maximum sample value,
// compression, photometric interpretation and samples per pixel of one directory, read with the
// library; a tag the directory does not carry reads as 0.
#include "TiffProperties.h"

#include "core/TiffErrors.h"
#include "document/DocumentMessages.h"
#include "image/TiffCodec.h"

#include <cstdint>
#include <cstdio>

namespace gc {
namespace {

const char* NameOf(const TagValueName* names, std::size_t count, int value) {
    for (std::size_t i = 0; i < count; ++i)
        if (names[i].m_nValue == value)
            return names[i].m_szName;
    return "";
}

// One line from a format with a single %d, in a buffer of the report's line length.
std::string FormatLine(const char* format, int value) {
    char line[256];
    std::snprintf(line, sizeof line, format, value);
    return line;
}

} // namespace

const char* CompressionName(int value) {
    return NameOf(COMPRESSION_NAMES, std::size(COMPRESSION_NAMES), value);
}

const char* PhotometricName(int value) {
    return NameOf(PHOTOMETRIC_NAMES, std::size(PHOTOMETRIC_NAMES), value);
}

void FormatTiffProperties(const std::string& path, int directory, GrowArray<std::string>& lines,
                          Messages& messages) {
    TiffErrorScope errors(messages);
    TiffHandle handle(TIFFOpen(path.c_str(), "r"));
    if (!handle)
        return;
    TIFF* tiff = handle.get();
    TIFFSetDirectory(tiff, static_cast<std::uint16_t>(directory));

    std::uint32_t width = 0, length = 0;
    std::uint16_t bitsPerSample = 0, compression = 0, photometric = 0, samplesPerPixel = 0;
    std::uint16_t minSampleValue = 0, maxSampleValue = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &length);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bitsPerSample);
    TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samplesPerPixel);
    TIFFGetField(tiff, TIFFTAG_MINSAMPLEVALUE, &minSampleValue);
    TIFFGetField(tiff, TIFFTAG_MAXSAMPLEVALUE, &maxSampleValue);

    lines.Add(FormatLine(PROPERTY_IMAGEWIDTH, static_cast<int>(width)));
    lines.Add(FormatLine(PROPERTY_IMAGELENGTH, static_cast<int>(length)));
    lines.Add(FormatLine(PROPERTY_BITSPERSAMPLE, bitsPerSample));
    lines.Add(PROPERTY_MINSAMPLEVALUE + std::to_string(minSampleValue));
    lines.Add(PROPERTY_MAXSAMPLEVALUE + std::to_string(maxSampleValue));
    lines.Add(PROPERTY_COMPRESSION + std::string(CompressionName(compression)));
    lines.Add(PROPERTY_PHOTOMETRIC + std::string(PhotometricName(photometric)));
    lines.Add(FormatLine(PROPERTY_SAMPLESPERPIXEL, samplesPerPixel));
}

std::string TiffPropertiesText(const std::string& path, const GrowArray<std::string>& lines) {
    std::string text = path + MSG_PROPERTIES_HEADING;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace gc
