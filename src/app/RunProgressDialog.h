// RunProgressDialog: the "Run Progress Indicator..." window with its progress bar, shown while a Run
// works, and below it the scan being split (file k of n), the images written so far, the time left
// and a Stop button. RunProgressWindow opens it when the work starts and moves its bar through a
// BarProgress.
//
// While the window is shown it blocks input to the other windows, and each new position lets it take
// its own clicks: Stop asks the Run to end at the next row of tiles, as SIGINT does for the command
// line. No command of the main window can start meanwhile.
#pragma once

#include "BarProgress.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace gc {

class RunProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit RunProgressDialog(QWidget* parent = nullptr);
    QProgressBar* m_progress = nullptr;
    QLabel* m_pFile = nullptr;   // scan name, file k of n
    QLabel* m_pImages = nullptr; // images written so far
    QLabel* m_pTime = nullptr;   // time left
    QPushButton* m_pStop = nullptr;
    bool m_bStopRequested = false;
};

// What the progress window shows beside the bar, asked for at every new position.
struct RunProgressStatus {
    std::string path; // the scan being split
    int fileIndex = 0;
    int fileCount = 0;
    int imagesWritten = 0;
};

// The progress of a Run (or of a preview of one): shows a RunProgressDialog at the first range or
// position set, so a refused command shows no window; Close removes it. Each new position gives the
// bar the keyboard focus.
class RunProgressWindow final : public Progress {
public:
    explicit RunProgressWindow(QWidget* parent) : m_pParent(parent) {}
    void SetRange(int lower, int upper) override { Window().SetRange(lower, upper); }
    void SetPos(int position) override;
    bool StopRequested() const override { return m_pControl && m_pControl->m_bStopRequested; }
    void Close();
    // Where the window's texts come from; without it, only the bar moves.
    std::function<RunProgressStatus()> m_fnStatus;
    // Called at every new position after the texts are set (tests press Stop here).
    std::function<void(RunProgressDialog&)> m_fnShown;
    RunProgressDialog* Dialog() const { return m_pControl.get(); }

private:
    BarProgress& Window();
    QElapsedTimer m_timer;
    int m_nLastPosition = -1;
    QWidget* m_pParent;
    std::unique_ptr<RunProgressDialog> m_pControl;
    BarProgress m_progress{nullptr, BarProgress::Focus::MoveToBar};
};

} // namespace gc
