// The Run's benchmark: the default 36,000 × 30,000 sample scan, uncompressed and Deflate, read and
// decoded once tile by tile (the baseline), then split as a Run of that one file does. The closing
// summary gives both times, their ratio and the peak memory.
#include "BenchSupport.h"

#include "core/Messages.h"
#include "core/Progress.h"
#include "split/RunDriver.h"
#include "split/RunSettings.h"

#include <tiffio.h>

#include <cstdio>
#include <filesystem>

namespace {

using gc::tools::ScanCompression;

std::string SampleFor(ScanCompression compression) {
    return gc::bench::EnsureSample(gc::bench::DefaultSample(compression),
                                   std::string("scan-36000x30000-t256-") +
                                       gc::tools::CompressionName(compression) + "-seed1.tif");
}

void ReadDecode(benchmark::State& state, ScanCompression compression) {
    const std::string path = SampleFor(compression);
    if (path.empty()) {
        state.SkipWithError("no sample scan");
        return;
    }
    std::uint64_t bytes = 0;
    gc::bench::ResetPeakRss();
    for (auto _ : state) {
        bytes = gc::bench::ReadAllTiles(path);
        if (bytes == 0) {
            state.SkipWithError("the scan cannot be read");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
    state.counters["peak_rss_MiB"] = gc::bench::PeakRssMiB();
}

BENCHMARK_CAPTURE(ReadDecode, none, ScanCompression::None)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK_CAPTURE(ReadDecode, deflate, ScanCompression::Deflate)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

// Keeps the first text of a warning or error, to explain a failed split.
class FirstProblem final : public gc::Messages {
public:
    void Show(gc::MessageKind kind, const std::string& text, const std::string& caption = {}) override {
        if (kind != gc::MessageKind::Information && m_strText.empty())
            m_strText = caption.empty() ? text : caption + ": " + text;
    }
    std::string m_strText;
};

// One Run of the default parameters (six images, 10 × 8 cm, MRC, no binning) over the sample; the six
// outputs are removed between iterations, outside the timing.
void Split(benchmark::State& state, ScanCompression compression) {
    namespace fs = std::filesystem;
    const std::string path = SampleFor(compression);
    if (path.empty()) {
        state.SkipWithError("no sample scan");
        return;
    }
    const fs::path outputs = fs::path(gc::bench::SampleFolder()) / "split-output";
    fs::remove_all(outputs);
    fs::create_directories(outputs);
    gc::RunSettings parameters;
    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = outputs.string() + "/";
    FirstProblem messages;
    gc::NullProgress progress;
    std::uintmax_t written = 0;
    gc::bench::ResetPeakRss();
    for (auto _ : state) {
        const gc::RunOutcome outcome = gc::SplitOneScan(path, parameters, messages, progress);
        state.PauseTiming();
        std::size_t files = 0;
        written = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(outputs)) {
            ++files;
            written += entry.file_size();
        }
        fs::remove_all(outputs);
        fs::create_directories(outputs);
        if (outcome != gc::RunOutcome::Done || files != 6) {
            state.SkipWithError(("the split did not write six images: " + messages.m_strText).c_str());
            return;
        }
        state.ResumeTiming();
    }
    state.counters["peak_rss_MiB"] = gc::bench::PeakRssMiB();
    state.counters["written_MiB"] = static_cast<double>(written) / (1024.0 * 1024.0);
    fs::remove_all(outputs);
}

BENCHMARK_CAPTURE(Split, none, ScanCompression::None)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(Split, deflate, ScanCompression::Deflate)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    TIFFSetWarningHandler(nullptr);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    gc::bench::TimingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n%-8s %9s %9s %7s   %9s %9s %7s   %13s\n", "scan", "read s", "split s", "ratio", "read cpu",
                "split cpu", "ratio", "peak RSS MiB");
    for (const char* compression : {"none", "deflate"}) {
        const std::string read = std::string("ReadDecode/") + compression + "/iterations:1/real_time";
        const std::string split = std::string("Split/") + compression + "/iterations:1/real_time";
        if (reporter.Seconds(read) < 0)
            continue;
        std::printf("%-8s %9.2f", compression, reporter.Seconds(read));
        if (reporter.Seconds(split) < 0) {
            std::printf(" %9s %7s   %9.2f %9s %7s   %13.1f\n", "-", "-", reporter.CpuSeconds(read), "-", "-",
                        reporter.Counter(read, "peak_rss_MiB"));
            continue;
        }
        std::printf(" %9.2f %7.2f   %9.2f %9.2f %7.2f   %6.1f/%6.1f\n", reporter.Seconds(split),
                    reporter.Seconds(split) / reporter.Seconds(read), reporter.CpuSeconds(read),
                    reporter.CpuSeconds(split), reporter.CpuSeconds(split) / reporter.CpuSeconds(read),
                    reporter.Counter(read, "peak_rss_MiB"), reporter.Counter(split, "peak_rss_MiB"));
    }
    std::printf("Times in seconds (real, then CPU of the benchmark thread); ratio = split / read. Peak RSS\n"
                "(read/split) counts the scan's pages that libtiff maps for reading.\n");
    return 0;
}
