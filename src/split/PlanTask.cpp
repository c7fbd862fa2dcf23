#include "PlanTask.h"

#include "PlanMessages.h"
#include "core/PendingFile.h"
#include "core/TiffErrors.h"

#include <utility>

namespace gc {

void RemoveLeftoverTemporaries(const std::string& finalPath) {
    const std::size_t slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : finalPath.substr(0, slash + 1);
    RemoveStaleTemporaries(folder, finalPath.substr(slash == std::string::npos ? 0 : slash + 1));
}

namespace {

// What splitting one planned scan left: its record and its result.
struct PlannedSplit {
    ScanRecord record;
    SplitResult result;
};

// A RunDriver set up for scan `index` as the one Run of the batch reached it.
PlannedSplit SplitPlannedScan(const RunPlan& plan, std::size_t index, const RunSettings& parameters,
                              Messages& messages, Progress& progress, int threads, bool dryRun) {
    const BatchState state = BatchStateBefore(plan, index);
    TiffErrorScope tiffErrors(messages);
    RunDriver driver(parameters, messages, progress);
    driver.SetThreads(threads);
    driver.SetDryRun(dryRun);
    driver.PrepareRun();
    driver.ContinueBatch(state.namesMade, state.inputs, state.earlierOutputs);
    driver.SetGivenCorners(plan.scans[index].images);
    SplitResult split = driver.SplitScanFile(plan.scans[index].path, 0);
    return {driver.Records().back(), std::move(split)};
}

} // namespace

PlanTaskResult RunPlanTask(const RunPlan& plan, std::size_t index, Messages& messages, Progress& progress,
                           int threads) {
    PlanTaskResult result;
    const PlannedScan& planned = plan.scans.at(index);
    const RunSettings parameters = TaskParameters(plan, index);
    const auto refuse = [&](const std::string& change) {
        result.refused = true;
        result.refusal = planned.path + PLAN_MSG_SCAN_CHANGED + change;
        result.record.path = planned.path;
        messages.Warning(result.refusal);
        return result;
    };

    if (const std::string change = ScanIdentityChange(planned, IdentifyScan(planned.path)); !change.empty())
        return refuse(change);

    // A search of the scan, writing nothing, must name its images as the plan does.
    SilentMessages silent;
    NullProgress quiet;
    const PlannedSplit found = SplitPlannedScan(plan, index, parameters, silent, quiet, threads, true);
    result.outcome = found.result.outcome;
    if (const std::string change = FindsChange(planned, found.record); !change.empty())
        return refuse(change);

    for (const ImageRecord& image : planned.images)
        for (const OutputRecord& output : image.outputs)
            RemoveLeftoverTemporaries(output.path);

    progress.SetRange(0, PROGRESS_END);
    progress.SetPos(PROGRESS_START);
    PlannedSplit split = SplitPlannedScan(plan, index, parameters, messages, progress, threads, false);
    result.record = std::move(split.record);
    result.outcome = split.result.outcome;
    result.imagesNotWritten = ImagesNotWritten(result.record);
    if (const char* fatal = FatalMessage(result.outcome)) {
        if (const std::string reason = split.result.Reason(); !reason.empty())
            messages.Detail(reason);
        messages.Error(fatal);
    } else if (result.outcome == RunOutcome::Done) {
        progress.SetPos(PROGRESS_END);
        for (const ImageRecord& image : result.record.images)
            result.imagesNotFound += image.found ? 0 : 1;
    }
    return result;
}

} // namespace gc
