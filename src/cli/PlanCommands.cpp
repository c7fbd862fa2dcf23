// The task and merge commands of planned batches. A task changes into the plan's working folder, so
// relative scan and output names mean what they meant when the plan was made; its report part goes
// to "<plan>.parts/<K>.json" beside the plan. Threads default to the CPUs SLURM gave the task.
#include "PlanCommands.h"

#include "CliShell.h"
#include "CommandMessages.h"
#include "RunPrinter.h"
#include "core/PendingFile.h"
#include "core/Version.h"
#include "split/PlanChecks.h"
#include "split/PlanMessages.h"
#include "split/PlanTask.h"
#include "split/RunPlan.h"
#include "split/SplitMessages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace gc::cli {
namespace {

// The task's scan as split prints it once the scan is done: a line per image written on standard
// output (unless quiet), each image not found or not written on standard error.
void PrintTaskImages(const ScanRecord& record, bool quiet, Messages& messages) {
    RunTally tally;
    tally.scans = 1;
    tally.scansSkipped = record.outcome == ScanOutcome::Skipped ? 1 : 0;
    tally.scansStopped =
        record.outcome == ScanOutcome::Fatal || record.outcome == ScanOutcome::Interrupted ? 1 : 0;
    for (const ImageRecord& image : record.images) {
        const std::string prefix = "image " + std::to_string(image.number) + ": ";
        tally.sizeWarnings += static_cast<int>(image.warnings.size());
        if (!image.found) {
            if (record.outcome == ScanOutcome::Done) {
                messages.Warning(prefix + "not found");
                ++tally.imagesNotFound;
            }
        } else if (!image.notWrittenReason.empty()) {
            messages.Warning(prefix + "not written: " + image.notWrittenReason);
            ++tally.imagesNotWritten;
        } else if (image.written) {
            ++tally.imagesWritten;
            if (!quiet)
                std::printf("%s\n", ImageLine(record.path, image, false).c_str());
        }
    }
    std::printf("%s\n", TallyLine(tally, false).c_str());
    std::fflush(stdout);
}

// A whole positive number written in digits only (no sign, no blanks), or 0.
int PositiveNumber(const char* text) {
    if (text == nullptr || *text < '0' || *text > '9')
        return 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value > 0 && value <= 1000000000 ? static_cast<int>(value) : 0;
}

int TaskNumber(const std::string& task) {
    if (task == "auto") {
        const int number = PositiveNumber(std::getenv("SLURM_ARRAY_TASK_ID"));
        if (number == 0)
            throw UsageError{"--task auto: SLURM_ARRAY_TASK_ID is not set to a task number"};
        return number;
    }
    const int number = PositiveNumber(task.c_str());
    if (number == 0)
        throw UsageError{"--task takes a number from 1 or \"auto\": " + task};
    return number;
}

bool WritePart(const std::string& path, const std::string& json, std::string& error) {
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), made);
    return WriteWholeFile(path, json.data(), json.size(), error);
}

// Reads the plan at `planPath` (named `givenPath` on the command line) and checks that it has a
// scan for `task`; a usage error otherwise.
RunPlan ReadPlanForTask(const std::string& planPath, const std::string& givenPath, int task) {
    std::string text, problem;
    if (!ReadPlanFile(planPath, text, problem))
        throw UsageError{problem.empty() ? "--plan: cannot read " + givenPath
                                         : "--plan: " + givenPath + ": " + problem};
    RunPlan plan;
    std::string error;
    if (!ReadRunPlan(text, givenPath, plan, error))
        throw UsageError{error};
    if (static_cast<std::size_t>(task) > plan.scans.size())
        throw UsageError{"--task " + std::to_string(task) + ": the plan has " +
                         std::to_string(plan.scans.size()) + " scans"};
    return plan;
}

// A task's exit: a refused scan or an unwritten part is a skip; then the Run's own outcome, where
// an image not found or not written is a skip too.
Outcome TaskOutcome(const PlanTaskResult& result, bool partWritten) {
    if (result.refused || !partWritten)
        return Outcome::Skipped;
    if (result.outcome == RunOutcome::Interrupted)
        return Outcome::Interrupted;
    if (IsFatal(result.outcome))
        return Outcome::Fatal;
    if (result.outcome == RunOutcome::Skipped || result.imagesNotFound > 0 || result.imagesNotWritten > 0)
        return Outcome::Skipped;
    return Outcome::Done;
}

// Why the merge's report must not be written to `output` ("" when it may): it would replace a file of
// the batch, or a file made read-only.
std::string MergeOutputRefusal(const MergeResult& merged, const std::string& output) {
    if (merged.batchFiles.ClashOf(output) != NameClash::None)
        return output + PLAN_MSG_MERGE_IS_BATCH_FILE;
    if (IsReadOnlyFile(output))
        return MSG_OUTPUT_READ_ONLY + output;
    return {};
}

} // namespace

std::string PlanWorkingFolder() {
    std::error_code error;
    return std::filesystem::current_path(error).string();
}

int RunPlanTaskCommand(const PlanTaskOptions& options) {
    const int task = TaskNumber(options.task);
    const std::string planPath = std::filesystem::absolute(options.planPath).lexically_normal().string();
    const RunPlan plan = ReadPlanForTask(planPath, options.planPath, task);
    std::string error;
    int threads = options.threads;
    if (threads == 0)
        threads = PositiveNumber(std::getenv("SLURM_CPUS_PER_TASK"));

    CliProgress bar("split");
    ProgressAwareMessages messages(bar);
    const std::size_t index = static_cast<std::size_t>(task - 1);
    const RunSettings parameters = TaskParameters(plan, index);
    const RunReportSettings settings{parameters, VersionNumber(), threads, false, false, false};
    const std::string partPath = TaskPartPath(planPath, task);

    PlanTaskResult result;
    if (::chdir(plan.workingDir.c_str()) != 0) {
        result.refused = true;
        result.record.path = plan.scans[index].path;
        result.refusal = plan.scans[index].path + ": the plan's working folder " + plan.workingDir +
                         " cannot be entered: " + std::strerror(errno);
        messages.Warning(result.refusal);
    } else {
        // The plan's output folder is made when it is gone, as split makes its --output-dir.
        if (parameters.m_bOutputDir && !parameters.m_strOutputDir.empty()) {
            std::error_code made;
            std::filesystem::create_directories(parameters.m_strOutputDir, made);
        }
        messages.SetSubject(plan.scans[index].path);
        if (!options.quiet) {
            // The threads the Run uses: every core unless a number was given.
            const unsigned cores = std::thread::hardware_concurrency();
            const int used = threads > 0 ? threads : std::max(1, static_cast<int>(cores));
            std::printf("%s\n", SettingsLine(parameters, used, false).c_str());
            std::fflush(stdout);
        }
        result = RunPlanTask(plan, index, messages, bar, threads);
        bar.Finish();
        if (!result.refused)
            PrintTaskImages(result.record, options.quiet, messages);
    }
    const bool partWritten =
        WritePart(partPath, TaskPartJson(settings, task, result.record, result.refusal), error);
    if (!partWritten)
        messages.Detail(error);
    return ExitStatusFor(TaskOutcome(result, partWritten));
}

void AddReportCommand(CLI::App& app) {
    struct ReportOptions {
        std::string plan;
        std::string output;
    };
    auto options = std::make_shared<ReportOptions>();
    CLI::App* command = app.add_subcommand(
        "report", "Merge the report parts of a planned batch's tasks into the batch's run report");
    command
        ->add_option("--merge", options->plan,
                     "the plan (written by split --dry-run --report PLAN.json); the tasks' parts are read "
                     "from PLAN.json.parts/")
        ->type_name("PLAN.json")
        ->required();
    command
        ->add_option("--output", options->output,
                     "where the batch's report goes (default: the plan's name with -report.json for .json)")
        ->type_name("FILE.json");
    AddVersionFlag(*command, CLI_EXAMPLES_REPORT,
                   "Lists every task that has no report part or that failed (refused because its "
                   "scan changed, stopped or interrupted) on standard error; exit status 0 only "
                   "when every task is done, 3 otherwise.");
    command->callback([options] {
        MergeResult merged;
        std::string error;
        if (!MergeRunPlan(options->plan, VersionNumber(), merged, error))
            throw UsageError{error};
        std::string output = options->output;
        if (output.empty()) {
            const std::string& plan = options->plan;
            const bool json = plan.size() > 5 && plan.compare(plan.size() - 5, 5, ".json") == 0;
            output = (json ? plan.substr(0, plan.size() - 5) : plan) + "-report.json";
        }
        CliMessages printed;
        if (const std::string refusal = MergeOutputRefusal(merged, output); !refusal.empty()) {
            printed.Warning(std::string(MSG_REPORT_LABEL) + MSG_RUN_IMAGE_NOT_WRITTEN + refusal);
            CommandStatus() = ExitStatusFor(Outcome::Skipped);
            return;
        }
        for (const std::string& line : merged.missing)
            printed.Detail(line);
        for (const std::string& line : merged.failed)
            printed.Detail(line);
        if (!WriteWholeFile(output, merged.reportJson.data(), merged.reportJson.size(), error)) {
            printed.Detail(error);
            CommandStatus() = ExitStatusFor(Outcome::Skipped);
            return;
        }
        const bool complete = merged.missing.empty() && merged.failed.empty();
        std::printf("%s: %s\n", output.c_str(),
                    complete ? "every task done"
                             : (std::to_string(merged.missing.size()) + " missing, " +
                                std::to_string(merged.failed.size()) + " failed")
                                   .c_str());
        CommandStatus() = ExitStatusFor(complete ? Outcome::Done : Outcome::Skipped);
    });
}

} // namespace gc::cli
