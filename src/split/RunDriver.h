// The Run driver: OnRun takes the Run's RunSettings, splits the one input file or the batch of
// input files (SplitScanFile: check the scan, find its images, write them all from one pass over its
// tiles, finish the outputs), moves the progress bar from 10 to 100 and ends with "Run Complete.". A skipped
// file shows its message and the Run goes on; a fatal outcome shows its message and stops the Run: the caller
// then ends the program with exit status 1. Whether a Run may start (saved, not already running) is the
// caller's rule: the driver runs whatever it is given. With SetPreviewPass the same loop serves the
// desktop's placement preview.
#pragma once

#include "ImageExtraction.h"
#include "ImageOutput.h"
#include "ImagePlacement.h"
#include "OutputNames.h"
#include "RunOutcome.h"
#include "RunSettings.h"
#include "ScanCheck.h"
#include "SplitScan.h"
#include "core/Messages.h"
#include "core/Outcome.h"
#include "core/Progress.h"

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gc {

struct RunResult {
    RunOutcome m_outcome = RunOutcome::Done; // Done, or the fatal outcome that stopped the Run
    int m_nSkippedFiles = 0;
    int m_nDoneFiles = 0;
    int m_nImagesNotWritten = 0; // found, but their outputs would have replaced a file of the Run
    int m_nImagesNotFound = 0;   // expected in a scan that was split, but not found
    int m_nFilesNotWritten = 0;  // a report or placement picture that would have replaced a file of the Run
};

// A Run in the shared vocabulary: stopped, interrupted, or done, with Skipped when a file was skipped
// or an expected image was not found or not written.
inline Outcome OutcomeOf(const RunResult& result) {
    if (result.m_outcome == RunOutcome::Interrupted)
        return Outcome::Interrupted;
    if (IsFatal(result.m_outcome))
        return Outcome::Fatal;
    return result.m_nSkippedFiles > 0 || result.m_nImagesNotFound > 0 || result.m_nImagesNotWritten > 0 ||
                   result.m_nFilesNotWritten > 0
               ? Outcome::Skipped
               : Outcome::Done;
}

// The text shown for a fatal outcome (nullptr for Done and Skipped).
const char* FatalMessage(RunOutcome outcome);

class RunDriver {
public:
    // `settings` must outlive the driver.
    RunDriver(const RunSettings& settings, Messages& messages, Progress& progress);
    RunDriver(RunSettings&& settings, Messages& messages, Progress& progress) = delete;

    // The Run: every input file in order, then "Run Complete." (MSG_DRY_RUN_COMPLETE in a dry run).
    RunResult OnRun();

    // Starts the per-Run state (numbering) without the rest of OnRun; SplitScanFile needs it.
    void PrepareRun();
    // One input file; `fileIndex` places it in the batch for the progress bar. Shows the file's skip
    // and check messages, not the fatal message nor its detail line (OnRun does): a fatal result
    // carries that line as its reason.
    SplitResult SplitScanFile(const std::string& path, int fileIndex = 0);
    // After PrepareRun, for one scan of a planned batch split on its own: the numbering moves on by
    // the names made before it, and the batch's inputs and earlier outputs are files of the Run.
    void ContinueBatch(int namesMade, const std::vector<std::string>& inputs,
                       const std::vector<std::string>& earlierOutputs);

    // Corners a person set (records with setByHand): those images are cut there, not searched.
    void SetGivenCorners(std::vector<ImageRecord> corners) { m_givenCorners = std::move(corners); }
    // Corners a person set for particular scans (by path, as the settings name them): they take the
    // place of SetGivenCorners' for those scans.
    void SetCorrectedCorners(CornerCorrections corrections) { m_corrections = std::move(corrections); }
    // Threads that decode tiles; 0 (the default) uses every core.
    void SetThreads(int threads) { m_nThreads = threads; }
    // The threads the Run decodes with: the number set, or every core.
    int Threads() const;
    // A scan that would stop the Run (a read error, an RGB scan) is reported and skipped instead.
    void SetKeepGoing(bool keepGoing) { m_bKeepGoing = keepGoing; }
    // Find and name the images of every scan with the Run's rules, but write nothing; the Run ends with
    // MSG_DRY_RUN_COMPLETE instead of "Run Complete.".
    void SetDryRun(bool dryRun) { m_bDryRun = dryRun; }
    // Build each scan's placement picture from its decoded tiles (handed to m_fnScanDone).
    void SetPreview(bool preview) { m_bPreview = preview; }
    // The desktop's placement preview: a scan that would stop the Run is only reported (after its
    // messages, MSG_PREVIEW_WOULD_STOP) and the next one follows; no closing message is shown.
    void SetPreviewPass(bool pass) { m_bPreviewPass = pass; }
    // The caller writes each picture to its file (PlacementPictureName): the name is checked and taken
    // like an output's, and a scan whose picture name is taken gets no picture.
    void SetPreviewFiles(bool files) { m_bPreviewFiles = files; }
    // The report the caller writes after the Run: its name is one of the Run's outputs from the start,
    // so no image or picture takes it, and it is not written when it names an input.
    void SetReportPath(const std::string& path) { m_strReportPath = path; }
    // Empty, or why the report must not be written (shown as a warning when the Run starts).
    const std::string& ReportNotWrittenReason() const { return m_strReportNotWritten; }
    // Called after every scan with its record, for a scan that was split its placement picture
    // (nullptr without SetPreview), and its result (a fatal one with the detail line's reason).
    std::function<void(const ScanRecord&, const PlacementPreview*, const SplitResult&)> m_fnScanDone;
    // Called before each scan is opened, with its place in the batch (0-based) and the batch's size.
    std::function<void(const std::string& path, int fileIndex, int fileCount)> m_fnScanStarted;
    // Called once an image's files are complete and in place under their final names.
    std::function<void(const std::string& path, const ImageRecord&)> m_fnImageCommitted;
    // The records of the scans split so far in this Run.
    const std::vector<ScanRecord>& Records() const { return m_records; }

    // Called when a Run that was not stopped has set the bar to 100, before "Run Complete." is shown:
    // where the desktop program closes its progress window and ends its busy state.
    std::function<void()> m_fnRunEnded;

    // The input being (or last) processed.
    const std::string& CurrentInputPath() const { return m_strCurrentInput; }
    // The geometry of the last checked scan.
    const ScanGeometry& Geometry() const { return m_geometry; }
    const ImagePlacements& Placements() const { return m_placements; }

private:
    int FileCount() const;
    // Counts file `fileIndex`'s outcome into `result` and shows what a stop or a skip of it says; true
    // when the Run ends with it (result.m_outcome says how).
    bool CountFile(const SplitResult& split, int fileIndex, RunResult& result);
    // The detail lines and the fatal text of a Run stopped at file `fileIndex`.
    void ShowStop(const SplitResult& stop, int fileIndex, const RunResult& result);
    // The scan check: its geometry into `record`; Done when the scan may be split.
    SplitResult CheckOpenScan(ScanTiles& scan, const std::string& path, Messages& messages,
                              ScanRecord& record);
    // The pixel size of the outputs: given, or the scan's own sampling at the microscope's
    // magnification; false (after its warning) when the scan has no sampling to give it or the size
    // it gives is not finite, above 0 and at most MAX_PIXEL_SIZE.
    bool ScanPixelSizeOf(const std::string& path, Messages& messages, double& pixelSize) const;
    // The threads of the extraction (a clamped number noted once per Run) and its progress steps.
    ExtractionSettings ExtractionFor(int fileIndex, Messages& messages);
    // The scan's placement picture, or nullptr when its file name is taken.
    std::unique_ptr<PlacementPreview> StartPreview(const std::string& path, Messages& messages);
    SplitResult SplitOpenScan(ScanTiles& scan, const std::string& path, int fileIndex, Messages& messages,
                              ScanRecord& record, std::unique_ptr<PlacementPreview>& preview);
    // Removes the temporaries that ended processes left in this Run's output folders, saying how many.
    void RemoveLeftoverTemporaries();

    const RunSettings& m_parameters;
    Messages& m_messages;
    Progress& m_progress;
    std::optional<OutputNamer> m_namer;
    ScanGeometry m_geometry;
    ImagePlacements m_placements;
    int m_nThreads = 0;
    bool m_bKeepGoing = false;
    bool m_bDryRun = false;
    bool m_bPreview = false;
    bool m_bPreviewPass = false;
    bool m_bThreadsNoted = false;                      // a clamped --threads is noted once per Run
    std::chrono::system_clock::time_point m_labelTime; // named by every MRC2014 label of the Run
    bool m_bPreviewFiles = false;
    std::vector<ScanRecord> m_records;
    std::vector<ImageRecord> m_givenCorners;
    CornerCorrections m_corrections;
    RunFiles m_runFiles;
    int m_nFilesNotWritten = 0; // of the current scan: its placement picture
    std::string m_strReportPath;
    std::string m_strReportNotWritten;
    std::string m_strCurrentInput;
};

// Splits one scan with `parameters` as a Run of that one file would (messages, progress, outputs),
// without "Run Complete."; a fatal outcome's message is shown.
// The entry point for benchmarks and tools.
RunOutcome SplitOneScan(const std::string& path, const RunSettings& parameters, Messages& messages,
                        Progress& progress, int threads = 0);

} // namespace gc
