// What split prints while the Run goes: one settings line, one line per expected image once its
// files are in place ("written", or "would write" in a dry run), the problems of each scan on standard
// error prefixed with the scan's name (not found images, size warnings), and a tally at the end.
// --quiet drops the settings line and the written lines, never a problem.
#pragma once

#include "CliShell.h"

#include "split/RunDriver.h"

#include <string>

namespace gc::cli {

struct RunTally {
    int scans = 0, scansSkipped = 0, scansStopped = 0;
    int imagesWritten = 0, imagesNotFound = 0, imagesNotWritten = 0, sizeWarnings = 0;
};

// "Run: 3 scans, 6 images each, 8 cm wide x 10 cm high (11625 x 14300 pixels), no binning, MRC files
// into the scans' folders, 4 threads"
std::string SettingsLine(const RunSettings& parameters, int threads, bool dryRun);
// "3 scans, 17 images written, 1 not found, 1 scan skipped"; a dry run counts images "to write".
std::string TallyLine(const RunTally& tally, bool dryRun);
// "<scan>: image <k>: written <name> at <x>,<y> size <w> x <h>" ("would write" in a dry run).
std::string ImageLine(const std::string& scan, const ImageRecord& image, bool dryRun);

class RunPrinter {
public:
    RunPrinter(ProgressAwareMessages& messages, CliProgress& progress, bool quiet, bool dryRun);
    // Connects the printer to the driver's callbacks (scan started, image committed, scan done).
    // `scanDone` is called after the printer's own work for each scan (placement pictures).
    void Attach(RunDriver& driver, std::function<void(const ScanRecord&, const PlacementPreview*)> scanDone);
    void PrintSettings(const RunSettings& parameters, int threads) const;
    void PrintTally();
    const RunTally& Tally() const { return m_tally; }

private:
    void ScanDone(const ScanRecord& record);

    const RunDriver* m_pDriver = nullptr;
    ProgressAwareMessages& m_messages;
    CliProgress& m_progress;
    bool m_bQuiet;
    bool m_bDryRun;
    RunTally m_tally;
};

} // namespace gc::cli
