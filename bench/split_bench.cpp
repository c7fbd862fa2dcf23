// The Run's benchmark: the default 36,000 × 30,000 sample scan, uncompressed and Deflate, read and
// decoded once tile by tile (the baseline), then split as a Run of that one file does. The closing
// summary gives both times, their ratio and the peak memory.
#include "BenchSupport.h"

#include <tiffio.h>

#include <cstdio>

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

} // namespace

int main(int argc, char** argv) {
    TIFFSetWarningHandler(nullptr);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    gc::bench::TimingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n%-10s %12s %12s %8s %14s\n", "scan", "read s", "split s", "ratio", "peak RSS MiB");
    for (const char* compression : {"none", "deflate"}) {
        const double read =
            reporter.Seconds(std::string("ReadDecode/") + compression + "/iterations:1/real_time");
        const double split =
            reporter.Seconds(std::string("Split/") + compression + "/iterations:1/real_time");
        const double peak =
            std::max(reporter.Counter(std::string("ReadDecode/") + compression + "/iterations:1/real_time",
                                      "peak_rss_MiB"),
                     reporter.Counter(std::string("Split/") + compression + "/iterations:1/real_time",
                                      "peak_rss_MiB"));
        if (read < 0)
            continue;
        if (split < 0)
            std::printf("%-10s %12.2f %12s %8s %14.1f\n", compression, read, "-", "-", peak);
        else
            std::printf("%-10s %12.2f %12.2f %8.2f %14.1f\n", compression, read, split, split / read, peak);
    }
    return 0;
}
