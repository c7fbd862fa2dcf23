// RunProgressDialog: the modeless "Run Progress Indicator..." window with one progress bar, shown
// while a Run works. QtProgress feeds it from the core's Progress interface; RunProgressWindow opens
// it when the work starts.
#pragma once

#include "core/Progress.h"

#include <QDialog>

#include <memory>

class QProgressBar;

namespace gc {

class RunProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit RunProgressDialog(QWidget* parent = nullptr);
    QProgressBar* m_progress = nullptr;
};

// Sets the bar's range and position. A new position repaints the bar at once and lets the windows
// paint (user input stays queued, so no command can start meanwhile); the same position again costs
// nothing.
class QtProgress final : public Progress {
public:
    explicit QtProgress(RunProgressDialog& control) : m_control(control) {}
    void SetRange(int lower, int upper) override;
    void SetPos(int position) override;

private:
    RunProgressDialog& m_control;
    int m_nLastPosition = -1;
};

// The progress of a Run (or of a preview of one): shows a RunProgressDialog at the first range or
// position set, so a refused command shows no window; Close removes it.
class RunProgressWindow final : public Progress {
public:
    explicit RunProgressWindow(QWidget* parent) : m_pParent(parent) {}
    void SetRange(int lower, int upper) override { Window().SetRange(lower, upper); }
    void SetPos(int position) override { Window().SetPos(position); }
    bool IsShown() const { return m_pControl != nullptr; }
    void Close();

private:
    QtProgress& Window();
    QWidget* m_pParent;
    std::unique_ptr<RunProgressDialog> m_pControl;
    std::unique_ptr<QtProgress> m_pProgress;
};

} // namespace gc
