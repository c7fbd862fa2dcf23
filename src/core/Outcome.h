// How an operation ended, in one vocabulary for every subsystem and both front ends, and the one
// mapping of it onto the command line's exit statuses. Subsystems keep their detailed results where
// the detail picks a message (a read error or a write error); each maps them onto an Outcome.
#pragma once

namespace gc {

enum class Outcome {
    Done,         // the operation finished
    Skipped,      // it finished, but an input was skipped or an expected image not found or not written
    Refused,      // a value the user gave was refused (the "re-enter" messages); nothing was done
    CannotHandle, // it ended on an input (or output) it cannot handle; the desktop program goes on
    WriteFailed,  // a file could not be written (a full disk, the size limit); the desktop program goes on
    Fatal,        // a fatal stop: the desktop program ends itself with status 1
    Interrupted,  // the user asked it to stop; no partial file is left
};

enum ExitStatus : int {
    EXIT_DONE = 0,
    EXIT_FATAL = 1,
    EXIT_USAGE = 2, // a usage error, or a refused value
    EXIT_SKIPPED = 3,
    EXIT_CANNOT_HANDLE = 4,
    EXIT_SIGNAL_BASE = 128, // + the signal's number after an interruption (130 SIGINT, 143 SIGTERM)
};

// The command line's exit status for `outcome`; `stopSignal` is the signal that interrupted it.
constexpr int ExitStatusOf(Outcome outcome, int stopSignal) {
    switch (outcome) {
    case Outcome::Done:
        return EXIT_DONE;
    case Outcome::Skipped:
        return EXIT_SKIPPED;
    case Outcome::Refused:
        return EXIT_USAGE;
    case Outcome::CannotHandle:
        return EXIT_CANNOT_HANDLE;
    case Outcome::Fatal:
    case Outcome::WriteFailed:
        return EXIT_FATAL;
    case Outcome::Interrupted:
        return EXIT_SIGNAL_BASE + stopSignal;
    }
    return EXIT_FATAL;
}

// Whether the desktop program ends itself (with status 1) after this outcome.
constexpr bool EndsProgram(Outcome outcome) {
    return outcome == Outcome::Fatal;
}

} // namespace gc
