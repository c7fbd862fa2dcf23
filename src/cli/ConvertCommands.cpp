// convert, cut and stats: the Convert / Cut dialog's logic driven from the command line. Options set
// what the dialog's controls would set, in the order a user would: load the files, load the last
// run, pick a GAIN, type a, x0 and y0, choose bin size and scale, then press Convert or Cut.
#include "CliShell.h"
#include "CommandMessages.h"
#include "MrcOptions.h"

#include "convert/Convert.h"
#include "convert/ConvertMessages.h"
#include "convert/Cut.h"
#include "convert/FitFields.h"
#include "convert/GainTable.h"
#include "convert/PixelStatistics.h"
#include "convert/StripImage.h"

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace gc::cli {
namespace {

int StatusOf(ConvertOutcome outcome) {
    return ExitStatusFor(OutcomeOf(outcome));
}

// The GAIN list item whose value `text` names exactly, or a usage error.
int GainIndexOf(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double gain = std::strtod(text.c_str(), &end);
    const int index = (end != text.c_str() && *end == '\0' && errno == 0) ? FindGainIndex(gain) : -1;
    if (index < 0)
        throw UsageError{"--gain: " + text + " is not a GAIN value (2.0, 1.9, ..., -1.9, -2.0)"};
    return index;
}

void RequireAtMostMaxFiles(const std::vector<std::string>& files) {
    if (files.size() > static_cast<std::size_t>(MAX_TIFF_FILES))
        throw UsageError{MSG_MORE_THAN_100_FILES};
}

// A batch holding a file that cannot be read or a tiled TIFF (a scan meant for split), or for convert
// and cut a file that is no TIFF at all, is refused as a whole before anything is written: each such
// file is named, and the status is the one of an input the operation cannot handle.
bool RefuseTiledInputs(const std::vector<std::string>& files, Messages& messages, bool tiffOnly = false) {
    bool anyTiled = RefuseUnreadableInputs(files, messages);
    for (const std::string& file : files)
        if (!InputProblem(file).empty()) {
            continue; // named once above
        } else if (IsTiledTiff(file)) {
            messages.Error(file + MSG_TILED_INPUT);
            anyTiled = true;
        } else if (tiffOnly && IsReadableNonTiff(file)) {
            messages.Error(file + MSG_NOT_TIFF_INPUT);
            anyTiled = true;
        }
    if (anyTiled)
        CommandStatus() = ExitStatusFor(Outcome::CannotHandle);
    return anyTiled;
}

struct ConvertOptions {
    std::string m_strGain;
    std::string m_strA;
    std::string m_strX0;
    std::string m_strY0;
    std::string m_strBin = "0";
    std::string m_strScale = "auto";
    bool m_bNegative = false;
    bool m_bStatistics = false;
    bool m_bLastRun = false;
    MrcOptions mrc;
    std::vector<std::string> m_files;
};

struct CutOptions {
    std::string m_strStartX;
    std::string m_strStartY;
    std::string m_strEndX;
    std::string m_strEndY;
    bool m_bStatistics = false;
    std::vector<std::string> m_files;
};

void RunConvert(const ConvertOptions& options, const CLI::App& command) {
    RequireAtMostMaxFiles(options.m_files);
    const bool gainGiven = command.count("--gain") > 0;
    const int gainIndex = gainGiven ? GainIndexOf(options.m_strGain) : -1;

    CliProgress progress("convert");
    ProgressAwareMessages shown(progress);
    WrittenFilesMessages messages(shown, MSG_DONE);
    if (RefuseTiledInputs(options.m_files, messages, true))
        return;
    // The constants as the dialog's fields would hold them: the defaults, then the last run's values,
    // then the GAIN's row, then the texts typed over them (read leniently), all checked at the press.
    ConvertSettings settings;
    GainSetting values = DEFAULT_GAIN_SETTING;
    if (options.m_bLastRun) {
        const LastRunValues lastRun = LoadLastRun(LAST_RUN_FILE_NAME, messages);
        // The run asked for cannot be repeated: nothing is converted with other constants.
        if (!lastRun.m_dGain || !lastRun.m_dA || !lastRun.m_dX0 || !lastRun.m_dY0) {
            messages.Error(MSG_LAST_RUN_NOT_READ);
            progress.Finish();
            CommandStatus() = ExitStatusFor(Outcome::Skipped);
            return;
        }
        values = {lastRun.m_dGain.value_or(values.gain), lastRun.m_dA.value_or(values.a),
                  lastRun.m_dX0.value_or(values.x0), lastRun.m_dY0.value_or(values.y0)};
    }
    if (gainGiven)
        values = GAIN_TABLE[static_cast<std::size_t>(gainIndex)];
    settings.m_dGain = values.gain;
    settings.m_fit = FitConstantsOf(values.a, values.x0, values.y0);
    if (command.count("--a") > 0)
        settings.m_fit.m_fA = ReadFitConstant(options.m_strA);
    if (command.count("--x0") > 0)
        settings.m_fit.m_fX0 = ReadFitConstant(options.m_strX0);
    if (command.count("--y0") > 0)
        settings.m_fit.m_fY0 = ReadFitConstant(options.m_strY0);
    settings.m_nBinSize = std::atoi(options.m_strBin.c_str());
    settings.m_nOutputFormat = options.m_strScale == "8"    ? OUTPUT_FORMAT_8_BIT
                               : options.m_strScale == "16" ? OUTPUT_FORMAT_16_BIT
                                                            : OUTPUT_FORMAT_AUTO;
    settings.m_bNegative = options.m_bNegative;
    settings.m_bStatistics = options.m_bStatistics;
    settings.mrc = options.mrc;
    const ConvertOutcome outcome =
        CheckFitConstants(settings.m_fit, FIT_LOWER_LIMIT, FIT_UPPER_LIMIT, messages)
            ? ConvertFiles(options.m_files, settings, LAST_RUN_FILE_NAME, messages, progress)
            : ConvertOutcome::Refused;
    progress.Finish();
    messages.Finish();
    CommandStatus() = StatusOf(outcome);
}

void RunCut(const CutOptions& options) {
    RequireAtMostMaxFiles(options.m_files);
    CliProgress progress("cut");
    ProgressAwareMessages shown(progress);
    WrittenFilesMessages messages(shown, MSG_DONE);
    if (RefuseTiledInputs(options.m_files, messages, true))
        return;
    const ConvertOutcome outcome = CutFromTexts(
        options.m_files, {options.m_strStartX, options.m_strStartY, options.m_strEndX, options.m_strEndY},
        options.m_bStatistics, messages, progress);
    progress.Finish();
    messages.Finish();
    CommandStatus() = StatusOf(outcome);
}

} // namespace

void AddConvertCommands(CLI::App& app) {
    // Owned here for the life of the program: CLI11 writes the parsed values into them.
    static ConvertOptions convertOptions;
    static CutOptions cutOptions;
    static std::string statsFile;

    CLI::App* convert = app.add_subcommand(
        "convert",
        "Convert transmittance TIFF images to optical density (float MRC), y = y0 + a ln|x - x0|.");
    AddVersionFlag(*convert, CLI_EXAMPLES_CONVERT);
    convert->add_option("--gain", convertOptions.m_strGain,
                        "GAIN setting: one of 2.0, 1.9, ..., -2.0; sets a, x0, y0 from its table row");
    convert->add_option("--a", convertOptions.m_strA, "fit constant a, as typed into the dialog's field");
    convert->add_option("--x0", convertOptions.m_strX0, "fit constant x0, as typed into the dialog's field");
    convert->add_option("--y0", convertOptions.m_strY0, "fit constant y0, as typed into the dialog's field");
    convert->add_option("--bin", convertOptions.m_strBin, "bin size of the extra binned copy (0: none)")
        ->check(CLI::IsMember({"0", "2", "3", "4"}));
    convert->add_option("--scale", convertOptions.m_strScale, "scale of the pixel values: auto, 8 or 16 bit")
        ->check(CLI::IsMember({"auto", "8", "16"}));
    convert->add_flag("--negative", convertOptions.m_bNegative, "take the negative of the pixel values");
    convert->add_flag("--stats", convertOptions.m_bStatistics,
                      "show the pixel statistics of each file first");
    convert->add_flag("--last-run", convertOptions.m_bLastRun,
                      "load GAIN, a, x0, y0 from last_run_parameters.txt first");
    AddMrcOptions(*convert, convertOptions.mrc);
    convert->add_option("FILE", convertOptions.m_files, "TIFF files (at most 100)")->required();
    convert->callback([convert] { RunConvert(convertOptions, *convert); });

    CLI::App* cut =
        app.add_subcommand("cut", "Cut a rectangle (1-based, corners included) out of TIFF images.");
    AddVersionFlag(*cut, CLI_EXAMPLES_CUT);
    cut->add_option("--start-x", cutOptions.m_strStartX, "first column")->required();
    cut->add_option("--start-y", cutOptions.m_strStartY, "first row")->required();
    cut->add_option("--end-x", cutOptions.m_strEndX, "last column")->required();
    cut->add_option("--end-y", cutOptions.m_strEndY, "last row")->required();
    cut->add_flag("--stats", cutOptions.m_bStatistics, "show the pixel statistics of each file first");
    cut->add_option("FILE", cutOptions.m_files, "TIFF files (at most 100)")->required();
    cut->callback([] { RunCut(cutOptions); });

    CLI::App* stats = app.add_subcommand("stats", "Report the pixel statistics of a TIFF image.");
    AddVersionFlag(*stats, CLI_EXAMPLES_STATS);
    stats->add_option("FILE", statsFile, "TIFF file")->required();
    stats->callback([] {
        CliMessages messages;
        if (RefuseTiledInputs({statsFile}, messages))
            return;
        CommandStatus() = ExitStatusFor(
            ReportPixelStatistics(statsFile, 0, messages) ? Outcome::Done : Outcome::CannotHandle);
    });
}

} // namespace gc::cli
