// The histogram and the automatic windows of the display mapping.
#include "DisplayMapping.h"

#include <algorithm>
#include <limits>

namespace gc {

void ValueHistogram::Add(const float* values, std::size_t count) {
    const double span = maximum - minimum;
    for (std::size_t i = 0; i < count; ++i) {
        const double value = values[i];
        if (!std::isfinite(value))
            continue;
        const int bin = span > 0 ? static_cast<int>((value - minimum) / span * HISTOGRAM_BINS) : 0;
        ++counts[static_cast<std::size_t>(std::clamp(bin, 0, HISTOGRAM_BINS - 1))];
        ++total;
    }
}

double ValueHistogram::Quantile(double quantile) const {
    const auto wanted = static_cast<std::uint64_t>(quantile * static_cast<double>(total));
    std::uint64_t seen = 0;
    const double width = (maximum - minimum) / HISTOGRAM_BINS;
    for (int bin = 0; bin < HISTOGRAM_BINS; ++bin) {
        seen += counts[static_cast<std::size_t>(bin)];
        if (seen > wanted)
            return minimum + width * bin;
    }
    return maximum;
}

ValueHistogram HistogramOf(const float* values, std::size_t count) {
    ValueHistogram histogram;
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -minimum;
    for (std::size_t i = 0; i < count; ++i)
        if (std::isfinite(values[i])) {
            minimum = std::min(minimum, static_cast<double>(values[i]));
            maximum = std::max(maximum, static_cast<double>(values[i]));
        }
    if (minimum > maximum)
        return histogram;
    histogram.minimum = minimum;
    histogram.maximum = maximum;
    histogram.Add(values, count);
    return histogram;
}

DisplayMapping AutoMapping(const ValueHistogram& histogram) {
    DisplayMapping mapping;
    mapping.low = histogram.Quantile(AUTO_LOW_QUANTILE);
    // The upper edge of the bin that holds the high quantile.
    mapping.high = std::min(histogram.maximum, histogram.Quantile(AUTO_HIGH_QUANTILE) +
                                                   (histogram.maximum - histogram.minimum) / HISTOGRAM_BINS);
    if (!(mapping.high > mapping.low)) {
        mapping.low = histogram.minimum;
        mapping.high = histogram.maximum > histogram.minimum ? histogram.maximum : histogram.minimum + 1;
    }
    return mapping;
}

DisplayMapping DefaultMapping(SampleType type, const ValueHistogram& histogram) {
    if (type == SampleType::UInt8)
        return DisplayMapping{};
    return AutoMapping(histogram);
}

} // namespace gc
