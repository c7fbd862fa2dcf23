// split: the Run from the command line. The options are checked against the values the parameter
// dialog offers (anything else is a usage error) and set into the Run settings, then the Run splits
// every FILE. RunPrinter prints the settings line, the image lines
// and the tally; problems go to standard error; progress is a bar on a terminal, lines otherwise.
#include "CliShell.h"
#include "CommandMessages.h"
#include "MrcOptions.h"
#include "PlanCommands.h"
#include "RunPrinter.h"

#include "core/PendingFile.h"
#include "core/Version.h"
#include "split/RunDriver.h"
#include "split/RunPlan.h"
#include "split/RunReport.h"
#include "split/SplitMessages.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace gc::cli {
namespace {

struct SplitOptions {
    int m_nImages = 6;
    int m_nHeightCm = 10;
    int m_nWidthCm = 8;
    int m_nBinning = 0;
    bool m_bTiff = false;
    bool m_bQuiet = false;
    int m_nThreads = 0; // 0: every core
    bool m_bKeepGoing = false;
    bool m_bDryRun = false;
    bool m_bPreview = false;
    MrcOptions mrc;
    double m_dMagnification = 0;
    bool m_bStrict = false;
    std::string m_strFinder = "classic";
    bool m_bDeskew = false;
    std::string m_strProgress = "auto";
    std::string m_strReport;
    std::string m_strAppend;
    std::string m_strStartNumber;
    std::string m_strOutputDir;
    std::vector<std::string> m_files;
};

// --progress auto: nothing with --quiet; otherwise a bar on a terminal and lines elsewhere.
ProgressMode ProgressModeOf(const SplitOptions& options) {
    if (options.m_strProgress == "bar")
        return ProgressMode::Bar;
    if (options.m_strProgress == "lines")
        return ProgressMode::Lines;
    if (options.m_strProgress == "none")
        return ProgressMode::None;
    if (options.m_bQuiet)
        return ProgressMode::None;
    return isatty(STDERR_FILENO) != 0 ? ProgressMode::Bar : ProgressMode::Lines;
}

// The folder as the folder chooser returns it: absolute, without a trailing "/".
std::string ChosenFolder(const std::string& text) {
    std::string folder = std::filesystem::absolute(text).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

void CheckOptions(const SplitOptions& options, bool outputDirGiven) {
    if (CharacterCount(options.m_strAppend) > static_cast<std::size_t>(APPEND_STRING_LIMIT))
        throw UsageError{"--append takes at most " + std::to_string(APPEND_STRING_LIMIT) + " characters"};
    if (!AppendStringStaysInFolder(options.m_strAppend))
        throw UsageError{"--append: the text is part of a file name: no \"/\", no \"\\\" and not \"..\""};
    if (options.m_strStartNumber.size() > static_cast<std::size_t>(START_NUMBER_LIMIT) ||
        !std::all_of(options.m_strStartNumber.begin(), options.m_strStartNumber.end(),
                     [](char c) { return c >= '0' && c <= '9'; }))
        throw UsageError{"--start-number takes at most " + std::to_string(START_NUMBER_LIMIT) + " digits"};
    // A dry run writes nothing but its pictures: the folder is made only for them.
    const bool writes = !options.m_bDryRun || options.m_bPreview;
    if (outputDirGiven && !options.m_strOutputDir.empty() && writes) {
        // A folder that does not exist yet is made, with its parents.
        std::error_code error;
        std::filesystem::create_directories(options.m_strOutputDir, error);
        if (!std::filesystem::is_directory(options.m_strOutputDir))
            throw UsageError{"--output-dir: " + options.m_strOutputDir + ": " +
                             (error ? error.message() : std::string("not a folder"))};
    }
    if (options.m_files.size() > static_cast<std::size_t>(MAX_INPUT_FILES))
        throw UsageError{MSG_TOO_MANY_INPUT_FILES};
    // The report's folder must be there before the Run, not found missing after it.
    if (!options.m_strReport.empty()) {
        const std::filesystem::path folder = std::filesystem::absolute(options.m_strReport).parent_path();
        if (!std::filesystem::is_directory(folder))
            throw UsageError{"--report: " + folder.string() + CLI_NO_SUCH_FOLDER};
    }
    if (options.m_bDeskew && options.m_strFinder != "sheet")
        throw UsageError{
            "--deskew turns each sheet back by the angle the sheet finder fits: add --finder sheet"};
}

// The time the Run's MRC2014 labels name: SOURCE_DATE_EPOCH when it holds a time (seconds since
// the epoch, as reproducible builds set it), otherwise now. A plan keeps it for its tasks.
std::int64_t LabelTime() {
    if (const char* text = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(text, &end, 10);
        if (errno == 0 && end != text && *end == '\0' && seconds > 0)
            return seconds;
    }
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Which of the naming options were given (an option given as "" differs from one left out).
struct NamingGiven {
    bool append = false;
    bool startNumber = false;
    bool outputDir = false;
};

// The Run's settings from the options, with the values the dialog's fields would take.
RunSettings SettingsFrom(const SplitOptions& options, const NamingGiven& given) {
    RunSettings settings;
    settings.m_nImageCount = options.m_nImages;
    settings.m_nHeightCm = options.m_nHeightCm;
    settings.m_nWidthCm = options.m_nWidthCm;
    settings.m_nBinning = options.m_nBinning;
    settings.m_bOutputTiff = options.m_bTiff;
    settings.mrc = options.mrc;
    settings.m_dMagnification = options.m_dMagnification;
    settings.m_finder = options.m_strFinder == "sheet" ? ImageFinder::Sheet : ImageFinder::Classic;
    settings.m_nLabelTime = LabelTime();
    settings.m_bDeskew = options.m_bDeskew;
    settings.m_bBatchMode = options.m_files.size() > 1;
    settings.m_bAppendString = given.append;
    if (given.append)
        settings.m_strAppendString = AppendStringFromText(options.m_strAppend);
    settings.m_bStartNumber = given.startNumber;
    if (given.startNumber)
        settings.m_strStartNumber = StartNumberFromText(options.m_strStartNumber);
    settings.m_strInputFiles = options.m_files;
    settings.m_bOutputDir = given.outputDir;
    if (given.outputDir && !options.m_strOutputDir.empty())
        settings.m_strOutputDir = OutputFolderFromChosen(ChosenFolder(options.m_strOutputDir));
    return settings;
}

void SetUpDriver(RunDriver& driver, const SplitOptions& options) {
    driver.SetThreads(options.m_nThreads);
    driver.SetKeepGoing(options.m_bKeepGoing);
    driver.SetDryRun(options.m_bDryRun);
    driver.SetPreview(options.m_bPreview);
    driver.SetPreviewFiles(options.m_bPreview);
    driver.SetReportPath(options.m_strReport);
}

// Writes a scan's placement picture beside its outputs; false (after the detail line) when it cannot.
bool WritePlacementPicture(const RunSettings& settings, const ScanRecord& record,
                           const PlacementPreview& preview, Messages& messages) {
    const std::vector<unsigned char> png = preview.RenderPng(record.images);
    const std::string name =
        PlacementPictureName(record.path, settings.m_bOutputDir ? settings.m_strOutputDir : "");
    std::string error;
    if (png.empty() || !WriteWholeFile(name, png.data(), png.size(), error)) {
        messages.Detail(png.empty() ? "drawing " + name + ": the picture cannot be drawn" : error);
        return false;
    }
    return true;
}

// Writes the Run's report (a plan after a dry run); false (after the detail line) when it cannot.
bool WriteRunReport(const SplitOptions& options, const RunSettings& settings, const RunDriver& driver,
                    const RunResult& result, ProgressAwareMessages& messages) {
    const char* outcome = result.m_outcome == RunOutcome::Interrupted ? "interrupted"
                          : IsFatal(result.m_outcome)                 ? "stopped"
                                                                      : "done";
    const RunReportSettings report{settings,          VersionNumber(),    driver.Threads(),
                                   options.m_bDryRun, options.m_bPreview, options.m_bKeepGoing,
                                   options.m_bStrict};
    std::string error;
    // A dry run's report is a plan: tasks of it split the scans one by one under the same names.
    const std::string json = options.m_bDryRun
                                 ? RunPlanJson(report, driver.Records(), outcome, PlanWorkingFolder())
                                 : RunReportJson(report, driver.Records(), outcome);
    if (!WriteWholeFile(options.m_strReport, json.data(), json.size(), error)) {
        messages.SetSubject({});
        messages.Detail(error);
        return false;
    }
    return true;
}

int RunSplit(const SplitOptions& options, const NamingGiven& given) {
    CheckOptions(options, given.outputDir);

    CliProgress bar("split", ProgressModeOf(options));
    ProgressAwareMessages messages(bar);
    RunPrinter printer(messages, bar, options.m_bQuiet, options.m_bDryRun);

    const RunSettings settings = SettingsFrom(options, given);
    RunDriver driver(settings, messages, bar);
    SetUpDriver(driver, options);
    printer.PrintSettings(settings, driver.Threads());
    bool picturesWritten = true;
    printer.Attach(driver, [&](const ScanRecord& record, const PlacementPreview* preview) {
        if (preview != nullptr && !WritePlacementPicture(settings, record, *preview, messages))
            picturesWritten = false;
    });
    const RunResult result = driver.OnRun();
    bar.Finish();
    // A Run that stopped did not reach its tally: it follows the stop's texts.
    if (result.m_outcome != RunOutcome::Done)
        printer.PrintTally();
    const bool reportWritten = options.m_strReport.empty() || !driver.ReportNotWrittenReason().empty() ||
                               WriteRunReport(options, settings, driver, result, messages);
    const Outcome outcome = OutcomeOf(result);
    // A placement picture or a report that could not be written leaves the Run done, with a skip.
    if (outcome == Outcome::Done && (!picturesWritten || !reportWritten))
        return ExitStatusFor(Outcome::Skipped);
    // With --strict, a size warning makes a Run that went through count as one with a problem.
    if (outcome == Outcome::Done && options.m_bStrict && printer.Tally().sizeWarnings > 0)
        return ExitStatusFor(Outcome::Skipped);
    return ExitStatusFor(outcome);
}

// The options of the scan and its images: how many, their size, the binned copy and the format.
void AddImageOptions(CLI::App& command, SplitOptions& options) {
    command.add_option("--images", options.m_nImages, "images per scan, 1-6 (default 6)")
        ->check(CLI::Range(1, 6));
    command
        .add_option("--height-cm", options.m_nHeightCm,
                    "approximate image height: 9, 10 or 11 cm (default 10)")
        ->check(CLI::IsMember({9, 10, 11}));
    command.add_option("--width-cm", options.m_nWidthCm, "approximate image width: 7, 8 or 9 cm (default 8)")
        ->check(CLI::IsMember({7, 8, 9}));
    command.add_option("--binning", options.m_nBinning, "binned copy: 0 (none), 2, 3 or 4 (default 0)")
        ->check(CLI::IsMember({0, 2, 3, 4}));
    command.add_flag("--tiff", options.m_bTiff, "write TIFF files instead of MRC files");
    command
        .add_option(
            "--finder", options.m_strFinder,
            "classic (default: each image's corner by the first bright run, image after image) or "
            "sheet (each cell's sheet on its own, its edges fitted; the report gives each sheet's angle)")
        ->check(CLI::IsMember({"classic", "sheet"}));
    command.add_flag("--deskew", options.m_bDeskew,
                     "with --finder sheet: turn each turned sheet back about its centre before it is cut "
                     "(bilinear interpolation; without it nothing is resampled)");
    CLI::Option* pixelSize = AddMrcOptions(command, options.mrc);
    command
        .add_option("--magnification", options.m_dMagnification,
                    "the microscope's magnification: each scan's pixel size is its scanner step "
                    "(XResolution/YResolution/ResolutionUnit) divided by it")
        ->check(NumberInRange(0.0, HUGE_VAL, CLI_POSITIVE_NUMBER))
        ->excludes(pixelSize);
}

// The naming options; whether each was given is read from the options returned.
struct NamingOptions {
    CLI::Option* append;
    CLI::Option* startNumber;
    CLI::Option* outputDir;
};

NamingOptions AddNamingOptions(CLI::App& command, SplitOptions& options) {
    NamingOptions naming{};
    naming.append = command
                        .add_option("--append", options.m_strAppend,
                                    "name the outputs TEXT_1, TEXT_2, ... (at most 50 characters; \"\" gives "
                                    "\"empty\")")
                        ->type_name("TEXT");
    naming.startNumber =
        command
            .add_option(
                "--start-number", options.m_strStartNumber,
                "number the outputs from DIGITS on, across all files (at most 6 digits; \"\" gives \"0001\")")
            ->type_name("DIGITS");
    naming.outputDir =
        command
            .add_option("--output-dir", options.m_strOutputDir,
                        "write the outputs into the folder DIR (\"\" writes them into the current "
                        "folder)")
            ->type_name("DIR");
    return naming;
}

// The options of the Run itself: output, threads, dry run, report, pictures, stops and progress.
void AddRunOptions(CLI::App& command, SplitOptions& options) {
    command.add_flag("--quiet", options.m_bQuiet,
                     "do not print the settings line and the image lines (problems are still printed)");
    command
        .add_option("--threads", options.m_nThreads,
                    "threads that decode the scan's tiles (default: every core)")
        ->check(CLI::Range(1, 256));
    command.add_flag("--dry-run", options.m_bDryRun,
                     "find the images of every file with the same settings and rules, print where they are "
                     "and the names they would get, and write nothing");
    command
        .add_option("--report", options.m_strReport,
                    "write a JSON run report (settings, every file's outcome, every image's corner, size and "
                    "outputs with their header statistics) to FILE.json, also when the Run stops")
        ->type_name("FILE.json");
    command.add_flag("--preview", options.m_bPreview,
                     "write <scan name>_placements.png beside the outputs: the scan reduced to about 2,000 "
                     "pixels with every found image outlined and labelled with its output name");
    command.add_flag("--keep-going", options.m_bKeepGoing,
                     "a scan that would stop the Run (READ ERROR, RGB) is reported and skipped instead; the "
                     "batch goes on and the exit status is 3");
    command.add_flag("--strict", options.m_bStrict,
                     "a size warning (the chosen size does not fit the scan, images overlap or run off "
                     "the scan) gives exit status 3");
    command
        .add_option("--progress", options.m_strProgress,
                    "auto (a bar on a terminal, otherwise a line per scan; none with --quiet), bar, lines "
                    "or none")
        ->check(CLI::IsMember({"auto", "bar", "lines", "none"}));
}

// --plan and --task: one scan of a plan; they go together. Returns --plan.
CLI::Option* AddPlanOptions(CLI::App& command, PlanTaskOptions& task) {
    CLI::Option* plan = command
                            .add_option("--plan", task.planPath,
                                        "split one scan of a plan (a report of split --dry-run --report "
                                        "PLAN.json) under the planned names; its report part goes to "
                                        "PLAN.json.parts/K.json")
                            ->type_name("PLAN.json");
    CLI::Option* taskNumber = command
                                  .add_option("--task", task.task,
                                              "with --plan: the scan K (from 1), or auto for "
                                              "SLURM_ARRAY_TASK_ID; threads default to SLURM_CPUS_PER_TASK")
                                  ->type_name("K|auto");
    plan->needs(taskNumber);
    taskNumber->needs(plan);
    return plan;
}

// With --plan, every option but --task, --threads, --quiet and --progress is the plan's: one given
// as well is a usage error naming it. (Checked here rather than declared on each option, so the
// help does not repeat the rule under every one.)
void CheckPlanAlone(const CLI::App& command) {
    for (const CLI::Option* option : command.get_options()) {
        const std::string name = option->get_name();
        if (option->count() > 0 && name != "--plan" && name != "--task" && name != "--threads" &&
            name != "--quiet" && name != "--progress")
            throw UsageError{CLI_PLAN_TAKES_ONLY + name};
    }
}

} // namespace

void AddSplitCommand(CLI::App& app) {
    auto options = std::make_shared<SplitOptions>();
    CLI::App* command = app.add_subcommand(
        "split", "The Run: find the images of each scanned TIFF (3 x 2 grid) and write each one as an MRC "
                 "file (or TIFF), optionally with a binned copy");
    AddImageOptions(*command, *options);
    const NamingOptions naming = AddNamingOptions(*command, *options);
    AddRunOptions(*command, *options);
    CLI::Option* files = command->add_option("FILE", options->m_files, "scanned TIFF files (at most 100)");
    auto task = std::make_shared<PlanTaskOptions>();
    CLI::Option* plan = AddPlanOptions(*command, *task);
    AddVersionFlag(*command, CLI_EXAMPLES_SPLIT,
                   "Standard output: a settings line, one line per image once its files are written "
                   "(\"would write\" in a dry run) and a tally; --quiet drops all but the tally. Standard "
                   "error: every problem (not found, not written, skipped, stopped, size warnings), "
                   "prefixed with the scan's name. With --plan, the plan holds every option but "
                   "--task, --threads, --quiet and --progress. SOURCE_DATE_EPOCH, when set, is the time "
                   "MRC2014 labels name.");
    command->callback([command, options, naming, files, plan, task] {
        if (plan->count() > 0) {
            CheckPlanAlone(*command);
            task->threads = options->m_nThreads;
            task->quiet = options->m_bQuiet;
            CommandStatus() = RunPlanTaskCommand(*task);
            return;
        }
        if (files->count() == 0)
            throw UsageError{"FILE is required"};
        CommandStatus() = RunSplit(*options, {naming.append->count() > 0, naming.startNumber->count() > 0,
                                              naming.outputDir->count() > 0});
    });
}

} // namespace gc::cli
