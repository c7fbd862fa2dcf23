#include "PixelStatistics.h"

#include "ConvertMessages.h"
#include "NumberText.h"
#include "StripImage.h"
#include "core/TiffErrors.h"

#include <cmath>

namespace gc {
namespace {

constexpr int STATISTICS_DIGITS = 15;
constexpr std::uint32_t STATISTICS_MAX_ROWS_PER_STRIP = 1024;

std::string ReportText(const std::string& path, const PixelStatistics& statistics) {
    return std::string(STATS_FILE_NAME) + path + "\n" + STATS_MEAN +
           FormatGeneral(statistics.m_dMean, STATISTICS_DIGITS) + "\n" + STATS_MINIMUM +
           std::to_string(statistics.m_nMinimum) + "\n" + STATS_MAXIMUM +
           std::to_string(statistics.m_nMaximum) + "\n" + STATS_SPREAD +
           FormatGeneral(statistics.m_dSpread, STATISTICS_DIGITS);
}

// The standard deviation of `count` values from their exact sum and sum of squares:
// √(n·S2 − S1²) ÷ n, computed in integers up to the one root.
double StandardDeviation(std::uint64_t sum, unsigned __int128 sumOfSquares, std::uint64_t count) {
    if (count == 0)
        return 0.0;
    const unsigned __int128 scaled = sumOfSquares * count;
    const unsigned __int128 square = static_cast<unsigned __int128>(sum) * sum;
    const double spread = scaled > square ? static_cast<double>(scaled - square) : 0.0;
    return std::sqrt(spread) / static_cast<double>(count);
}

} // namespace

std::string PixelStatisticsText(const std::string& path, const PixelStatistics& statistics) {
    std::string text = ReportText(path, statistics);
    if (text.size() <= MAX_STATISTICS_TEXT)
        return text;
    // Keep the end of the path, where the file name is, behind a mark.
    const std::size_t mark = std::char_traits<char>::length(STATS_CUT_PATH_MARK);
    const std::size_t rest = text.size() - path.size();
    if (rest + mark >= MAX_STATISTICS_TEXT)
        return text.substr(0, MAX_STATISTICS_TEXT);
    std::size_t start = path.size() - (MAX_STATISTICS_TEXT - rest - mark);
    while (start < path.size() && (static_cast<unsigned char>(path[start]) & 0xC0) == 0x80)
        ++start; // never start inside a UTF-8 character
    return ReportText(STATS_CUT_PATH_MARK + path.substr(start), statistics);
}

bool ComputePixelStatistics(const std::string& path, int directory, PixelStatistics& statistics,
                            Messages& messages) {
    TiffErrorScope errors(messages);
    TiffHandle tiff(TIFFOpen(path.c_str(), "r"));
    if (!tiff) {
        messages.Warning(MSG_COULD_NOT_OPEN_TIFF);
        return false;
    }
    if (directory < 0 || TIFFSetDirectory(tiff.get(), static_cast<tdir_t>(directory)) != 1)
        return false;
    const StripTags tags = ReadStripTags(tiff.get());
    if (const char* problem =
            StripTagsProblem(tags, STATISTICS_MAX_ROWS_PER_STRIP, MSG_STATS_TOO_MANY_ROWS_PER_STRIP)) {
        messages.Warning(problem);
        return false;
    }
    StripBuffer strip;
    if (!strip.Allocate(tiff.get(), tags))
        return false;

    long minimum = 65536; // above every 8-bit and 16-bit value
    long maximum = -1;
    // Exact sums: a 16-bit square fits 32 bits, so the sum of squares of any image that fits a
    // 64-bit file is exact in 128 bits, and the deviation never loses its digits to cancellation.
    std::uint64_t sum = 0;
    unsigned __int128 sumOfSquares = 0;
    const std::uint32_t strips = tags.StripCount();
    for (std::uint32_t s = 0; s < strips; ++s) {
        if (!strip.Read(tiff.get(), s))
            return false;
        strip.ForEachSample(0, static_cast<std::size_t>(tags.m_nWidth) * tags.RowsInStrip(s),
                            [&](unsigned value) {
                                const long pixel = static_cast<long>(value);
                                if (pixel < minimum)
                                    minimum = pixel;
                                if (pixel > maximum)
                                    maximum = pixel;
                                sum += value;
                                sumOfSquares += static_cast<std::uint64_t>(value) * value;
                            });
    }

    const std::uint64_t pixels = static_cast<std::uint64_t>(tags.m_nWidth) * tags.m_nLength;
    statistics.m_nMinimum = minimum;
    statistics.m_nMaximum = maximum;
    statistics.m_dMean = static_cast<double>(sum) / static_cast<double>(pixels);
    statistics.m_dSpread = StandardDeviation(sum, sumOfSquares, pixels);
    return true;
}

bool ReportPixelStatistics(const std::string& path, int directory, Messages& messages) {
    PixelStatistics statistics;
    if (!ComputePixelStatistics(path, directory, statistics, messages))
        return false;
    messages.Information(PixelStatisticsText(path, statistics));
    return true;
}

} // namespace gc
