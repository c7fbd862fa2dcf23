// Every text of particle picking: the settings dialog, its prompts, the messages of saving, the
// words of the output file names and labels, and the command line's reports of refused picks.
#pragma once

namespace gc::pick_text {

// "Particle Pick Settings ..." dialog.
inline constexpr const char* DIALOG_CAPTION = "Particle Pick Settings ...";
inline constexpr const char* PICK_MODE_CHECK = "Set Picking Mode (Check for On)";
inline constexpr const char* COLLATE_CHECK = "Collate in one MRC file (Check for Yes)";
inline constexpr const char* MASK_SIZE_LABEL = "Size of square pick mask in Pixels";
inline constexpr const char* OK_BUTTON = "OK";
inline constexpr const char* CANCEL_BUTTON = "Cancel";

// The edit field's own prompts when its text is not an integer in 1..99999.
inline constexpr const char* ENTER_INTEGER = "Please enter an integer.";
inline constexpr const char* ENTER_INTEGER_IN_RANGE = "Please enter an integer between 1 and 99999.";

// OK refusals.
inline constexpr const char* SET_PICK_MODE_ON = "Set pick mode to On...";
inline constexpr const char* INVALID_MASK_SIZE =
    "Invalid Mask Size. Must be an integer between 2-200. Reenter...";

// Saving.
inline constexpr const char* NO_MEMORY = "Could not allocate arrays ... Insufficient Memory ...";
inline constexpr const char* CANNOT_CREATE = "Could not create file - : ";                // + file name
inline constexpr const char* CANNOT_WRITE_HEADER = "Could not write header to file - : "; // + file name
inline constexpr const char* CANNOT_WRITE_DATA = "Could not write data to file - : ";     // + file name
inline constexpr const char* SAVED = "Picked Images are saved ...";
// The MRC file an image was read from no longer gives its values (followed by its name).
inline constexpr const char* CANNOT_READ_VALUES = "Could not read the picked image's values from ";

// MRC labels.
inline constexpr const char* LABEL_SINGLE =
    "MRC file after picking images using Filmsplice.exe. Single image.";
inline constexpr const char* LABEL_COLLATED =
    "MRC file after picking images using Filmsplice.exe. Multiple images collated.";

// Output names: base + "_Picked_Image_" + time + "_" + ("Image_Number_" j | "Collated_Images_Number_" N) +
// ".mrc".
inline constexpr const char* NAME_PICKED = "_Picked_Image_";
inline constexpr const char* NAME_SINGLE = "Image_Number_";
inline constexpr const char* NAME_COLLATED = "Collated_Images_Number_";
inline constexpr const char* NAME_EXTENSION = ".mrc";
// A collated MRC2014 stack: the name image-stack readers expect.
inline constexpr const char* NAME_STACK_EXTENSION = ".mrcs";

// Command line: why a pick was not added (followed by "X,Y").
inline constexpr const char* REFUSED_OUTSIDE = "Pick refused, its box leaves the image: ";
inline constexpr const char* REFUSED_TOO_CLOSE = "Pick refused, a stored pick lies inside its box: ";
inline constexpr const char* REFUSED_STALE = "Pick refused, a stored pick lies outside the image: ";
inline constexpr const char* REFUSED_FULL = "Pick refused, the list already holds 1000 picks: ";
inline constexpr const char* REFUSED_MASK_SIZE = "Pick refused, the mask size is not between 2 and 200: ";
// After the first REFUSED_NAMED refusals, one line for the rest: their number, then this text.
inline constexpr int REFUSED_NAMED = 10;
inline constexpr const char* REFUSED_MORE = " more picks refused (only the first 10 are named)";
// Command line: a --coords file that cannot be read (followed by its name).
inline constexpr const char* COORDS_UNREADABLE = "Cannot read the coordinate file ";
// A --coords file larger than any list of picks (after its name).
inline constexpr const char* COORDS_TOO_LARGE = ": larger than 64 MiB, not a coordinate file";
// No centre was left to cut a box around (every one refused, or none given).
inline constexpr const char* NO_CENTRE_LEFT = "No box saved: no box centre is left.";
// A file of the save that would replace an input or another file of the same save:
// "<name> is not written: <name> is an input of this pick."
inline constexpr const char* NOT_WRITTEN = " is not written: ";
inline constexpr const char* CLASHES_WITH_INPUT = " is an input of this pick.";
inline constexpr const char* CLASHES_WITH_OUTPUT = " has already been written by this pick.";
// An earlier file without write permission is kept: "<name> is not written: read-only: <name>".
inline constexpr const char* OUTPUT_READ_ONLY = "read-only: ";

// Suggested picks from the command line: "Found N particles (threshold T, automatic) in S s".
inline constexpr const char* AUTO_FOUND = "Found ";
inline constexpr const char* AUTO_FOUND_PARTICLES = " particles (threshold ";
inline constexpr const char* AUTO_THRESHOLD_AUTOMATIC = ", automatic) in ";
inline constexpr const char* AUTO_THRESHOLD_GIVEN = ", given) in ";
inline constexpr const char* AUTO_SECONDS = " s";
// "Dropped: A on dark areas, B with boxes leaving the image, C within a particle of a better one".
inline constexpr const char* AUTO_REJECTED = "Dropped: ";
inline constexpr const char* AUTO_REJECTED_DARK = " on dark areas, ";
inline constexpr const char* AUTO_REJECTED_EDGE = " with boxes leaving the image, ";
inline constexpr const char* AUTO_REJECTED_CLOSE = " within a particle of a better one";
// No candidate reached the threshold.
inline constexpr const char* AUTO_NONE_FOUND = "no particles found";
// More candidates than a list holds: "K particles dropped: only the best N are kept".
inline constexpr const char* AUTO_DROPPED = " particles dropped: only the best ";
inline constexpr const char* AUTO_DROPPED_KEPT = " are kept";
// A diameter that cannot be searched for (after the option's text).
inline constexpr const char* AUTO_BAD_DIAMETER = "--diameter: give MIN or MIN:MAX, numbers with MIN <= MAX, "
                                                 "at least a pixel and no larger than the image: ";
// A threshold that is not a number.
inline constexpr const char* AUTO_BAD_THRESHOLD = "--threshold: give a number of 0 or more";
// Options of the search given without --auto.
inline constexpr const char* AUTO_OPTIONS_ALONE =
    "--diameter, --threshold, --invert, --max and --dry-run go with --auto";
// Centres given with --auto.
inline constexpr const char* AUTO_WITH_CENTRES =
    "--auto finds the centres itself: give no X,Y and no --coords";

// The "Suggest Picks" dialog.
inline constexpr const char* SUGGEST_CAPTION = "Suggest Picks";
inline constexpr const char* SUGGEST_DIAMETER_LABEL = "Particle diameter (MIN or MIN:MAX)";
inline constexpr const char* SUGGEST_PIXEL_SIZE_LABEL = "Pixel size (Å; empty: diameter in pixels)";
inline constexpr const char* SUGGEST_INVERT_CHECK = "Particles brighter than their surroundings";
inline constexpr const char* SUGGEST_FIND_BUTTON = "Find";
inline constexpr const char* SUGGEST_THRESHOLD_LABEL = "Threshold";
inline constexpr const char* SUGGEST_ACCEPT_ALL_BUTTON = "Accept All";
inline constexpr const char* SUGGEST_UNDO_BUTTON = "Undo";
inline constexpr const char* SUGGEST_CLOSE_BUTTON = "Close";
// "N suggested, M accepted (threshold T)".
inline constexpr const char* SUGGEST_COUNT_SHOWN = " suggested, ";
inline constexpr const char* SUGGEST_COUNT_ACCEPTED = " accepted (threshold ";
// Find refused.
inline constexpr const char* SUGGEST_BAD_DIAMETER = "Give the particle diameter as MIN or MIN:MAX, positive "
                                                    "numbers with MIN <= MAX, no larger than the image.";

} // namespace gc::pick_text
