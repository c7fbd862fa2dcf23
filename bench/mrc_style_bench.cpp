// The Run in the classic MRC style against the Run with MRC2014 headers (the images as unsigned
// 16-bit: twice the bytes written) on the default 36,000 × 30,000 sample, uncompressed and Deflate.
// The two styles run alternately, as many times as the first argument says (default 3), and the
// summary sets their medians side by side with the ratio; the goal is MRC2014 within 1.3 × classic.
// The process's CPU time (user and system, every thread) of each run is summed up the same way: on a
// machine others are using, it tells more than the real time.
#include "BenchSupport.h"

#include "core/Messages.h"
#include "core/Progress.h"
#include "split/RunDriver.h"
#include "split/RunSettings.h"

#include <sys/resource.h>
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

// CPU seconds (user and system, every thread) the process has used so far.
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Timing {
    double real = -1, cpu = -1;
};

// Real and CPU seconds of one Run of the default parameters over the sample; negative when it
// failed. The outputs are removed afterwards, outside the timing.
Timing TimedRun(const std::string& path, bool mrc2014) {
    namespace fs = std::filesystem;
    const fs::path outputs = fs::path(gc::bench::SampleFolder()) / "mrc-style-output";
    fs::remove_all(outputs);
    fs::create_directories(outputs);
    gc::RunSettings parameters;
    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = outputs.string() + "/";
    parameters.mrc.style = gc::MrcStyleFor(mrc2014);
    Silent messages;
    gc::NullProgress progress;
    // The scan in the page cache for every run alike.
    gc::bench::ReadAllTiles(path);
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    const gc::RunOutcome outcome = gc::SplitOneScan(path, parameters, messages, progress);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuStart;
    fs::remove_all(outputs);
    return outcome == gc::RunOutcome::Done ? Timing{seconds, cpu} : Timing{};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1.0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    TIFFSetWarningHandler(nullptr);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("%-8s %12s %12s %7s %12s %12s %7s   (medians of %d runs, seconds)\n", "scan", "classic",
                "mrc2014", "ratio", "cpu classic", "cpu mrc2014", "ratio", repetitions);
    for (ScanCompression compression : {ScanCompression::None, ScanCompression::Deflate}) {
        const std::string path = gc::bench::EnsureSample(
            gc::bench::DefaultSample(compression),
            std::string("scan-36000x30000-t256-") + gc::tools::CompressionName(compression) + "-seed1.tif");
        if (path.empty()) {
            std::printf("%-8s no sample scan\n", gc::tools::CompressionName(compression));
            continue;
        }
        std::vector<double> classic, modern, classicCpu, modernCpu;
        for (int i = 0; i < repetitions; ++i) {
            const Timing a = TimedRun(path, false), b = TimedRun(path, true);
            classic.push_back(a.real);
            classicCpu.push_back(a.cpu);
            modern.push_back(b.real);
            modernCpu.push_back(b.cpu);
        }
        const double a = Median(classic), b = Median(modern);
        const double ac = Median(classicCpu), bc = Median(modernCpu);
        std::printf("%-8s %12.2f %12.2f %7.2f %12.2f %12.2f %7.2f\n", gc::tools::CompressionName(compression),
                    a, b, b / a, ac, bc, bc / ac);
    }
    return 0;
}
