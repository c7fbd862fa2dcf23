// The Run command: the Run driver splits the input files with the saved parameters. The progress
// window appears once the driver starts the Run (a refused Run shows its message and no window) and
// goes when the Run has ended, before "Run Complete." is shown. After a Run, the picking base path follows
// the last input file. A fatal outcome ends the program with exit status 1 after its message.
#include "Application.h"
#include "MainWindow.h"
#include "RunProgressDialog.h"
#include "split/RunDriver.h"

namespace gc {

void Application::OnRun() {
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
    EndIfFatal(OutcomeOf(result));
}

} // namespace gc
