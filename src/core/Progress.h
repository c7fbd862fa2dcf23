// Progress: a range and a position, set by long operations (the Run, Convert, Cut) as they go.
#pragma once

#include <algorithm>
#include <cstdint>

namespace gc {

// Long operations move their bar from 10 (started) to 100 (done).
inline constexpr int PROGRESS_START = 10;
inline constexpr int PROGRESS_END = 100;
inline constexpr int PROGRESS_SPAN = PROGRESS_END - PROGRESS_START;

// The bar after `done` of `whole` units: 10 + done · 90 / whole in whole numbers (truncated), never
// beyond 100; 100 when there is nothing to do.
constexpr int ProgressPosition(std::uint64_t done, std::uint64_t whole) {
    if (whole == 0)
        return PROGRESS_END;
    return static_cast<int>(
        std::min<std::uint64_t>(done * PROGRESS_SPAN / whole + PROGRESS_START, PROGRESS_END));
}

class Progress;

// The range 0..PROGRESS_END with the bar at PROGRESS_START, as when a Run begins.
void StartProgress(Progress& progress);
// The bar full, as when a Run has gone through all its files.
void FinishProgress(Progress& progress);

class Progress {
public:
    virtual ~Progress() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetPos(int position) = 0;
    // True once the user has asked the operation to stop (the command line's SIGINT/SIGTERM). Long
    // operations look at it once per row of tiles or strip and then end with an interrupted outcome,
    // removing their temporaries.
    virtual bool StopRequested() const { return false; }
};

class NullProgress final : public Progress {
public:
    void SetRange(int, int) override {}
    void SetPos(int) override {}
};

inline void StartProgress(Progress& progress) {
    progress.SetRange(0, PROGRESS_END);
    progress.SetPos(PROGRESS_START);
}

inline void FinishProgress(Progress& progress) {
    progress.SetPos(PROGRESS_END);
}

} // namespace gc
