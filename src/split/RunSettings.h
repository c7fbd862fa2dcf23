// RunSettings: the values a Run is made with (its input files, the images looked for, their naming and
// output format), with their start-up values, and the summary text that SAVE PARAMETERS shows. The
// dialog's own state (saved, files loaded, a Run in progress) is not here: the desktop keeps it.
#pragma once

#include "image/MrcOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gc {

// Input files a Run takes at most (the dialog's and the command line's limit).
inline constexpr int MAX_INPUT_FILES = 100;
// Characters the append-string and start-number fields take.
inline constexpr int APPEND_STRING_LIMIT = 50;
inline constexpr int START_NUMBER_LIMIT = 6;

// How the images of a scan are found: the classic search (corner by corner, each image after the one
// before it), or the sheet finder (each cell on its own, edges fitted; SheetFinder.h).
enum class ImageFinder { Classic, Sheet };

struct RunSettings {
    int m_nImageCount = 6; // 1..6 images per scan
    int m_nHeightCm = 10;  // 9, 10, 11
    int m_nWidthCm = 8;    // 7, 8, 9
    int m_nBinning = 0;    // 0 (none), 2, 3, 4
    bool m_bOutputTiff = false;
    bool m_bBatchMode = false;
    bool m_bAppendString = false;
    bool m_bStartNumber = false;
    bool m_bOutputDir = false;
    std::string m_strAppendString;            // at most 50 characters
    std::string m_strStartNumber;             // at most 6 digits
    std::string m_strOutputDir;               // absolute folder ending in "/", or empty
    std::vector<std::string> m_strInputFiles; // the scans, in the order they are split
    // How MRC outputs are written: the style (kept by the dialog: a preference, not a dialog field)
    // and the pixel size in Å of the full-size outputs (0: not set; the dialog's field), or the
    // microscope's magnification from which each scan's resolution tags give it (0: not used).
    MrcOptions mrc;
    double m_dMagnification = 0;
    ImageFinder m_finder = ImageFinder::Classic;
    // The time every MRC2014 label of the Run names, in seconds since the epoch (0: the time the Run
    // starts). A plan keeps its own, so that its tasks write the bytes one Run would.
    std::int64_t m_nLabelTime = 0;
    // With the sheet finder: turn each turned sheet back before it is cut (resampled bilinearly).
    bool m_bDeskew = false;
};

// The values the parameter fields take from what the user gave them; the dialog and the command line
// both use them. An append string left empty is "empty", a start number left empty is "0001", and the
// output folder is kept with a "/" after the chosen folder.
std::string AppendStringFromText(const std::string& text);
// Characters of a UTF-8 text (a byte that is not UTF-8 counts as one character), as the append
// field counts them.
std::size_t CharacterCount(const std::string& text);
// Whether `text` can stand in an output's file name: no path separator ("/" or "\\") and not "..",
// so the outputs stay in their folder.
bool AppendStringStaysInFolder(const std::string& text);
std::string StartNumberFromText(const std::string& text);
std::string OutputFolderFromChosen(const std::string& folder);

// The text SAVE PARAMETERS shows for `parameters` (every line ends in "\n").
std::string BuildRunSummary(const RunSettings& parameters);

} // namespace gc
