// A plan: the report of a dry run, extended with what later Runs need to split each scan of the batch
// separately under exactly the names the one Run would give (the working folder, each scan's size
// and modification time). Settings, the scans' order, every image's corner and output name and every
// clash decision are the report's own fields. A task splits one scan of the plan; the merge puts the
// tasks' report parts together into the batch's report.
#pragma once

#include "RunRecord.h"
#include "RunReport.h"
#include "RunSettings.h"
#include "core/NameRegistry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gc {

// What identifies a scan's contents without reading them.
struct ScanIdentity {
    bool exists = false;
    std::uintmax_t size = 0;
    std::int64_t mtimeNs = 0; // nanoseconds since the epoch
};
ScanIdentity IdentifyScan(const std::string& path);

struct PlannedScan {
    std::string path;
    ScanIdentity identity;
    ScanOutcome outcome = ScanOutcome::Done;
    std::vector<ImageRecord> images; // number, found, corner, name and notWrittenReason
};

struct RunPlan {
    RunSettings parameters; // the settings, without the input list
    std::string workingDir; // relative scan and output paths are relative to it
    std::vector<PlannedScan> scans;
};

// The plan as JSON: the dry run's report with "plan" (the working folder) and each file's "size" and
// "mtime_ns" added.
std::string RunPlanJson(const RunReportSettings& settings, const std::vector<ScanRecord>& scans,
                        const std::string& runOutcome, const std::string& workingDir);

// Reads a plan; false with `error` (naming `planPath`) when the text is no plan or its dry run stopped.
bool ReadRunPlan(const std::string& text, const std::string& planPath, RunPlan& plan, std::string& error);

// The Run's parameters for scan `index` (0-based) split alone.
RunSettings TaskParameters(const RunPlan& plan, std::size_t index);

// How the Run stood when the batch reached scan `index`: the names made before it, the batch's
// inputs and the outputs written before it (an image is not written over any of these).
struct BatchState {
    int namesMade = 0;
    std::vector<std::string> inputs;
    std::vector<std::string> earlierOutputs;
};
BatchState BatchStateBefore(const RunPlan& plan, std::size_t index);

// "" when the scan is the one planned, else what changed ("size 12 bytes, planned 10; ...").
std::string ScanIdentityChange(const PlannedScan& planned, const ScanIdentity& now);
// "" when a dry run of the scan finds and names its images as planned, else what differs.
std::string FindsChange(const PlannedScan& planned, const ScanRecord& now);

// "<plan>.parts/<task>.json", the report part of task `task` (1-based).
std::string TaskPartPath(const std::string& planPath, int task);

// A task's report part: the task number, the scan's path, its outcome ("refused" with the refusal as
// its message when the scan changed) and the scan's entry as the run report writes it.
std::string TaskPartJson(const RunReportSettings& settings, int task, const ScanRecord& record,
                         const std::string& refusal);

struct MergeResult {
    std::string reportJson;           // the batch's report, the run report's schema
    std::vector<std::string> missing; // "task K (scan)" lines of tasks without a part
    std::vector<std::string> failed;  // "task K (scan): reason" of refused, stopped or interrupted tasks
    NameRegistry batchFiles;          // the plan, its scans and parts, the planned outputs: never replaced
};
// Reads every task's part beside `planPath`; false with `error` when the plan cannot be read.
bool MergeRunPlan(const std::string& planPath, const std::string& version, MergeResult& result,
                  std::string& error);

} // namespace gc
