// pick: particle picking from the command line. Opens IMAGE as the viewer does, adds the box
// centres read from --coords FILE (.box, .star or .csv, rows counted as the file's readers count
// them: see PickCoordinates.h) and then the centres X,Y (image pixels, (0, 0) at the top-left) in
// order with the viewer's acceptance rules, reports refused ones on standard error, then saves the
// boxes as MRC files next to the image (one per box, or one collated stack; an MRC image's boxes
// hold its own values) with the .box and .star coordinate files, and prints the written file names
// on standard output.
#include "AutoPickCommand.h"
#include "CliShell.h"
#include "CommandMessages.h"
#include "MrcOptions.h"

#include "core/FileHandles.h"
#include "document/DocumentMessages.h"
#include "document/ImageDocument.h"
#include "pick/PickCoordinates.h"
#include "pick/PickMessages.h"
#include "pick/PickOperations.h"
#include "pick/PickState.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace gc::cli {
namespace {

struct PickOptions {
    std::string m_strImage;
    int m_nSize = 0;
    bool m_bCollate = false;
    int m_nImage = 1;
    std::string m_strCoords;
    MrcOptions mrc;
    std::vector<std::string> m_centres;
};

// "X,Y" with two decimal integers; false for anything else.
bool ParseCentre(const std::string& text, PickPoint& centre) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos || comma == 0 || comma + 1 == text.size())
        return false;
    const auto parse = [](const std::string& part, std::int32_t& value) {
        char* end = nullptr;
        errno = 0;
        const long number = std::strtol(part.c_str(), &end, 10);
        if (errno != 0 || end == part.c_str() || *end != '\0' || number < INT_MIN || number > INT_MAX)
            return false;
        value = static_cast<std::int32_t>(number);
        return true;
    };
    return parse(text.substr(0, comma), centre.x) && parse(text.substr(comma + 1), centre.y);
}

const char* RefusalText(AddPickResult result) {
    switch (result) {
    case AddPickResult::LeavesImage:
        return pick_text::REFUSED_OUTSIDE;
    case AddPickResult::TouchesPick:
        return pick_text::REFUSED_TOO_CLOSE;
    case AddPickResult::StalePick:
        return pick_text::REFUSED_STALE;
    case AddPickResult::ListFull:
        return pick_text::REFUSED_FULL;
    case AddPickResult::InvalidMaskSize:
    case AddPickResult::NotPicking:
    case AddPickResult::Added:
        break;
    }
    return pick_text::REFUSED_MASK_SIZE;
}

std::string CentreText(PickPoint centre) {
    return std::to_string(centre.x) + "," + std::to_string(centre.y);
}

// A centre with the text that names it in a refusal.
using NamedCentre = std::pair<PickPoint, std::string>;

// What the arguments ask for before any file is opened: the --coords file's format and the X,Y
// centres. Throws the usage errors, in the order the user meets them.
struct PickRequest {
    std::optional<CoordinateFormat> m_format; // set when --coords is given
    std::vector<NamedCentre> m_arguments;
};

PickRequest CheckRequest(const PickOptions& options) {
    const bool coordsGiven = !options.m_strCoords.empty();
    if (!coordsGiven && options.m_centres.empty())
        throw UsageError{"give the box centres as X,Y arguments, with --coords FILE, or both"};
    PickRequest request;
    if (coordsGiven) {
        request.m_format = CoordinateFormatOf(options.m_strCoords);
        if (!request.m_format)
            throw UsageError{"--coords: " + options.m_strCoords + " is not a .box, .star or .csv file"};
    }
    for (const std::string& text : options.m_centres) {
        PickPoint centre;
        if (!ParseCentre(text, centre))
            throw UsageError{"a box centre is written X,Y with two integers: " + text};
        request.m_arguments.emplace_back(centre, text);
    }
    return request;
}

// Appends the centres of the coordinate file `path` to `centres`; the exit status when the file cannot
// be read or is not understood throughout (then nothing is picked).
std::optional<int> ReadCoordsFile(const std::string& path, CoordinateFormat format,
                                  const CoordinateFrame& frame, Messages& messages,
                                  std::vector<NamedCentre>& centres) {
    std::string text;
    errno = 0;
    const CoordinateFileRead read = ReadCoordinateFile(path, text);
    if (read == CoordinateFileRead::Unreadable) {
        messages.Detail("reading " + path + ": " + std::strerror(errno));
        messages.Error(pick_text::COORDS_UNREADABLE + path);
        return EXIT_FATAL;
    }
    if (read == CoordinateFileRead::TooLarge) {
        // Refused like a file that is not understood: nothing is picked.
        messages.Error(path + pick_text::COORDS_TOO_LARGE);
        return EXIT_USAGE;
    }
    const CoordinateReading reading = ParseCoordinates(text, format, frame);
    if (!reading.Ok()) {
        // Nothing is picked from a file that is not understood throughout.
        messages.Error(path + (reading.m_nBadLine > 0 ? " line " + std::to_string(reading.m_nBadLine) : "") +
                       ": " + reading.m_strProblem);
        return EXIT_USAGE;
    }
    for (const PickPoint& centre : reading.m_centres)
        centres.emplace_back(centre, CentreText(centre));
    return std::nullopt;
}

// Adds the centres in order with the viewer's rules; the first refused ones are named in a warning
// each, the rest counted in one. Returns how many were refused.
int AddCentres(PickState& state, const PixelStore& image, const std::vector<NamedCentre>& centres,
               Messages& messages) {
    int refused = 0;
    for (const auto& [centre, text] : centres) {
        const AddPickResult result = AddPick(state, &image, centre);
        if (result != AddPickResult::Added && ++refused <= pick_text::REFUSED_NAMED)
            messages.Warning(RefusalText(result) + text);
    }
    if (refused > pick_text::REFUSED_NAMED)
        messages.Warning(std::to_string(refused - pick_text::REFUSED_NAMED) + pick_text::REFUSED_MORE);
    if (state.m_nPickCount == 0)
        messages.Warning(pick_text::NO_CENTRE_LEFT);
    return refused;
}

// Prints the names of the files written, the boxes first, and the tally; returns the exit status of
// the command.
int ReportSaved(const SavePicksResult& saved, int refused, WrittenFilesMessages& messages) {
    for (const std::string& name : saved.m_written)
        messages.FileWritten(name);
    for (const std::string& name : saved.m_coordinateFiles)
        messages.FileWritten(name);
    messages.Finish();
    const Outcome outcome = OutcomeOf(saved.m_outcome);
    // A refused centre, or none left to save, is a box the user asked for and did not get.
    if (outcome == Outcome::Done && (refused > 0 || saved.m_outcome == SavePicksOutcome::NothingToSave))
        return ExitStatusFor(Outcome::Skipped);
    return ExitStatusFor(outcome);
}

int RunPick(const PickOptions& options) {
    // --size is required but for --auto, which can take it from the diameter.
    if (options.m_nSize == 0)
        throw UsageError{"--size is required"};
    const PickRequest request = CheckRequest(options);

    CliMessages shown;
    WrittenFilesMessages messages(shown, pick_text::SAVED);
    if (RefuseUnreadableInputs({options.m_strImage}, messages))
        return ExitStatusFor(Outcome::CannotHandle);
    ImageDocument document;
    const OpenOutcome opened = document.OpenFile(options.m_strImage, messages);
    if (opened == OpenOutcome::NoImage)
        messages.Error(MSG_NO_IMAGE_READ + options.m_strImage);
    if (opened != OpenOutcome::Opened)
        return ExitStatusFor(OutcomeOf(opened));
    const PixelStore* image = document.GetImage(options.m_nImage - 1);
    if (image == nullptr)
        throw UsageError{MSG_NO_SUCH_IMAGE + std::to_string(options.m_nImage) + " of " +
                         std::to_string(document.GetImageCount()) + " in " + options.m_strImage};

    // An MRC micrograph: boxes of the file's own values, coordinates with its rows as stored.
    PickMicrograph micrograph;
    if (document.GetFileType() == FT_MRC)
        micrograph = {options.m_strImage, options.m_nImage - 1, document.GetMrcPixelSize()};
    const CoordinateFrame frame{image->Height(), options.m_nSize,
                                micrograph.IsMrc() ? RowOrder::AsStored : RowOrder::BottomUp};
    std::vector<NamedCentre> centres;
    if (request.m_format) {
        if (const std::optional<int> status =
                ReadCoordsFile(options.m_strCoords, *request.m_format, frame, messages, centres))
            return *status;
    }
    centres.insert(centres.end(), request.m_arguments.begin(), request.m_arguments.end());

    PickState state;
    state.m_strOpenFilePath = options.m_strImage;
    state.m_bPickMode = 1;
    state.m_bCollate = options.m_bCollate ? 1 : 0;
    state.m_nMaskSize = options.m_nSize;
    state.mrc = options.mrc;
    const int refused = AddCentres(state, *image, centres, messages);

    // A stop signal ends the save before its next file, as it ends a Run before its next row of tiles.
    PickSaveHooks hooks;
    hooks.m_stopRequested = [] { return StopSignal() != 0; };
    if (StopSignal() != 0)
        return ExitStatusFor(Outcome::Interrupted);
    const SavePicksResult saved = SavePicks(state, image, messages, hooks, micrograph,
                                            request.m_format ? std::vector<std::string>{options.m_strCoords}
                                                             : std::vector<std::string>{});
    return ReportSaved(saved, refused, messages);
}

} // namespace

void AddPickCommand(CLI::App& app) {
    auto options = std::make_shared<PickOptions>();
    CLI::App* command = app.add_subcommand(
        "pick", "Cut square boxes around the centres X,Y out of image N of IMAGE and save them as float MRC "
                "files next to IMAGE (one per box, or one collated stack)");
    command->add_option("IMAGE", options->m_strImage, "BMP, JPEG, TIFF or MRC file to open")->required();
    command
        ->add_option(
            "--size", options->m_nSize,
            "side of the square box in pixels (2-200); with --auto 1.5 x the largest diameter by default")
        ->check(CLI::Range(MIN_MASK_SIZE, MAX_MASK_SIZE));
    command->add_flag("--collate", options->m_bCollate, "write all boxes into one MRC file");
    command->add_option("--image", options->m_nImage, "image to pick from, from 1 (default 1)")
        ->check(CLI::Range(1, INT_MAX));
    command->add_option("--coords", options->m_strCoords,
                        "read box centres from a .box (EMAN2), .star (RELION) or x,y .csv file first");
    AddMrcOptions(*command, options->mrc);
    command->add_option("CENTRES", options->m_centres, "box centres X,Y in image pixels, top-left (0, 0)");
    auto autoOptions = std::make_shared<AutoPickOptions>();
    AddAutoPickOptions(*command, *autoOptions);
    AddVersionFlag(*command, CLI_EXAMPLES_PICK);
    command->callback([options, autoOptions] {
        if (!autoOptions->m_bAuto) {
            CheckWithoutAuto(*autoOptions);
            CommandStatus() = RunPick(*options);
            return;
        }
        const AutoPickTarget target{
            options->m_strImage, options->m_nImage,
            options->m_nSize,    options->m_bCollate,
            options->mrc,        !options->m_centres.empty() || !options->m_strCoords.empty()};
        CommandStatus() = RunAutoPick(target, *autoOptions);
    });
}

} // namespace gc::cli
