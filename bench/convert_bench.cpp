// Convert's benchmark: a 10,000 × 10,000 16-bit greyscale TIFF (strips of 16 rows, generated once and
// cached in the build folder), read once strip by strip (the baseline), then converted to optical
// density without binning and with a 2 × 2 binned copy. The closing summary gives the times, their
// ratios to the read and the peak memory.
#include "BenchSupport.h"
#include "convert/Convert.h"
#include "convert/GainTable.h"
#include "convert/OutputNames.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "core/TiffHandle.h"

#include <tiffio.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <new>
#include <vector>

// Every C++ allocation is counted, so the summary can show the peak of the buffers Convert holds
// (strip, rows, density table, accumulators) apart from the pages libtiff maps.
namespace {
std::atomic<std::size_t> g_heapBytes{0};
std::atomic<std::size_t> g_heapPeak{0};
} // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    const std::size_t now = g_heapBytes += malloc_usable_size(block);
    std::size_t peak = g_heapPeak.load();
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
    }
    return block;
}
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* block) noexcept {
    if (block == nullptr)
        return;
    g_heapBytes -= malloc_usable_size(block);
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    operator delete(block);
}
#pragma GCC diagnostic pop

namespace {

namespace fs = std::filesystem;
using gc::TiffHandle;

constexpr std::uint32_t SIDE = 10000;
constexpr std::uint32_t ROWS_PER_STRIP = 16;

// A smooth 16-bit film-like pattern with some texture; written strip by strip.
bool WriteSample(const std::string& path) {
    TiffHandle tiff(TIFFOpen(path.c_str(), "w"));
    if (!tiff)
        return false;
    TIFF* t = tiff.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, SIDE);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, SIDE);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, ROWS_PER_STRIP);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    std::vector<std::uint16_t> strip(static_cast<std::size_t>(SIDE) * ROWS_PER_STRIP);
    std::uint32_t noise = 12345;
    for (std::uint32_t s = 0; s < SIDE / ROWS_PER_STRIP; ++s) {
        for (std::uint32_t r = 0; r < ROWS_PER_STRIP; ++r) {
            const std::uint32_t y = s * ROWS_PER_STRIP + r;
            for (std::uint32_t x = 0; x < SIDE; ++x) {
                noise = noise * 1664525u + 1013904223u;
                strip[static_cast<std::size_t>(r) * SIDE + x] =
                    static_cast<std::uint16_t>(8000 + (x + y) * 2 + (noise >> 22));
            }
        }
        if (TIFFWriteEncodedStrip(t, s, strip.data(), static_cast<tmsize_t>(strip.size() * 2)) < 0)
            return false;
    }
    return true;
}

std::string Sample() {
    static const std::string path = [] {
        const fs::path folder = gc::bench::SampleFolder();
        std::error_code ignored;
        fs::create_directories(folder, ignored);
        const fs::path file = folder / "od-10000x10000-16bit-r16.tif";
        if (fs::exists(file))
            return file.string();
        const fs::path partial = folder / "od-10000x10000-16bit-r16.tif.partial";
        std::fprintf(stderr, "generating %s ...\n", file.c_str());
        if (!WriteSample(partial.string())) {
            fs::remove(partial, ignored);
            return std::string();
        }
        fs::rename(partial, file, ignored);
        return ignored ? std::string() : file.string();
    }();
    return path;
}

void ReadStrips(benchmark::State& state) {
    const std::string path = Sample();
    if (path.empty()) {
        state.SkipWithError("no sample");
        return;
    }
    gc::bench::ResetPeakRss();
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        TiffHandle tiff(TIFFOpen(path.c_str(), "r"));
        std::vector<unsigned char> buffer(static_cast<std::size_t>(TIFFStripSize(tiff.get())));
        bytes = 0;
        for (std::uint32_t s = 0; s < TIFFNumberOfStrips(tiff.get()); ++s) {
            const tmsize_t read = TIFFReadEncodedStrip(tiff.get(), s, buffer.data(), -1);
            if (read < 0) {
                state.SkipWithError("strip read failed");
                return;
            }
            bytes += static_cast<std::uint64_t>(read);
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
    state.counters["peak_rss_MiB"] = gc::bench::PeakRssMiB();
}

void Convert(benchmark::State& state, int binSize) {
    const std::string path = Sample();
    if (path.empty()) {
        state.SkipWithError("no sample");
        return;
    }
    gc::ConvertSettings settings;
    settings.m_fit = {static_cast<float>(gc::DEFAULT_GAIN_SETTING.a),
                      static_cast<float>(gc::DEFAULT_GAIN_SETTING.x0),
                      static_cast<float>(gc::DEFAULT_GAIN_SETTING.y0)};
    settings.m_nBinSize = binSize;
    gc::SilentMessages messages;
    gc::NullProgress progress;
    const std::string lastRun = (fs::path(gc::bench::SampleFolder()) / "last_run_parameters.txt").string();
    gc::bench::ResetPeakRss();
    g_heapPeak = g_heapBytes.load();
    const std::size_t heapBefore = g_heapBytes.load();
    for (auto _ : state) {
        settings.m_nOutputFormat = gc::OUTPUT_FORMAT_AUTO;
        if (gc::ConvertFiles({path}, settings, lastRun, messages, progress) != gc::ConvertOutcome::Done) {
            state.SkipWithError("convert failed");
            return;
        }
    }
    state.counters["peak_rss_MiB"] = gc::bench::PeakRssMiB();
    state.counters["peak_heap_MiB"] = static_cast<double>(g_heapPeak.load() - heapBefore) / (1024.0 * 1024.0);
    std::error_code ignored;
    fs::remove(gc::OdFileName(path), ignored);
    if (binSize != 0)
        fs::remove(gc::OdBinnedFileName(path, binSize), ignored);
}

BENCHMARK(ReadStrips)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(Convert, none, 0)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(Convert, bin2, 2)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    TIFFSetWarningHandler(nullptr);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    gc::bench::TimingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const std::string read = "ReadStrips/iterations:1/real_time";
    if (reporter.Seconds(read) <= 0)
        return 0;
    std::printf("\n%-14s %9s %7s %9s %7s %13s %14s\n", "10000x10000/16", "real s", "ratio", "cpu s", "ratio",
                "peak RSS MiB", "peak heap MiB");
    for (const char* name : {"ReadStrips", "Convert/none", "Convert/bin2"}) {
        const std::string run = std::string(name) + "/iterations:1/real_time";
        if (reporter.Seconds(run) < 0)
            continue;
        std::printf("%-14s %9.2f %7.2f %9.2f %7.2f %13.1f", name, reporter.Seconds(run),
                    reporter.Seconds(run) / reporter.Seconds(read), reporter.CpuSeconds(run),
                    reporter.CpuSeconds(run) / reporter.CpuSeconds(read),
                    reporter.Counter(run, "peak_rss_MiB"));
        const double heap = reporter.Counter(run, "peak_heap_MiB");
        if (heap >= 0)
            std::printf(" %14.2f\n", heap);
        else
            std::printf(" %14s\n", "-");
    }
    std::printf(
        "Ratios are to the plain strip read of the same file. Convert reads the file twice, writes\n"
        "400 MB of float32 and, binned, reads that back once more. Peak RSS counts the pages of the\n"
        "input that libtiff maps for reading as well as allocations; peak heap counts only the buffers\n"
        "Convert allocates (one strip, one row, the density table, one row of accumulators).\n");
    return 0;
}
