// How a press of Convert or Cut ended. After a fatal outcome the caller ends the process with
// status 1; its messages have been shown already.
#pragma once

#include "core/Outcome.h"

namespace gc {

enum class ConvertOutcome {
    Done,         // every file finished, "Done..." shown
    Skipped,      // finished, "Done..." shown, but a file's outputs were not written (their names clashed)
    Refused,      // a typed value was refused ("... re-enter.") or no file was loaded; nothing done
    CannotHandle, // ended early on a file it cannot handle (its message shown); earlier outputs stay
    FatalRead,    // "READ ERROR…" shown
    FatalWrite,   // "WRITE ERROR…" shown
    // A stop was requested (the command line's SIGINT/SIGTERM); the file being written was removed,
    // earlier outputs stay, nothing is shown.
    Interrupted,
};

inline bool IsFatal(ConvertOutcome outcome) {
    return outcome == ConvertOutcome::FatalRead || outcome == ConvertOutcome::FatalWrite;
}

inline Outcome OutcomeOf(ConvertOutcome outcome) {
    switch (outcome) {
    case ConvertOutcome::Done:
        return Outcome::Done;
    case ConvertOutcome::Skipped:
        return Outcome::Skipped;
    case ConvertOutcome::Refused:
        return Outcome::Refused;
    case ConvertOutcome::CannotHandle:
        return Outcome::CannotHandle;
    case ConvertOutcome::Interrupted:
        return Outcome::Interrupted;
    case ConvertOutcome::FatalRead:
    case ConvertOutcome::FatalWrite:
        break;
    }
    return Outcome::Fatal;
}

} // namespace gc
