// Progress_Control: the modeless "Run Progress Indicator..." window with one progress bar, shown
// while a Run works. QtProgress feeds it from the core's Progress interface.
#pragma once

#include "core/Progress.h"

#include <QDialog>

class QProgressBar;

namespace gc {

class Progress_Control : public QDialog {
    Q_OBJECT
public:
    explicit Progress_Control(QWidget* parent = nullptr);
    QProgressBar* m_progress = nullptr;
};

// Sets the bar's range and position. A new position repaints the bar at once and lets the windows
// paint (user input stays queued, so no command can start meanwhile); the same position again costs
// nothing.
class QtProgress final : public Progress {
public:
    explicit QtProgress(Progress_Control& control) : m_control(control) {}
    void SetRange(int lower, int upper) override;
    void SetPos(int position) override;

private:
    Progress_Control& m_control;
    int m_nLastPosition = -1;
};

} // namespace gc
