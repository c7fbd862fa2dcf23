// Cut: copies a rectangle of each loaded greyscale TIFF file (8 or 16 bits, one row per strip) into a
// new TIFF file of the same depth, "_Cut_<index>" inserted into its name, one row per strip, pixel
// values unchanged.
#pragma once

#include "ConvertOutcome.h"
#include "core/Messages.h"
#include "core/Progress.h"

#include <string>
#include <vector>

namespace gc {

// Bounds of a corner coordinate: the lower one excluded, the upper one included.
inline constexpr int CUT_LOWER_LIMIT = 0;
inline constexpr int CUT_UPPER_LIMIT = 20000;

// 1-based, both corners included: width end X − start X + 1, height end Y − start Y + 1.
struct CutRectangle {
    int m_nStartX = 0;
    int m_nStartY = 0;
    int m_nEndX = 0;
    int m_nEndY = 0;
    int Width() const { return m_nEndX - m_nStartX + 1; }
    int Height() const { return m_nEndY - m_nStartY + 1; }
};

// Reads the four field texts as decimal integers (leading digits taken, the rest ignored) and checks
// them in the order start X, start Y, end X, end Y, then that the end lies beyond the start on both
// axes; shows the first problem's message and returns false.
bool ReadCutRectangle(const std::string& startX, const std::string& startY, const std::string& endX,
                      const std::string& endY, int lower, int upper, CutRectangle& rectangle,
                      Messages& messages);

// The four corner fields as typed.
struct CutTexts {
    std::string startX, startY, endX, endY;
};

// Cut as its button does, the one way in for the dialog and the command line: the bar at 10, the
// rectangle read from its texts (a refused corner shows its message: Refused, nothing done), then
// CutFiles.
ConvertOutcome CutFromTexts(const std::vector<std::string>& files, const CutTexts& texts, bool statistics,
                            Messages& messages, Progress& progress);

// A press of Cut after the fields were read and files were loaded: cuts every file in order and shows
// "Done...". Each output is written under a temporary name and takes its own name only when complete;
// a stop request (looked at once per row) ends it with Interrupted, the unfinished output removed.
ConvertOutcome CutFiles(const std::vector<std::string>& files, const CutRectangle& rectangle, bool statistics,
                        Messages& messages, Progress& progress);

// One file: output name, optional statistics report, format and range checks, the copy.
ConvertOutcome CutFile(const std::string& path, int fileIndex, int fileCount, const CutRectangle& rectangle,
                       bool statistics, Messages& messages, Progress& progress);

} // namespace gc
