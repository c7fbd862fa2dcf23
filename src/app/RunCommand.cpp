// The Run command: the Run driver splits the input files with the saved settings. The command refuses
// while a Run is in progress ("Running ... Wait!") and until the settings are saved (MayStartRun); a
// refused Run shows its message and no window. The progress window appears once the Run starts,
// names the scan, file k of n, the images written and the time left, offers Stop, and goes when the
// Run has ended, before "Run Complete." is shown. Then a results window, over the main window, lists
// every scan of the Run and every expected image and what became of it (written, not found, not
// written and why, skipped, stopped, not reached). After a Run, the picking base path follows the last
// input file. A fatal outcome ends the program with exit status 1 after its message.
//
// The Run works on a thread of its own, with a copy of the settings, while the user-interface thread
// goes on handling the viewer's events (RunThread.h carries its messages and positions over); the
// command returns once the Run has ended. When the program is told to end meanwhile, the Run is
// stopped and its messages are no longer shown; the command waits for it (one image at most, as for
// Stop) before it returns, so no file is left half-written.
#include "Application.h"
#include "MainWindow.h"
#include "RunProgressDialog.h"
#include "RunResultsWindow.h"
#include "RunThread.h"
#include "split/RunDriver.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QUrl>

#include <thread>
#include <utility>

namespace gc {

void Application::OnRun() {
    RunCorrected({});
}

namespace {

// What the progress window shows beside the bar; read on the Run's thread.
RunProgressStatus StatusOf(const RunDriver& driver, const RunSettings& settings) {
    RunProgressStatus status;
    status.path = driver.CurrentInputPath();
    status.fileCount = static_cast<int>(settings.m_strInputFiles.size());
    for (int f = 0; f < status.fileCount; ++f)
        if (settings.m_strInputFiles[static_cast<std::size_t>(f)] == status.path)
            status.fileIndex = f;
    status.imagesWritten = ImagesWritten(driver.Records());
    return status;
}

} // namespace

RunResult Application::RunOnThread(const RunSettings& settings, const CornerCorrections& corrections,
                                   RunProgressWindow& progress, BusyFlag& busy,
                                   std::vector<ScanRecord>& records, std::string& lastInput) {
    QEventLoop loop;
    UiThreadCalls calls; // after everything its posted calls use: they go first
    ThreadMessages messages(*m_pMessages, calls);
    ThreadProgress threadProgress(progress, calls);
    RunDriver driver(settings, messages, threadProgress);
    driver.SetCorrectedCorners(corrections);
    threadProgress.m_fnStatus = [&driver, &settings] { return StatusOf(driver, settings); };
    threadProgress.WaitForWindow(static_cast<bool>(m_fnRunProgressShown));
    // The window goes, and the Run no longer counts as in progress, before "Run Complete." is shown.
    driver.m_fnRunEnded = [&calls, &progress, &busy] {
        calls.Post([&progress, &busy] {
            progress.Close();
            busy.Clear();
        });
    };
    RunResult result;
    bool ended = false;
    std::thread worker([&] {
        result = driver.OnRun();
        calls.Post([&loop, &ended] {
            ended = true;
            loop.quit();
        });
    });
    loop.exec();
    if (!ended) {
        // The program is ending (every event loop was told to quit): stop the Run and wait for it.
        progress.RequestStop();
        calls.Abandon();
    }
    worker.join();
    records = driver.Records();
    lastInput = driver.CurrentInputPath();
    return result;
}

void Application::RunCorrected(const CornerCorrections& corrections) {
    if (!MayStartRun(m_runState, *m_pMessages))
        return;
    RunProgressWindow progress(m_pFrame.get());
    BusyFlag busy(m_runState);
    progress.m_fnShown = m_fnRunProgressShown;
    m_pRunProgress = &progress;
    // The Run reads its own copy: nothing the viewer does meanwhile can change it.
    const RunSettings settings = m_runSettings;
    std::vector<ScanRecord> records;
    std::string lastInput;
    const RunResult result = RunOnThread(settings, corrections, progress, busy, records, lastInput);
    m_pRunProgress = nullptr;
    busy.Clear();
    progress.Close();
    if (!lastInput.empty())
        m_pick.m_strOpenFilePath = lastInput;
    // The user asked to quit during the Run: it has ended, and the program goes (asking about unsaved
    // picks as any quit does; when that is cancelled, the Run's results follow as usual).
    if (std::exchange(m_bQuitAfterRun, false) && m_pFrame->close())
        return;
    if (result.m_outcome == RunOutcome::Interrupted)
        m_pMessages->Information(MSG_RUN_STOPPED);
    auto* results = new RunResultsWindow(
        records, [this](const std::string& path) { OpenPath(path); },
        [](const std::string& folder) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
        },
        m_pFrame.get(), settings.m_strInputFiles);
    results->show();
    m_pFrame->update();
    EndIfFatal(OutcomeOf(result));
}

} // namespace gc
