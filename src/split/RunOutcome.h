// Outcomes of the Run's steps and of one input file.
#pragma once

namespace gc {

// Result of one step inside a file: a tile pass, an output open or write.
enum class StepResult { Ok, FatalRead, FatalWrite, Interrupted };

// Result of one input file.
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

} // namespace gc
