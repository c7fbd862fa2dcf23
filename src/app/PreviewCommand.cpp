// The Preview Placements command: finds the images of the saved input files with the Run's own driver,
// code and names, but writes nothing, and shows for each scan where its images lie. It refuses as the
// Run does ("Running ... Wait!", parameters not saved), counts as a Run in progress while it works and
// shows the Run's progress window. The messages of a scan are shown as in a Run; a scan that would end
// a Run ends nothing here: the window records it, a message says so and the preview goes on with the
// next file (the driver's preview pass). No "Run Complete." follows. The result is a new non-modal
// window per command, where corners corrected by hand can be run at once (RunCorrected).
#include "Application.h"
#include "MainWindow.h"
#include "PlacementPreviewWindow.h"
#include "RunProgressDialog.h"
#include "core/Progress.h"
#include "split/PlacementPreview.h"
#include "split/RunDriver.h"

namespace gc {

void Application::OnPreviewPlacements() {
    if (!MayStartRun(m_runState, *m_pMessages))
        return;

    std::vector<ScanPreview> scans;
    {
        RunProgressWindow progress(m_pFrame.get());
        BusyFlag busy(m_runState);
        RunDriver driver(m_runSettings, *m_pMessages, progress);
        driver.SetDryRun(true);
        driver.SetPreview(true);
        driver.SetPreviewPass(true);
        // The picture exists only during the call: it is drawn here, kept as PNG bytes.
        driver.m_fnScanDone = [&scans](const ScanRecord& record, const PlacementPreview* preview,
                                       const SplitResult& split) {
            ScanPreview scan;
            scan.record = record;
            if (preview != nullptr)
                scan.png = preview->RenderPng(record.images);
            if (record.outcome == ScanOutcome::Fatal)
                scan.detail = split.Reason();
            scans.push_back(std::move(scan));
        };
        // A stopped preview's bar is full too, as the window goes.
        if (driver.OnRun().m_outcome == RunOutcome::Interrupted)
            FinishProgress(progress);
    }
    m_pFrame->update();

    auto* window = new PlacementPreviewWindow(
        std::move(scans), m_pFrame.get(),
        [this](const CornerCorrections& corrections) { RunCorrected(corrections); });
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace gc
