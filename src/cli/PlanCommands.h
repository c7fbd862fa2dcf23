// Planned batches on the command line: `split --plan PLAN --task K|auto` splits one scan of a plan
// (written by `split --dry-run --report PLAN`), `report --merge PLAN` puts the tasks' report parts
// together into the batch's run report.
#pragma once

#include "split/RunRecord.h"

#include <CLI/CLI.hpp>
#include <string>

namespace gc::cli {

struct PlanTaskOptions {
    std::string planPath;
    std::string task; // a number from 1, or "auto" for SLURM_ARRAY_TASK_ID
    int threads = 0;  // 0: SLURM_CPUS_PER_TASK when set, else every core
    bool quiet = false;
};
// Splits the task's scan and writes its report part; returns the exit status.
int RunPlanTaskCommand(const PlanTaskOptions& options);

// The working folder a new plan records.
std::string PlanWorkingFolder();

void AddReportCommand(CLI::App& app);

} // namespace gc::cli
