// RunProgressDialog: the "Run Progress Indicator..." window with its progress bar, shown while a Run
// works, and below it the scan being split (file k of n), the images written so far, the time left
// and a Stop button. RunProgressWindow opens it when the work starts and moves its bar through a
// BarProgress.
//
// The window does not block the others: the viewer stays usable while a batch runs; the commands that
// must not interrupt a Run refuse meanwhile ("Running ... Wait!"). Stop (or Esc, or the window's close box)
// asks the Run to end at the next row of tiles, as SIGINT does for the command line; the button then reads
// "Stopping…" and stays down. The button never takes the keyboard focus, so the bar taking it at each
// position cannot undo a press in progress.
#pragma once

#include "BarProgress.h"

#include <QDialog>
#include <QElapsedTimer>

#include <atomic>
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
    // What Stop does: asks the Run to stop and shows that it is stopping.
    void RequestStop();
    // Called once by the first RequestStop.
    std::function<void()> m_fnStop;

protected:
    // Esc and the close box stop the Run rather than hide its window.
    void reject() override { RequestStop(); }
    void closeEvent(QCloseEvent* event) override;
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
//
// The preview works on the user-interface thread and sets the positions itself (SetPos takes the
// user's input). The Run works on a thread of its own: ThreadProgress (RunThread.h) hands its
// positions to Show on the user-interface thread and reads StopFlag from the Run's thread.
class RunProgressWindow final : public Progress {
public:
    explicit RunProgressWindow(QWidget* parent) : m_pParent(parent) {}
    void SetRange(int lower, int upper) override { Window().SetRange(lower, upper); }
    void SetPos(int position) override;
    // Takes the user's input first (at most every POLL_MILLISECONDS), so a press of Stop is seen
    // within one row of tiles whatever the bar is doing.
    bool StopRequested() const override;
    void Close();
    // A position of a Run working on another thread, with the texts beside the bar (none while
    // stopping); then m_fnShown.
    void Show(int position, const RunProgressStatus& status);
    // Stop pressed (or RequestStop called): safe to read on any thread.
    bool StopFlag() const { return m_stop.load(); }
    // What Stop does, also without a window (it may have gone as the Run ends).
    void RequestStop();
    // Where the window's texts come from; without it, only the bar moves.
    std::function<RunProgressStatus()> m_fnStatus;
    // Called at every new position after the texts are set (tests press Stop here).
    std::function<void(RunProgressDialog&)> m_fnShown;
    RunProgressDialog* Dialog() const { return m_pControl.get(); }

    static constexpr int POLL_MILLISECONDS = 50;

private:
    BarProgress& Window();
    void ShowTexts(int position, const RunProgressStatus& status);
    QElapsedTimer m_timer;
    mutable QElapsedTimer m_pollTimer;
    int m_nLastPosition = -1;
    QWidget* m_pParent;
    std::unique_ptr<RunProgressDialog> m_pControl;
    BarProgress m_progress{nullptr, BarProgress::Focus::MoveToBar};
    std::atomic<bool> m_stop{false};
};

} // namespace gc
