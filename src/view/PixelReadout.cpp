#include "PixelReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>

#include <unistd.h>

namespace gc {

bool MrcValueProbe::Open(const std::string& path) {
    Close();
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file || !m_header.Read(file.get()) || MrcBytesPerSample(m_header.m_nMode) <= 0) {
        m_header = MrcHeader();
        return false;
    }
    m_file = std::move(file);
    m_strPath = path;
    return true;
}

void MrcValueProbe::Close() {
    m_file.reset();
    m_strPath.clear();
}

std::optional<double> MrcValueProbe::ValueAt(int section, int x, int y) const {
    const MrcHeader& h = m_header;
    if (!m_file || section < 0 || section >= h.m_nNZ || x < 0 || y < 0 || x >= h.m_nNX || y >= h.m_nNY ||
        h.m_nNSymBT < 0)
        return std::nullopt;
    const int bytes = MrcBytesPerSample(h.m_nMode);
    const std::int64_t index = (static_cast<std::int64_t>(section) * h.m_nNY + y) * h.m_nNX + x;
    const std::int64_t offset = MRC_HEADER_SIZE + static_cast<std::int64_t>(h.m_nNSymBT) + index * bytes;
    unsigned char sample[4] = {};
    if (pread(fileno(m_file.get()), sample, static_cast<std::size_t>(bytes), static_cast<off_t>(offset)) !=
        bytes)
        return std::nullopt;
    const bool big = h.IsBigEndian();
    const auto unsigned16 =
        static_cast<std::uint16_t>(big ? (sample[0] << 8 | sample[1]) : (sample[1] << 8 | sample[0]));
    switch (h.m_nMode) {
    case MRC_MODE_BYTE:
        return sample[0];
    case MRC_MODE_INT16:
        return static_cast<std::int16_t>(unsigned16);
    case MRC_MODE_UINT16:
        return unsigned16;
    default:
        return big ? GetFloatBE(sample) : GetFloatLE(sample);
    }
}

std::string ZoomPaneText(float zoom) {
    char text[32];
    const double percent = std::round(static_cast<double>(zoom) * 1000.0) / 10.0;
    if (percent == std::floor(percent))
        std::snprintf(text, sizeof text, "Zoom %.0f%%", percent);
    else
        std::snprintf(text, sizeof text, "Zoom %.1f%%", percent);
    return text;
}

std::string PositionPaneText(int x, int y) {
    return "x " + std::to_string(x + 1) + ", y " + std::to_string(y + 1);
}

std::string MrcValuePaneText(double value, int mode) {
    if (mode != MRC_MODE_FLOAT)
        return "value " + std::to_string(static_cast<long long>(value));
    std::ostringstream text;
    text.precision(6);
    text << "value " << value;
    return text.str();
}

std::string PictureValuePaneText(unsigned char red, unsigned char green, unsigned char blue) {
    if (red == green && green == blue)
        return "grey " + std::to_string(red);
    return "RGB " + std::to_string(red) + ", " + std::to_string(green) + ", " + std::to_string(blue);
}

ContrastTable IdentityContrast() {
    ContrastTable table{};
    for (int level = 0; level < 256; ++level)
        table[level] = static_cast<unsigned char>(level);
    return table;
}

ContrastTable AutoContrastTable(const DIBSection& image) {
    if (!image.IsValid() || image.GetWidth() <= 0 || image.GetHeight() <= 0)
        return IdentityContrast();
    // A histogram of every component, from a grid of at most about four million pixels.
    std::array<std::uint64_t, 256> histogram{};
    const int bytesPerPixel = image.GetBitsPerPixel() / 8;
    const std::int64_t pixels = static_cast<std::int64_t>(image.GetWidth()) * image.GetHeight();
    const int stride = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(pixels) / 4.0e6)));
    std::uint64_t samples = 0;
    for (int row = 0; row < image.GetHeight(); row += stride) {
        const unsigned char* line = image.MemoryRow(row);
        for (int x = 0; x < image.GetWidth(); x += stride)
            for (int c = 0; c < bytesPerPixel; ++c) {
                ++histogram[line[x * bytesPerPixel + c]];
                ++samples;
            }
    }
    auto levelAt = [&](double quantile) {
        const auto wanted = static_cast<std::uint64_t>(quantile * static_cast<double>(samples));
        std::uint64_t seen = 0;
        for (int level = 0; level < 256; ++level) {
            seen += histogram[level];
            if (seen > wanted)
                return level;
        }
        return 255;
    };
    const int low = levelAt(AUTO_CONTRAST_LOW_QUANTILE);
    const int high = levelAt(AUTO_CONTRAST_HIGH_QUANTILE);
    if (high <= low)
        return IdentityContrast();
    ContrastTable table{};
    for (int level = 0; level < 256; ++level) {
        const int stretched = (std::clamp(level, low, high) - low) * 255 / (high - low);
        table[level] = static_cast<unsigned char>(stretched);
    }
    return table;
}

} // namespace gc
