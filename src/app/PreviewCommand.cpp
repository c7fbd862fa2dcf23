// The Preview Placements command: finds the images of the saved input files with the Run's own code and
// names, but writes nothing, and shows for each scan where its images lie. It refuses as the Run does
// ("Running ... Wait!", parameters not saved) and shows the Run's progress window while it works.
// The messages of a scan are shown as in a Run; a scan that would end a Run ends nothing here: the
// window records it, a message says so and the preview goes on with the next file. No "Run Complete."
// follows. The result is a new non-modal window per command.
#include "Application.h"
#include "MainWindow.h"
#include "PlacementPreviewWindow.h"
#include "RunProgressDialog.h"
#include "core/Progress.h"
#include "split/PlacementPreview.h"
#include "split/RunDriver.h"
#include "split/SplitMessages.h"

#include <algorithm>

namespace gc {
namespace {

// Sets the Run-in-progress flag for its lifetime: commands that must not interrupt a Run refuse
// meanwhile, in message boxes shown during the preview too.
class BusyFlag {
public:
    explicit BusyFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyFlag() { m_flag = false; }
    BusyFlag(const BusyFlag&) = delete;
    BusyFlag& operator=(const BusyFlag&) = delete;

private:
    bool& m_flag;
};

} // namespace

void Application::OnPreviewPlacements() {
    if (!m_runParameters.m_bSaved) {
        m_pMessages->Warning(MSG_PARAMETERS_NOT_SAVED);
        return;
    }

    std::vector<ScanPreview> scans;
    {
        RunProgressWindow progress(m_pFrame.get());
        StartProgress(progress);
        BusyFlag busy(m_runParameters.m_bRunning);
        TiffErrorScope tiffErrors(*m_pMessages);

        RunDriver driver(m_runParameters, *m_pMessages, progress);
        driver.SetDryRun(true);
        driver.SetPreview(true);
        // The picture exists only during the call: it is drawn here, kept as PNG bytes.
        driver.m_fnScanDone = [&scans](const ScanRecord& record, const PlacementPreview* preview) {
            ScanPreview scan;
            scan.record = record;
            if (preview != nullptr)
                scan.png = preview->RenderPng(record.images);
            scans.push_back(std::move(scan));
        };
        // Every file of the Run in order, as OnRun goes through them, numbering shared across them.
        driver.PrepareRun();
        const int files = std::min(m_runParameters.m_nFileCount, MAX_INPUT_FILES);
        for (int f = 0; f < files; ++f) {
            const std::string path = m_runParameters.m_strInputFiles[f];
            const RunOutcome outcome = driver.SplitScanFile(path, f);
            if (outcome == RunOutcome::Interrupted)
                break;
            if (IsFatal(outcome)) {
                if (!scans.empty())
                    scans.back().detail = driver.Detail();
                m_pMessages->Warning(path + MSG_PREVIEW_WOULD_STOP);
            }
        }
        FinishProgress(progress);
    }
    m_pFrame->update();

    auto* window = new PlacementPreviewWindow(std::move(scans), m_pFrame.get());
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace gc
