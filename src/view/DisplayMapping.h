// How values become grey levels on screen, without windows: a linear window from `low` (black) to
// `high` (white), optionally inverted, and the histogram that the automatic contrast and the window/
// level panel work from. The mapping changes the display only, never a value that is read, picked
// or saved.
#pragma once

#include "image/PixelStore.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace gc {

struct DisplayMapping {
    double low = 0;
    double high = 255;
    bool invert = false;
    bool operator==(const DisplayMapping&) const = default;

    // The grey level of `value`: (value − low) / (high − low) over 0..255, rounded to nearest and held
    // within it; NaN is black. With low = high, values above it are white.
    unsigned char Grey(double value) const {
        double level;
        if (std::isnan(value))
            level = 0;
        else if (!(high > low))
            level = value > high ? 255 : 0;
        else
            level = std::floor((value - low) * 255.0 / (high - low) + 0.5);
        level = level < 0 ? 0 : (level > 255 ? 255 : level);
        const auto grey = static_cast<unsigned char>(level);
        return invert ? static_cast<unsigned char>(255 - grey) : grey;
    }
};

inline constexpr int HISTOGRAM_BINS = 256;
inline constexpr double AUTO_LOW_QUANTILE = 0.005;
inline constexpr double AUTO_HIGH_QUANTILE = 0.995;

// Counts of values in HISTOGRAM_BINS equal bins from the smallest to the largest finite value.
struct ValueHistogram {
    double minimum = 0;
    double maximum = 0;
    std::array<std::uint64_t, HISTOGRAM_BINS> counts{};
    std::uint64_t total = 0;

    // Adds `count` values (non-finite ones are left out); the range must be set first (SetRange).
    void Add(const float* values, std::size_t count);
    // The value below which a fraction `quantile` of the counted values lie (a bin's lower edge).
    double Quantile(double quantile) const;
};

// The histogram of `count` values over their own finite range.
ValueHistogram HistogramOf(const float* values, std::size_t count);

// The window between the 0.5 % and 99.5 % quantiles; the full range of one level for a flat image.
DisplayMapping AutoMapping(const ValueHistogram& histogram);
// The mapping an image opens with: 8-bit samples as they are (0..255), anything wider stretched
// automatically.
DisplayMapping DefaultMapping(SampleType type, const ValueHistogram& histogram);

} // namespace gc
