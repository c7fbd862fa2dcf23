// The Run in the classic MRC style against the Run with MRC2014 headers (the images as unsigned
// 16-bit: twice the bytes written) on the default 36,000 × 30,000 sample, uncompressed and Deflate.
// The two styles run alternately, as many times as the first argument says (default 3), and the
// summary sets their medians side by side with the ratio; the goal is MRC2014 within 1.3 × classic.
#include "BenchSupport.h"

#include "core/Messages.h"
#include "core/Progress.h"
#include "split/RunDriver.h"
#include "split/RunSettings.h"

#include <tiffio.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

using gc::tools::ScanCompression;

class Silent final : public gc::Messages {
public:
    void Show(gc::MessageKind, const std::string&, const std::string& = {}) override {}
};

// Seconds of one Run of the default parameters over the sample; negative when it failed. The
// outputs are removed afterwards, outside the timing.
double TimedRun(const std::string& path, bool mrc2014) {
    namespace fs = std::filesystem;
    const fs::path outputs = fs::path(gc::bench::SampleFolder()) / "mrc-style-output";
    fs::remove_all(outputs);
    fs::create_directories(outputs);
    gc::RunSettings parameters;
    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = outputs.string() + "/";
    parameters.m_bMrc2014 = mrc2014;
    Silent messages;
    gc::NullProgress progress;
    // The scan in the page cache for every run alike.
    gc::bench::ReadAllTiles(path);
    const auto start = std::chrono::steady_clock::now();
    const gc::RunOutcome outcome = gc::SplitOneScan(path, parameters, messages, progress);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fs::remove_all(outputs);
    return outcome == gc::RunOutcome::Done ? seconds : -1.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    TIFFSetWarningHandler(nullptr);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("%-8s %12s %12s %7s   (medians of %d runs, seconds)\n", "scan", "classic", "mrc2014", "ratio",
                repetitions);
    for (ScanCompression compression : {ScanCompression::None, ScanCompression::Deflate}) {
        const std::string path = gc::bench::EnsureSample(
            gc::bench::DefaultSample(compression),
            std::string("scan-36000x30000-t256-") + gc::tools::CompressionName(compression) + "-seed1.tif");
        if (path.empty()) {
            std::printf("%-8s no sample scan\n", gc::tools::CompressionName(compression));
            continue;
        }
        std::vector<double> classic, modern;
        for (int i = 0; i < repetitions; ++i) {
            classic.push_back(TimedRun(path, false));
            modern.push_back(TimedRun(path, true));
        }
        const double a = Median(classic), b = Median(modern);
        std::printf("%-8s %12.2f %12.2f %7.2f\n", gc::tools::CompressionName(compression), a, b, b / a);
    }
    return 0;
}
