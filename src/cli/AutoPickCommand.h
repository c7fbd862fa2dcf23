// pick --auto: box centres suggested by the particle search instead of given ones.
#pragma once

#include "image/MrcOptions.h"

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace gc::cli {

// The options of pick --auto, and the shared pick options the search needs.
struct AutoPickOptions {
    bool m_bAuto = false;
    std::string m_strDiameter; // "MIN" or "MIN:MAX", Å with --pixel-size, pixels without
    double m_dThreshold = -1;  // below 0: the automatic threshold
    bool m_bInvert = false;
    int m_nMax = 0; // 0: the pick limit
    bool m_bDryRun = false;
};

// What pick --auto works on, from the pick command's own options.
struct AutoPickTarget {
    std::string m_strImage;
    int m_nImage = 1; // from 1
    int m_nSize = 0;  // 0: from the diameter
    bool m_bCollate = false;
    MrcOptions mrc;
    bool m_bCentresGiven = false; // X,Y arguments or --coords
};

// Adds --auto, --diameter, --threshold, --invert, --max and --dry-run to the pick command.
void AddAutoPickOptions(CLI::App& command, AutoPickOptions& options);

// Throws UsageError when an option of --auto is given without it.
void CheckWithoutAuto(const AutoPickOptions& options);

// Searches the image, picks the best candidates and saves them as a pick by hand would be saved
// (--dry-run: the coordinate files only); prints the count, the threshold and the time. Returns the
// exit status; throws UsageError for a diameter it cannot search for.
int RunAutoPick(const AutoPickTarget& target, const AutoPickOptions& options);

} // namespace gc::cli
