// Helpers shared by the benchmarks: sample scans generated once and cached in the build folder, a
// plain read-and-decode of a tiled scan (the baseline every figure is a ratio of), the process's peak
// memory, and a reporter that keeps each benchmark's time for a closing summary.
#pragma once

#include "tools/ScanGenerator.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace gc::bench {

// The default 36,000 × 30,000 sample (tiles 256 × 256, six 8 × 10 cm images, seed 1).
tools::ScanSpec DefaultSample(tools::ScanCompression compression);

// Path of the cached scan for `recipe`, generated first when absent (written under a temporary name
// and renamed, so an interrupted run never leaves a half scan behind). Empty on failure.
std::string EnsureSample(const tools::ScanSpec& recipe, const std::string& name);

// Folder under the build folder for sample scans and scratch outputs.
std::string SampleFolder();

// Reads and decodes every tile once with TIFFReadEncodedTile; returns the bytes decoded (0 on failure).
std::uint64_t ReadAllTiles(const std::string& path);

// The Run's floor: every tile read and decoded once, on `threads` threads, each with a handle of its
// own that reads the file (never maps it), the tiles claimed in the file's order by whichever thread
// is free; nothing is kept or written. Returns the bytes decoded (0 when a tile or handle failed).
std::uint64_t DecodeAllTiles(const std::string& path, int threads);

// The peak resident memory of this process (getrusage) since the last ResetPeakRss, in MiB. It counts
// the pages of a scan that libtiff maps for reading ("r" maps the file) as well as allocations.
double PeakRssMiB();
// Starts a new peak at the current resident size (Linux: /proc/self/clear_refs); false if unsupported,
// then PeakRssMiB is the peak of the whole process.
bool ResetPeakRss();

// Console output as usual, and each run's real time in seconds by benchmark name.
class TimingReporter : public benchmark::ConsoleReporter {
public:
    TimingReporter(); // colours only on a terminal
    void ReportRuns(const std::vector<Run>& runs) override;
    // Real time in seconds of the named benchmark, or a negative value when it did not run.
    double Seconds(const std::string& name) const;
    // CPU time in seconds of the benchmark's thread (less sensitive to a busy machine than real time).
    double CpuSeconds(const std::string& name) const;
    double Counter(const std::string& name, const std::string& counter) const;

private:
    std::map<std::string, double> m_seconds;
    std::map<std::string, double> m_cpuSeconds;
    std::map<std::string, std::map<std::string, double>> m_counters;
};

} // namespace gc::bench
