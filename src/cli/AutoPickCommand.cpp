// pick --auto: opens IMAGE as the viewer does, searches it for particles of the given diameter
// (pick/AutoPicker.h), keeps the candidates at or above the threshold (the best MAX_PICKS, or --max)
// and saves them as picked boxes with their coordinate files.
#include "AutoPickCommand.h"
#include "CliShell.h"

#include "document/DocumentMessages.h"
#include "document/ImageDocument.h"
#include "pick/AutoPicker.h"
#include "pick/PickMessages.h"
#include "pick/PickOperations.h"
#include "pick/PickState.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace gc::cli {
namespace {

// The centres of the search's best candidates at or above `threshold`, at most `limit` of them;
// says how many more there were.
void AddBest(PickState& state, const AutoPickResult& found, double threshold, int limit, Messages& messages) {
    const int above = CountAtOrAbove(found.m_candidates, threshold);
    const int kept = std::min(above, limit);
    if (above > kept)
        messages.Warning(std::to_string(above - kept) + pick_text::AUTO_DROPPED + std::to_string(kept) +
                         pick_text::AUTO_DROPPED_KEPT);
    // Every candidate's box fits the image; neighbours were kept apart by the particles' own size, so
    // boxes larger than a particle may overlap (AddPick's rule for a pick made by hand would refuse
    // the second of two touching particles).
    for (int i = 0; i < kept; ++i)
        state.m_ptPicks[static_cast<std::size_t>(state.m_nPickCount++)] =
            found.m_candidates[static_cast<std::size_t>(i)].m_centre;
}

std::string SummaryLine(int count, double threshold, bool automatic, double seconds) {
    char number[64];
    std::snprintf(number, sizeof number, "%.2f", threshold);
    std::string line = pick_text::AUTO_FOUND + std::to_string(count) + pick_text::AUTO_FOUND_PARTICLES +
                       number +
                       (automatic ? pick_text::AUTO_THRESHOLD_AUTOMATIC : pick_text::AUTO_THRESHOLD_GIVEN);
    std::snprintf(number, sizeof number, "%.2f", seconds);
    return line + number + pick_text::AUTO_SECONDS;
}

// Searches the values of `image` with the options' diameter.
AutoPickResult Search(const PixelStore& image, const AutoPickTarget& target, const AutoPickOptions& options,
                      int& boxSize) {
    double minimum = 0, maximum = 0;
    const bool parsed = ParseDiameterRange(options.m_strDiameter, minimum, maximum);
    const double scale = target.mrc.pixelSize > 0 ? 1.0 / target.mrc.pixelSize : 1.0;
    minimum *= scale;
    maximum *= scale;
    if (!parsed || !AutoPickDiametersFit(minimum, maximum, image.Width(), image.Height()))
        throw UsageError{pick_text::AUTO_BAD_DIAMETER + options.m_strDiameter};
    boxSize = target.m_nSize > 0 ? target.m_nSize : SuggestedBoxSize(maximum);
    std::unique_ptr<PickRowSource> rows = StoreRowSource(image);
    AutoPickSettings settings;
    settings.m_dDiameterMin = minimum;
    settings.m_dDiameterMax = maximum;
    settings.m_bBrightParticles = options.m_bInvert;
    settings.m_nBoxSize = boxSize;
    if (!rows) {
        AutoPickResult unreadable;
        unreadable.m_outcome = AutoPickOutcome::Unreadable;
        return unreadable;
    }
    AutoPickResult found = FindParticles(*rows, image.Width(), image.Height(), settings);
    // A file cut short during the search gave zeros where it lost data: nothing found there is real.
    if (!image.IsIntact())
        found.m_outcome = AutoPickOutcome::Unreadable;
    return found;
}

// The exit status after a search that did not end with candidates to save, or nothing.
std::optional<int> SearchProblem(const AutoPickResult& found, const std::string& path, Messages& messages) {
    switch (found.m_outcome) {
    case AutoPickOutcome::Searched:
        return std::nullopt;
    case AutoPickOutcome::Unreadable:
        messages.Error(pick_text::CANNOT_READ_VALUES + path);
        return ExitStatusFor(Outcome::CannotHandle);
    case AutoPickOutcome::OutOfMemory:
    case AutoPickOutcome::BadSettings:
        break;
    }
    messages.Error(pick_text::NO_MEMORY);
    return ExitStatusFor(Outcome::Fatal);
}

std::string RejectionLine(const AutoPickResult& found) {
    return pick_text::AUTO_REJECTED + std::to_string(found.m_nOnDarkArea) + pick_text::AUTO_REJECTED_DARK +
           std::to_string(found.m_nLeavingImage) + pick_text::AUTO_REJECTED_EDGE +
           std::to_string(found.m_nTooClose) + pick_text::AUTO_REJECTED_CLOSE;
}

int PrintSaved(const SavePicksResult& saved) {
    for (const std::string& name : saved.m_written)
        std::printf("%s\n", name.c_str());
    for (const std::string& name : saved.m_coordinateFiles)
        std::printf("%s\n", name.c_str());
    std::fflush(stdout);
    return ExitStatusFor(OutcomeOf(saved.m_outcome));
}

} // namespace

void AddAutoPickOptions(CLI::App& command, AutoPickOptions& options) {
    command.add_flag("--auto", options.m_bAuto,
                     "find the box centres: particles of --diameter, darker than their surroundings");
    command.add_option("--diameter", options.m_strDiameter,
                       "particle diameter MIN or MIN:MAX, in Å with --pixel-size, otherwise in pixels");
    command
        .add_option("--threshold", options.m_dThreshold,
                    "score a particle needs (default: chosen from the scores)")
        ->check(CLI::NonNegativeNumber);
    command.add_flag("--invert", options.m_bInvert, "particles brighter than their surroundings");
    command.add_option("--max", options.m_nMax, "keep at most the N best particles (default and limit 1000)")
        ->check(CLI::Range(1, MAX_PICKS));
    command.add_flag("--dry-run", options.m_bDryRun,
                     "with --auto: write the coordinate files only, no boxes");
}

void CheckWithoutAuto(const AutoPickOptions& options) {
    // A threshold that is not a number counts as given.
    if (!options.m_strDiameter.empty() || !(options.m_dThreshold < 0) || options.m_bInvert ||
        options.m_nMax > 0 || options.m_bDryRun)
        throw UsageError{pick_text::AUTO_OPTIONS_ALONE};
}

int RunAutoPick(const AutoPickTarget& target, const AutoPickOptions& options) {
    if (target.m_bCentresGiven)
        throw UsageError{pick_text::AUTO_WITH_CENTRES};
    if (options.m_strDiameter.empty())
        throw UsageError{"--auto needs --diameter"};
    if (std::isnan(options.m_dThreshold))
        throw UsageError{pick_text::AUTO_BAD_THRESHOLD};
    CliMessages messages;
    if (RefuseUnreadableInputs({target.m_strImage}, messages))
        return ExitStatusFor(Outcome::CannotHandle);
    ImageDocument document;
    const OpenOutcome opened = document.OpenFile(target.m_strImage, messages);
    if (opened == OpenOutcome::NoImage)
        messages.Error(MSG_NO_IMAGE_READ + target.m_strImage);
    if (opened != OpenOutcome::Opened)
        return ExitStatusFor(OutcomeOf(opened));
    const PixelStore* image = document.GetImage(target.m_nImage - 1);
    if (image == nullptr)
        throw UsageError{MSG_NO_SUCH_IMAGE + std::to_string(target.m_nImage) + " of " +
                         std::to_string(document.GetImageCount()) + " in " + target.m_strImage};
    PickMicrograph micrograph;
    if (document.GetFileType() == FT_MRC)
        micrograph = {target.m_strImage, target.m_nImage - 1, document.GetMrcPixelSize()};

    const auto started = std::chrono::steady_clock::now();
    int boxSize = 0;
    const AutoPickResult found = Search(*image, target, options, boxSize);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (const std::optional<int> status = SearchProblem(found, target.m_strImage, messages))
        return *status;
    const bool automatic = options.m_dThreshold < 0;
    const double threshold = automatic ? found.m_dAutomaticThreshold : options.m_dThreshold;

    PickState state;
    state.m_strOpenFilePath = target.m_strImage;
    state.m_bPickMode = 1;
    state.m_bCollate = target.m_bCollate ? 1 : 0;
    state.m_nMaskSize = boxSize;
    state.mrc = target.mrc;
    AddBest(state, found, threshold, options.m_nMax > 0 ? options.m_nMax : MAX_PICKS, messages);
    std::printf("%s\n", SummaryLine(state.m_nPickCount, threshold, automatic, seconds).c_str());
    messages.Detail(RejectionLine(found));
    std::fflush(stdout);
    if (state.m_nPickCount == 0) {
        messages.Error(pick_text::AUTO_NONE_FOUND);
        return ExitStatusFor(Outcome::Skipped);
    }
    const SavePicksResult saved = options.m_bDryRun
                                      ? SavePickCoordinates(state, image, messages, {}, micrograph)
                                      : SavePicks(state, image, messages, {}, micrograph);
    return PrintSaved(saved);
}

} // namespace gc::cli
