#include "BenchSupport.h"
#include "core/TiffHandle.h"

#include <tiffio.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace gc::bench {

tools::ScanSpec DefaultSample(tools::ScanCompression compression) {
    tools::ScanSpec recipe;
    recipe.m_compression = compression;
    return recipe;
}

std::string SampleFolder() {
    return GC_BENCH_SAMPLES;
}

std::string EnsureSample(const tools::ScanSpec& recipe, const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path folder = SampleFolder();
    const fs::path path = folder / name;
    std::error_code ignored;
    if (fs::exists(path, ignored))
        return path.string();
    fs::create_directories(folder, ignored);
    const fs::path partial = folder / (name + ".partial");
    std::fprintf(stderr, "generating %s ...\n", path.string().c_str());
    std::string error;
    if (!tools::GenerateScan(recipe, partial.string(), nullptr, &error)) {
        std::fprintf(stderr, "cannot generate %s: %s\n", path.string().c_str(), error.c_str());
        fs::remove(partial, ignored);
        return {};
    }
    fs::rename(partial, path);
    return path.string();
}

std::uint64_t ReadAllTiles(const std::string& path) {
    TiffHandle tif(TIFFOpen(path.c_str(), "r"));
    if (!tif)
        return 0;
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(TIFFTileSize(tif.get())));
    const std::uint32_t tiles = TIFFNumberOfTiles(tif.get());
    std::uint64_t bytes = 0;
    for (std::uint32_t t = 0; t < tiles; ++t) {
        const tmsize_t decoded = TIFFReadEncodedTile(tif.get(), t, tile.data(), -1);
        if (decoded < 0)
            return 0;
        bytes += static_cast<std::uint64_t>(decoded);
    }
    benchmark::DoNotOptimize(tile.data());
    return bytes;
}

std::uint64_t DecodeAllTiles(const std::string& path, int threads) {
    std::atomic<std::uint32_t> next{0};
    std::atomic<std::uint64_t> bytes{0};
    std::atomic<bool> failed{false};
    const auto decode = [&] {
        TiffHandle tif(TIFFOpen(path.c_str(), "rm"));
        if (!tif) {
            failed = true;
            return;
        }
        std::vector<std::uint8_t> tile(static_cast<std::size_t>(TIFFTileSize(tif.get())));
        const std::uint32_t tiles = TIFFNumberOfTiles(tif.get());
        std::uint64_t mine = 0;
        for (std::uint32_t t = next++; t < tiles && !failed; t = next++) {
            const tmsize_t decoded = TIFFReadEncodedTile(tif.get(), t, tile.data(), -1);
            if (decoded < 0)
                failed = true;
            else
                mine += static_cast<std::uint64_t>(decoded);
        }
        benchmark::DoNotOptimize(tile.data());
        bytes += mine;
    };
    std::vector<std::thread> helpers;
    for (int i = 1; i < threads; ++i)
        helpers.emplace_back(decode);
    decode();
    for (std::thread& helper : helpers)
        helper.join();
    return failed ? 0 : bytes.load();
}

double PeakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

bool ResetPeakRss() {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen("/proc/self/clear_refs", "w"),
                                                         std::fclose);
    return file && std::fputs("5", file.get()) >= 0 && std::fflush(file.get()) == 0;
}

TimingReporter::TimingReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

void TimingReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred)
            continue;
        const std::string name = run.benchmark_name();
        m_seconds[name] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        m_cpuSeconds[name] = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        for (const auto& [counter, value] : run.counters)
            m_counters[name][counter] = value.value;
    }
    ConsoleReporter::ReportRuns(runs);
}

double TimingReporter::Seconds(const std::string& name) const {
    const auto it = m_seconds.find(name);
    return it == m_seconds.end() ? -1.0 : it->second;
}

double TimingReporter::CpuSeconds(const std::string& name) const {
    const auto it = m_cpuSeconds.find(name);
    return it == m_cpuSeconds.end() ? -1.0 : it->second;
}

double TimingReporter::Counter(const std::string& name, const std::string& counter) const {
    const auto it = m_counters.find(name);
    if (it == m_counters.end())
        return -1.0;
    const auto value = it->second.find(counter);
    return value == it->second.end() ? -1.0 : value->second;
}

} // namespace gc::bench
