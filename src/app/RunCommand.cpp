// The Run command: the Run driver splits the input files with the saved parameters. The progress
// window appears once the driver starts the Run (a refused Run shows its message and no window) and
// goes when the Run has ended, before "Run Complete." is shown. After a Run, the picking base path follows
// the last input file. A fatal outcome ends the program with exit status 1 after its message.
#include "Progress_Control.h"
#include "TIFFApp.h"
#include "TIFFFrame.h"
#include "split/RunDriver.h"

namespace gc {
namespace {

// Shows the progress window at the first range or position the Run sets.
class RunProgressWindow final : public Progress {
public:
    explicit RunProgressWindow(QWidget* parent) : m_pParent(parent) {}
    void SetRange(int lower, int upper) override { Window().SetRange(lower, upper); }
    void SetPos(int position) override { Window().SetPos(position); }
    bool IsShown() const { return m_pControl != nullptr; }
    void Close() {
        m_pProgress.reset();
        m_pControl.reset();
    }

private:
    QtProgress& Window() {
        if (!m_pControl) {
            m_pControl = std::make_unique<Progress_Control>(m_pParent);
            m_pControl->show();
            m_pProgress = std::make_unique<QtProgress>(*m_pControl);
        }
        return *m_pProgress;
    }
    QWidget* m_pParent;
    std::unique_ptr<Progress_Control> m_pControl;
    std::unique_ptr<QtProgress> m_pProgress;
};

} // namespace

void TIFFApp::OnRun() {
    RunProgressWindow progress(m_pFrame.get());
    RunDriver driver(m_runParameters, *m_pMessages, progress);
    // The window goes before "Run Complete." is shown.
    driver.m_fnRunEnded = [&progress] { progress.Close(); };
    const RunResult result = driver.OnRun();
    if (!result.m_bStarted)
        return;
    if (!driver.CurrentInputPath().empty())
        m_pick.m_strOpenFilePath = driver.CurrentInputPath();
    m_pFrame->update();
    if (IsFatal(result.m_outcome))
        EndProcess(1);
}

} // namespace gc
