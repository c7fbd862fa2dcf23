// BarProgress: a QProgressBar behind the core's Progress interface, for the work that runs on the
// user-interface thread (the Run and its preview, Convert, Cut). A new position repaints the bar at
// once and lets the windows paint while user input stays queued, so no command can start meanwhile.
// A position set again to the same value costs nothing: the Run sets it far more often than it
// changes.
#pragma once

#include "core/Progress.h"

class QProgressBar;

namespace gc {

class BarProgress final : public Progress {
public:
    // Whether each new position also gives the bar the keyboard focus (the Run's window does so).
    enum class Focus { Keep, MoveToBar };

    explicit BarProgress(QProgressBar* bar = nullptr, Focus focus = Focus::Keep);

    // The bar to move; nullptr moves none. A new bar shows the next position, whatever it is.
    void SetBar(QProgressBar* bar);

    void SetRange(int lower, int upper) override;
    void SetPos(int position) override;

private:
    QProgressBar* m_bar;
    Focus m_focus;
    int m_lastPosition = -1;
};

} // namespace gc
