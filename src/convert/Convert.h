// Convert: transmittance TIFF images (8 or 16 bits, greyscale, strips of at most 1024 rows) to
// optical density, written as float32 MRC files, optionally with a binned copy. Each file is read
// twice (statistics first, so the header goes in front of the data, then the values); the binned copy
// re-reads the written file. Memory stays at one strip, one row and one row of accumulators.
#pragma once

#include "ConvertOutcome.h"
#include "OpticalDensity.h"
#include "StripImage.h"
#include "SystemReason.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "image/MrcRowFile.h"

#include <string>
#include <vector>

namespace gc {

inline constexpr std::uint32_t MAX_ROWS_PER_STRIP = 1024;
inline constexpr int MAX_BINNED_SIZE = 10000;
// Files one press of Convert or Cut takes.
inline constexpr int MAX_TIFF_FILES = 100;

// What one press of Convert works with: values only (the dialog's texts are read by FitFields.h).
struct ConvertSettings {
    double m_dGain = 0.0;
    FitConstants m_fit;
    // Bin size of the extra binned copy: 0 (none), 2, 3 or 4.
    int m_nBinSize = 0;
    // OUTPUT_FORMAT_AUTO is replaced by the scale of the first file converted.
    int m_nOutputFormat = OUTPUT_FORMAT_AUTO;
    bool m_bNegative = false;
    bool m_bStatistics = false;
    MrcOptions mrc; // the header style and the pixel size of the full-size file
};

// A press of Convert with the fit constants read and checked and files loaded: records the GAIN and
// constants in the last-run file at `lastRunPath`, converts every file in order and shows "Done...".
// Every output is written under a temporary name and takes its own name only when complete; a stop
// request (looked at once per strip or row) ends it with Interrupted, the unfinished outputs removed.
ConvertOutcome ConvertFiles(const std::vector<std::string>& files, ConvertSettings& settings,
                            const std::string& lastRunPath, Messages& messages, Progress& progress);

// One input file: checks, first pass, header, second pass and, with a bin size, the binned copy.
ConvertOutcome ConvertFileToOd(const std::string& path, int fileIndex, int fileCount,
                               ConvertSettings& settings, Messages& messages, Progress& progress);

// Writes the binned copy of the full-size file `fullName` into `binned`, which holds the placeholder
// header: B × B block means as float32, the last NX mod B columns and NY mod B rows dropped, then the
// finished header over the placeholder; closes both files and commits `binned` under its own name.
ConvertOutcome BinMrcFile(const std::string& fullName, MrcRowFile& binned, int binSize, Messages& messages,
                          Progress& progress);

} // namespace gc
