// Outcomes of the Run's steps (a tile pass, an output's open or write: Done or a stop) and of one
// input file.
#pragma once

#include "core/Result.h"

namespace gc {

enum class RunOutcome {
    Done,
    Skipped,    // a message was shown; the Run goes on with the next file
    FatalRead,  // "READ ERROR: ..." and the program ends
    FatalWrite, // "WRITE ERROR: ..." and the program ends
    FatalRgb,   // "RGB Format encountered. ..." and the program ends
    Interrupted // the user asked the Run to stop; no message, temporaries removed
};

inline bool IsFatal(RunOutcome outcome) {
    return outcome == RunOutcome::FatalRead || outcome == RunOutcome::FatalWrite ||
           outcome == RunOutcome::FatalRgb;
}

// A step's outcome with the detail line of its stop ("reading s.tif: tile 3 cannot be read",
// "writing out/a_1.mrc: No space left on device"); no reason for Done, Skipped or Interrupted.
using SplitResult = Result<RunOutcome>;

} // namespace gc
