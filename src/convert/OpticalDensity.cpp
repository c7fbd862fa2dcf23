#include "OpticalDensity.h"

#include <cmath>

namespace gc {

float OpticalDensity(unsigned value, int bitsPerSample, int scale, bool negative, const FitConstants& fit) {
    float x = static_cast<float>(value);
    if (bitsPerSample == 8 && scale == OUTPUT_FORMAT_16_BIT)
        x = x * 257.0f;
    else if (bitsPerSample == 16 && scale == OUTPUT_FORMAT_8_BIT)
        x = x / 257.0f;
    if (negative)
        x = (scale == OUTPUT_FORMAT_16_BIT ? 65535.0f : 255.0f) - x;
    const double y = static_cast<double>(fit.m_fA) *
                         std::log(std::fabs(static_cast<double>(x) - static_cast<double>(fit.m_fX0))) +
                     static_cast<double>(fit.m_fY0);
    return static_cast<float>(y);
}

std::vector<float> OpticalDensityTable(int bitsPerSample, int scale, bool negative, const FitConstants& fit) {
    const unsigned count = bitsPerSample == 16 ? 65536u : 256u;
    std::vector<float> table(count);
    for (unsigned value = 0; value < count; ++value)
        table[value] = OpticalDensity(value, bitsPerSample, scale, negative, fit);
    return table;
}

OdStatistics::OdStatistics() : m_fMinimum(OD_MINIMUM_START), m_fMaximum(OD_MAXIMUM_START) {}

} // namespace gc
