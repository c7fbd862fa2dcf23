// How a press of Convert or Cut ended. After a fatal outcome the caller ends the process with
// status 1; its messages have been shown already.
#pragma once

namespace gc {

enum class ConvertOutcome {
    Done,       // every file finished, "Done..." shown
    Stopped,    // ended early with a message (or silently); earlier outputs stay
    FatalRead,  // "READ ERROR…" shown
    FatalWrite, // "WRITE ERROR…" shown
    // A stop was requested (the command line's SIGINT/SIGTERM); the file being written was removed,
    // earlier outputs stay, nothing is shown.
    Interrupted,
};

inline bool IsFatal(ConvertOutcome outcome) {
    return outcome == ConvertOutcome::FatalRead || outcome == ConvertOutcome::FatalWrite;
}

} // namespace gc
