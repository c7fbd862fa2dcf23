// The run report: a JSON document of what a Run did, for scripts and lab records. Its schema is
// described in the README ("Run report"). The command line writes it with WriteWholeFile (through a
// temporary name, renamed at the end), so a reader never sees half a report.
#pragma once

#include "RunRecord.h"
#include "RunSettings.h"

#include <string>
#include <vector>

namespace gc {

struct RunReportSettings {
    const RunSettings& parameters;
    std::string version; // the program's version number
    int threads = 0;     // the threads the Run used
    bool dryRun = false;
    bool preview = false;
    bool keepGoing = false;
    bool strict = false;
};

// `bytes` as UTF-8 text for a JSON string: valid UTF-8 is kept as it is; every other byte (a file name
// in Latin-1, say) stands for the character of that number, U+0080..U+00FF, as Latin-1 reads it, so
// the report is valid JSON for every reader and a Latin-1 name reads as it was meant.
std::string JsonTextOfBytes(const std::string& bytes);

// The report as JSON text (two-space indentation, a final newline).
std::string RunReportJson(const RunReportSettings& settings, const std::vector<ScanRecord>& scans,
                          const std::string& runOutcome);

} // namespace gc
