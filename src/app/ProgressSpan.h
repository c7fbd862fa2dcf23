// The span the long operations' progress bars move through: the range is 0 to PROGRESS_END, and the
// bar stands at PROGRESS_START as soon as the work has begun. The Run driver counts with the same
// two numbers; the desktop program's own uses (the preview of a Run, the bars' first range) take
// them from here.
#pragma once

#include "core/Progress.h"

namespace gc {

inline constexpr int PROGRESS_START = 10;
inline constexpr int PROGRESS_END = 100;

// The range 0..PROGRESS_END with the bar at PROGRESS_START, as when a Run begins.
inline void StartProgress(Progress& progress) {
    progress.SetRange(0, PROGRESS_END);
    progress.SetPos(PROGRESS_START);
}

// The bar full, as when a Run has gone through all its files.
inline void FinishProgress(Progress& progress) {
    progress.SetPos(PROGRESS_END);
}

} // namespace gc
