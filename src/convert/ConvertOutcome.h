// How a press of Convert or Cut ended. The front ends decide what follows through OutcomeOf (a fatal
// outcome ends the program with status 1); its messages have been shown already.
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
