// Particle picking on the view's current image: adding and removing box centres with the strict
// edge and neighbour tests, and saving the boxes as float MRC files (one per box or one collated
// stack) named after the opened image with a UTC time stamp. The view calls these from its mouse
// handlers and redraws when something changed; the command line calls them with image coordinates.
#pragma once

#include "PickState.h"
#include "PickValues.h"
#include "core/Messages.h"
#include "image/PixelStore.h"

#include "core/Outcome.h"
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>

#include <string>
#include <vector>

namespace gc {

enum class AddPickResult {
    Added,
    NotPicking,      // no valid image, or pick mode off: nothing happens
    ListFull,        // MAX_PICKS picks stored
    InvalidMaskSize, // the size is outside MIN_MASK_SIZE..MAX_MASK_SIZE
    LeavesImage,     // the new box's test rectangle leaves the image
    TouchesPick,     // a stored centre lies strictly inside the new test rectangle
    StalePick,       // a stored centre lies outside the image (a smaller image is shown now)
};

enum class SavePicksOutcome {
    NothingToSave,   // no valid image, pick mode off or no picks: nothing written, nothing shown
    Saved,           // every file written
    SavedWithErrors, // a box's values could not be read; its message was shown, not "saved"
    WriteFailed,     // a file could not be created or written (after a line naming the reason), not "saved"
    Interrupted,     // a stop was asked for: the boxes written before it stay, no later file is written
    // every file written but those whose names would have replaced an input or another file of the
    // save (each named in a warning), not "saved"
    SavedNotAll,
    FatalMemory, // the box buffer could not be allocated: the caller ends the program (status 1)
};

// A save that could not write every file ends the command (the desktop program goes on); running out
// of memory ends the program.
inline Outcome OutcomeOf(SavePicksOutcome outcome) {
    switch (outcome) {
    case SavePicksOutcome::NothingToSave:
    case SavePicksOutcome::Saved:
        return Outcome::Done;
    case SavePicksOutcome::SavedNotAll:
        return Outcome::Skipped;
    case SavePicksOutcome::SavedWithErrors:
        return Outcome::CannotHandle;
    case SavePicksOutcome::WriteFailed:
        return Outcome::WriteFailed;
    case SavePicksOutcome::Interrupted:
        return Outcome::Interrupted;
    case SavePicksOutcome::FatalMemory:
        break;
    }
    return Outcome::Fatal;
}

struct SavePicksResult {
    SavePicksOutcome m_outcome = SavePicksOutcome::NothingToSave;
    std::vector<std::string> m_written;         // MRC files created and written completely, in order
    std::vector<std::string> m_coordinateFiles; // the .box and .star files written completely
};

// What saving takes from its surroundings; tests replace them.
struct PickSaveHooks {
    std::function<std::chrono::system_clock::time_point()> m_now; // default: the system clock
    // Opens the temporary name of each output; default: the PendingFile creates it ("wb").
    std::function<std::FILE*(const std::string&)> m_open;
    // Looked at before each file: true ends the save (Interrupted); default: never.
    std::function<bool()> m_stopRequested;
};

// Image position of a pointer at window position (pointerX, pointerY) with the view scrolled to
// (scrollX, scrollY): each quotient by the zoom factor is truncated toward zero on its own.
PickPoint PointerToImage(int pointerX, int pointerY, float zoom, int scrollX, int scrollY);

// Test rectangle of a pick: centre ± half the mask size (integer division), in 64 bits so that a centre
// near the ends of the int range cannot wrap around into the image.
struct PickRect {
    std::int64_t left, top, right, bottom;
};
PickRect PickTestRect(PickPoint centre, int maskSize);

AddPickResult AddPick(PickState& state, const PixelStore* image, PickPoint centre);
// Removes the oldest pick whose centre lies strictly inside the test rectangle around `position`.
bool RemovePick(PickState& state, const PixelStore* image, PickPoint position);
// Writes the boxes, then the centres of the boxes written as "<image>_picks.box" (EMAN2) and
// "<image>_picks.star" (RELION; none when no box was written), clears the list and switches pick mode
// and collate off (the size stays). Each file is written under a temporary name and takes its own name
// only when complete; a file that cannot be created or written is reported (after a line naming it and
// the system's reason) and left out. "Picked Images are saved ..." is shown only when every file was
// written. Nothing is cleared on FatalMemory.
// The boxes hold the values of `image` (PickValues.h; a box whose values cannot be read is reported
// and left out) and take the micrograph's pixel size unless the state gives one. The coordinate files
// count rows as the readers of the micrograph do (RowOrder): as stored when `micrograph` names the MRC
// file the image was read from, from the bottom otherwise.
// No file replaces the opened image, one of `otherInputs` (a coordinate file the centres came from)
// or another file of the same save: such a file is not written, with a warning (SavedNotAll).
SavePicksResult SavePicks(PickState& state, const PixelStore* image, Messages& messages,
                          const PickSaveHooks& hooks = {}, const PickMicrograph& micrograph = {},
                          const std::vector<std::string>& otherInputs = {});

// Writes only the coordinate files of the picks, as SavePicks writes them (no boxes, no "saved"
// message), and clears the list as a save does.
SavePicksResult SavePickCoordinates(PickState& state, const PixelStore* image, Messages& messages,
                                    const PickSaveHooks& hooks = {}, const PickMicrograph& micrograph = {});

// The path cut at the first "." of its file name (the part after the last "/").
std::string PickFileBase(const std::string& path);
// year_month_day_hour_minute_second_millisecond in UTC, decimal without leading zeros.
std::string PickTimeStamp(std::chrono::system_clock::time_point time);
// base + "_Picked_Image_" + stamp + "_" + ("Image_Number_" | "Collated_Images_Number_") + number + ".mrc"
std::string PickFileName(const std::string& openFilePath, std::chrono::system_clock::time_point time,
                         bool collated, int number);

} // namespace gc
