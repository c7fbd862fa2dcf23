// The Run command: the Run driver splits the input files with the saved settings. The command refuses
// while a Run is in progress ("Running ... Wait!") and until the settings are saved (MayStartRun); a
// refused Run shows its message and no window. The progress window appears once the Run starts,
// names the scan, file k of n, the images written and the time left, offers Stop, and goes when the
// Run has ended, before "Run Complete." is shown; it does not block the viewer meanwhile. Then a
// results window, over the main window, lists every scan of the Run and every expected image and what
// became of it (written, not found, not written and why, skipped, stopped, not reached). After a Run, the
// picking base path follows the last input file. A fatal outcome ends the program with exit status 1 after
// its message.
#include "Application.h"
#include "MainWindow.h"
#include "RunProgressDialog.h"
#include "RunResultsWindow.h"
#include "split/RunDriver.h"

#include <QDesktopServices>
#include <QUrl>

namespace gc {

void Application::OnRun() {
    RunCorrected({});
}

void Application::RunCorrected(const CornerCorrections& corrections) {
    if (!MayStartRun(m_runState, *m_pMessages))
        return;
    RunProgressWindow progress(m_pFrame.get());
    BusyFlag busy(m_runState);
    RunDriver driver(m_runSettings, *m_pMessages, progress);
    driver.SetCorrectedCorners(corrections);
    progress.m_fnStatus = [this, &driver] {
        RunProgressStatus status;
        status.path = driver.CurrentInputPath();
        status.fileCount = static_cast<int>(m_runSettings.m_strInputFiles.size());
        for (int f = 0; f < status.fileCount; ++f)
            if (m_runSettings.m_strInputFiles[f] == status.path)
                status.fileIndex = f;
        status.imagesWritten = ImagesWritten(driver.Records());
        return status;
    };
    progress.m_fnShown = m_fnRunProgressShown;
    m_pRunProgress = &progress;
    // The window goes, and the Run no longer counts as in progress, before "Run Complete." is shown.
    driver.m_fnRunEnded = [&progress, &busy] {
        progress.Close();
        busy.Clear();
    };
    const RunResult result = driver.OnRun();
    m_pRunProgress = nullptr;
    busy.Clear();
    progress.Close();
    if (!driver.CurrentInputPath().empty())
        m_pick.m_strOpenFilePath = driver.CurrentInputPath();
    if (result.m_outcome == RunOutcome::Interrupted)
        m_pMessages->Information(MSG_RUN_STOPPED);
    auto* results = new RunResultsWindow(
        driver.Records(), [this](const std::string& path) { OpenPath(path); },
        [](const std::string& folder) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
        },
        m_pFrame.get(), m_runSettings.m_strInputFiles);
    results->show();
    m_pFrame->update();
    EndIfFatal(OutcomeOf(result));
}

} // namespace gc
