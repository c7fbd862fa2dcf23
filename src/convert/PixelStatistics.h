// Pixel statistics: the minimum, maximum, mean and standard deviation of the raw pixel values of one image of
// a strip-organised greyscale TIFF file, shown as one report before Convert and Cut when asked for.
#pragma once

#include "core/Messages.h"

#include <string>

namespace gc {

// The report text never grows beyond this many characters: a longer path is cut from the left.
inline constexpr std::size_t MAX_STATISTICS_TEXT = 500;

struct PixelStatistics {
    long m_nMinimum = 0;
    long m_nMaximum = 0;
    double m_dMean = 0.0;
    // The standard deviation of the values (over all N of them), shown under the report's
    // "Standard Deviation" label.
    double m_dSpread = 0.0;
};

// The report: file name, mean, minimum, maximum and spread, one per line (no line break at the end).
std::string PixelStatisticsText(const std::string& path, const PixelStatistics& statistics);

// Reads image `directory` of the TIFF file at `path` (8 or 16 bits, one sample, one plane, at most
// 1024 rows per strip) and computes its statistics. Shows the message of a failed open or format
// check; an allocation or strip-read failure returns false without one.
bool ComputePixelStatistics(const std::string& path, int directory, PixelStatistics& statistics,
                            Messages& messages);

// Computes the statistics and shows the report; true when the report was shown.
bool ReportPixelStatistics(const std::string& path, int directory, Messages& messages);

} // namespace gc
