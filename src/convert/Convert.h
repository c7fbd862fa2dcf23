// Convert: transmittance TIFF images (8 or 16 bits, greyscale, strips of at most 1024 rows) to
// optical density, written as float32 MRC files, optionally with a binned copy. Each file is read
// twice (statistics first, so the header goes in front of the data, then the values); the binned copy
// re-reads the written file. Memory stays at one strip, one row and one row of accumulators.
#pragma once

#include "ConvertOutcome.h"
#include "OpticalDensity.h"
#include "PendingOutput.h"
#include "StripImage.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "image/MrcOutputFile.h"

#include <string>
#include <vector>

namespace gc {

inline constexpr std::uint32_t MAX_ROWS_PER_STRIP = 1024;
inline constexpr int MAX_BINNED_SIZE = 10000;
// Files one press of Convert or Cut takes.
inline constexpr int MAX_TIFF_FILES = 100;
// Bounds of the integer part of a fit constant's magnitude (the dialog's m_nLowerLimit, m_nUpperLimit).
inline constexpr int FIT_LOWER_LIMIT = 0;
inline constexpr int FIT_UPPER_LIMIT = 20000;

// What one press of Convert works with.
struct ConvertSettings {
    double m_dGain = 0.0;
    FitConstants m_fit;
    // 0 none, 1, 2, 3 for bin size 2, 3, 4.
    int m_nBinIndex = 0;
    // OUTPUT_FORMAT_AUTO is replaced by the scale of the first file converted.
    int m_nOutputFormat = OUTPUT_FORMAT_AUTO;
    bool m_bNegative = false;
    bool m_bStatistics = false;
    MrcStyle m_style = MrcStyle::Classic;
    double m_dPixelSize = 0; // Å per pixel of the full-size file; 0 when not set
};

// Bin size of a bin-list index: 0 (none), 2, 3 or 4.
int BinSizeOfIndex(int binIndex);

// A fit constant is accepted when it is not 0 and the integer part of its magnitude lies within
// lower..upper.
bool FitConstantAccepted(float value, int lower, int upper);

// Reads the texts of the a, x0 and y0 fields (leniently, rounded to float32) and checks them in that
// order; shows the message of the first refused one and returns false.
bool ReadFitConstants(const std::string& aText, const std::string& x0Text, const std::string& y0Text,
                      int lower, int upper, FitConstants& fit, Messages& messages);

// The fit constants as the three fields hold them: a GAIN choice fills them with up to 15 significant
// digits (FormatGeneral), the defaults and the last-run file with the shortest exact text
// (FormatShortest); Convert reads them back from these texts.
inline constexpr int FIT_FIELD_DIGITS = 15;
struct FitTexts {
    std::string a, x0, y0;
};
FitTexts FitTextsOf(double a, double x0, double y0);
FitTexts FitTextsOfGain(int gainIndex);

// Convert as its button does, the one way in for the dialog and the command line: the constants read
// from their texts (a refused text shows its "... re-enter." message: Refused, nothing done), then
// ConvertFiles.
ConvertOutcome ConvertFromTexts(const std::vector<std::string>& files, const FitTexts& texts,
                                ConvertSettings& settings, const std::string& lastRunPath, Messages& messages,
                                Progress& progress);

// A press of Convert after the fields were read and files were loaded: records the GAIN and constants
// in the last-run file at `lastRunPath`, converts every file in order and shows "Done...". Every
// output is written under a temporary name and takes its own name only when complete; a stop request
// (looked at once per strip or row) ends it with Interrupted, the unfinished outputs removed.
ConvertOutcome ConvertFiles(const std::vector<std::string>& files, ConvertSettings& settings,
                            const std::string& lastRunPath, Messages& messages, Progress& progress);

// One input file: checks, first pass, header, second pass and, with a bin size, the binned copy.
ConvertOutcome ConvertFileToOd(const std::string& path, int fileIndex, int fileCount,
                               ConvertSettings& settings, Messages& messages, Progress& progress);

// Writes the binned copy of the full-size file `fullName` into `binned`, which holds the placeholder
// header: B × B block means as float32, the last NX mod B columns and NY mod B rows dropped, then the
// finished header over the placeholder; closes both files and commits `binned` under its own name.
ConvertOutcome BinMrcFile(const std::string& fullName, MrcOutputFile& binned, int binSize, Messages& messages,
                          Progress& progress);

} // namespace gc
