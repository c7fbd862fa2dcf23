// The result of an operation that carries its own reason: what ended it (the subsystem's outcome),
// what was being done ("writing out/a_1.mrc") and why it failed (the system's error number, or a
// text where the system gave none). Returned by value, so no caller has to read a failure from a
// member or from errno after the call.
#pragma once

#include <string>

namespace gc {

// "<what>: <reason>": the reason is the system's text for `error`, or `detail` when `error` is 0 and
// there is one ("writing out/a_1.mrc: No space left on device"). Without `what`, `detail` is the whole
// reason as it was given ("reading s.tif: tile 3 cannot be read"); "" when there is none at all.
std::string ReasonText(const std::string& what, const std::string& detail, int error);

// `Kind` is the subsystem's outcome enum; its first value (Kind{}) means the operation succeeded.
template <class Kind> struct Result {
    Kind outcome{};
    std::string what;   // what was being done: "writing out/a_1.mrc"
    std::string detail; // the reason when the system gave none
    int error = 0;      // the system's error number; 0 when it gave none

    // An outcome that carries no reason (an interruption, a stop reported on the way).
    static Result Of(Kind kind) {
        Result result;
        result.outcome = kind;
        return result;
    }

    // An outcome whose reason is one whole line ("reading s.tif: tile 3 cannot be read").
    static Result Because(Kind kind, const std::string& line) {
        Result result;
        result.outcome = kind;
        result.detail = line;
        return result;
    }

    bool Succeeded() const { return outcome == Kind{}; }
    // The reason's line; "" when the result carries none.
    std::string Reason() const { return ReasonText(what, detail, error); }

    // The same reason under another outcome (a subsystem's view of a lower layer's failure).
    template <class Other> Result<Other> As(Other other) const { return {other, what, detail, error}; }
};

} // namespace gc
