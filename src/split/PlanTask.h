// One task of a plan: splits scan K of a planned batch on its own, under exactly the names the one
// Run of the batch gives it. The scan must be the planned one (same size and modification time) and
// a search of it must find its images where the plan has them with the same names and clash
// decisions; otherwise nothing is written and the task is refused with what changed. Leftover
// temporaries of a killed earlier attempt at the task's outputs are removed first when they are
// provably abandoned (RemoveStaleTemporaries): a temporary another task or Run may still be writing,
// on this node or another, is never touched. A task can be run again (or requeued) at any time and
// ends with the same whole files.
#pragma once

#include "RunDriver.h"
#include "RunPlan.h"
#include "core/Messages.h"
#include "core/Progress.h"

#include <functional>
#include <string>

namespace gc {

struct PlanTaskResult {
    bool refused = false;
    std::string refusal; // what changed, when refused
    RunOutcome outcome = RunOutcome::Done;
    int imagesNotFound = 0;
    int imagesNotWritten = 0;
    ScanRecord record;
};

// Splits scan `index` (0-based) of `plan`; relative paths are taken from the working folder. The
// refusal is shown as a warning naming the scan; a fatal outcome's detail and message are shown.
PlanTaskResult RunPlanTask(const RunPlan& plan, std::size_t index, Messages& messages, Progress& progress,
                           int threads);

// Removes the abandoned temporaries "<folder>/.<name>.gc-*.tmp" left beside `finalPath` by a process
// of this host that was killed.
void RemoveLeftoverTemporaries(const std::string& finalPath);

} // namespace gc
