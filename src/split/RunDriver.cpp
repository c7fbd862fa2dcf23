#include "RunDriver.h"
#include "core/TiffHandle.h"

#include "SplitMessages.h"
#include "core/PendingFile.h"
#include "core/TiffErrors.h"

#include <cmath>
#include <new>
#include <set>
#include <thread>

namespace gc {
const char* FatalMessage(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::FatalRead:
        return MSG_READ_ERROR;
    case RunOutcome::FatalWrite:
        return MSG_WRITE_ERROR;
    case RunOutcome::FatalRgb:
        return MSG_RGB_FATAL;
    default:
        return nullptr;
    }
}

RunDriver::RunDriver(const RunSettings& settings, Messages& messages, Progress& progress)
    : m_parameters(settings), m_messages(messages), m_progress(progress) {}

void RunDriver::PrepareRun() {
    m_namer.emplace(m_parameters);
    m_records.clear();
    m_runFiles = RunFiles();
    for (const std::string& input : m_parameters.m_strInputFiles)
        m_runFiles.AddInput(input);
    m_bThreadsNoted = false;
    // One time for every file of the Run, so its MRC2014 outputs do not differ by when each was made.
    m_labelTime = m_parameters.m_nLabelTime > 0
                      ? std::chrono::system_clock::time_point(std::chrono::seconds(m_parameters.m_nLabelTime))
                      : std::chrono::system_clock::now();
    if (!m_bDryRun)
        RemoveLeftoverTemporaries();
    m_strReportNotWritten.clear();
    if (!m_strReportPath.empty()) {
        if (const char* clash = m_runFiles.Clash(m_strReportPath)) {
            m_strReportNotWritten = m_strReportPath + clash;
            m_messages.Warning(std::string(MSG_REPORT_LABEL) + MSG_RUN_IMAGE_NOT_WRITTEN +
                               m_strReportNotWritten);
        } else if (IsReadOnlyFile(m_strReportPath)) {
            // A report someone made read-only is kept, like an image's earlier output.
            m_strReportNotWritten = MSG_OUTPUT_READ_ONLY + m_strReportPath;
            m_messages.Warning(std::string(MSG_REPORT_LABEL) + MSG_RUN_IMAGE_NOT_WRITTEN +
                               m_strReportNotWritten);
        } else {
            m_runFiles.AddOutput(m_strReportPath);
        }
    }
}

void RunDriver::RemoveLeftoverTemporaries() {
    // The temporaries of Runs killed outright (SIGKILL, a power cut) in the folders this Run writes to.
    std::set<std::string> folders;
    if (m_parameters.m_bOutputDir)
        folders.insert(m_parameters.m_strOutputDir);
    else
        for (const std::string& path : m_parameters.m_strInputFiles) {
            const std::size_t slash = path.rfind('/');
            folders.insert(slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
        }
    for (const std::string& folder : folders)
        if (const int removed = RemoveStaleTemporaries(folder); removed > 0)
            m_messages.Information(std::to_string(removed) + MSG_STALE_TEMPORARIES_REMOVED +
                                   (folder.empty() ? std::string(".") : folder));
}

void RunDriver::ContinueBatch(int namesMade, const std::vector<std::string>& inputs,
                              const std::vector<std::string>& earlierOutputs) {
    if (!m_namer)
        PrepareRun();
    // Each name uses up the one counter its naming mode reads; the other is not read.
    m_namer->m_nNextNumber += namesMade;
    m_namer->m_nAppendCounter += namesMade;
    for (const std::string& input : inputs)
        m_runFiles.AddInput(input);
    for (const std::string& output : earlierOutputs)
        m_runFiles.AddOutput(output);
}

int RunDriver::FileCount() const {
    return static_cast<int>(m_parameters.m_strInputFiles.size());
}

RunResult RunDriver::OnRun() {
    RunResult result;
    StartProgress(m_progress);
    TiffErrorScope tiffErrors(m_messages);
    PrepareRun();
    result.m_nFilesNotWritten += m_strReportNotWritten.empty() ? 0 : 1;

    for (int f = 0; f < FileCount(); ++f) {
        // A stop asked for between two scans ends the Run before the next one is opened.
        if (m_progress.StopRequested()) {
            result.m_outcome = RunOutcome::Interrupted;
            return result;
        }
        if (CountFile(SplitScanFile(m_parameters.m_strInputFiles[f], f), f, result))
            return result;
    }
    FinishProgress(m_progress);
    if (m_fnRunEnded)
        m_fnRunEnded();
    if (!m_bPreviewPass)
        m_messages.Information(!m_bDryRun        ? MSG_RUN_COMPLETE
                               : m_bPreviewFiles ? MSG_DRY_RUN_PICTURES_COMPLETE
                                                 : MSG_DRY_RUN_COMPLETE);
    return result;
}

bool RunDriver::CountFile(const SplitResult& split, int fileIndex, RunResult& result) {
    const std::string& path = m_parameters.m_strInputFiles[fileIndex];
    const RunOutcome outcome = split.outcome;
    result.m_nImagesNotWritten += ImagesNotWritten(m_records.back());
    result.m_nFilesNotWritten += m_nFilesNotWritten;
    if (outcome == RunOutcome::Done)
        for (const ImageRecord& image : m_records.back().images)
            result.m_nImagesNotFound += image.found ? 0 : 1;
    if (outcome == RunOutcome::Interrupted) {
        result.m_outcome = outcome;
        return true;
    }
    if (m_bPreviewPass && IsFatal(outcome)) {
        m_messages.Warning(path + MSG_PREVIEW_WOULD_STOP);
        return false;
    }
    if (m_bKeepGoing && (outcome == RunOutcome::FatalRead || outcome == RunOutcome::FatalRgb)) {
        if (const std::string reason = split.Reason(); !reason.empty())
            m_messages.Detail(reason);
        m_messages.Warning(path + MSG_SCAN_NOT_SPLIT);
        m_records.back().outcome = ScanOutcome::Skipped;
        m_records.back().message += std::string("\n") + path + MSG_SCAN_NOT_SPLIT;
        ++result.m_nSkippedFiles;
        return false;
    }
    if (IsFatal(outcome)) {
        ShowStop(split, fileIndex, result);
        result.m_outcome = outcome;
        return true;
    }
    if (outcome == RunOutcome::Skipped)
        ++result.m_nSkippedFiles;
    else
        ++result.m_nDoneFiles;
    return false;
}

void RunDriver::ShowStop(const SplitResult& stop, int fileIndex, const RunResult& result) {
    if (const std::string reason = stop.Reason(); !reason.empty())
        m_messages.Detail(reason);
    const int files = FileCount();
    if (files > 1)
        m_messages.Detail(DETAIL_STOPPED_AT_FILE + std::to_string(fileIndex + 1) + DETAIL_STOPPED_OF +
                          std::to_string(files) + " (" + m_parameters.m_strInputFiles[fileIndex] + "); " +
                          std::to_string(result.m_nDoneFiles) + DETAIL_STOPPED_SPLIT +
                          std::to_string(result.m_nSkippedFiles) + DETAIL_STOPPED_SKIPPED);
    m_messages.Error(FatalMessage(stop.outcome));
}

namespace {

// Passes every message on and keeps the texts of warnings and errors, for the scan's record.
class ScanMessages final : public Messages {
public:
    explicit ScanMessages(Messages& out) : m_out(out) {}
    void Show(MessageKind kind, const std::string& text, const std::string& caption = {}) override {
        m_out.Show(kind, text, caption);
        if (kind != MessageKind::Information)
            texts += (texts.empty() ? "" : "\n") + text;
    }
    void Detail(const std::string& line) override { m_out.Detail(line); }
    std::string texts;

private:
    Messages& m_out;
};

ScanOutcome RecordedOutcome(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Done:
        return ScanOutcome::Done;
    case RunOutcome::Skipped:
        return ScanOutcome::Skipped;
    case RunOutcome::Interrupted:
        return ScanOutcome::Interrupted;
    default:
        return ScanOutcome::Fatal;
    }
}

} // namespace

SplitResult RunDriver::SplitScanFile(const std::string& path, int fileIndex) {
    if (!m_namer)
        PrepareRun();
    m_strCurrentInput = path;
    if (m_fnScanStarted)
        m_fnScanStarted(path, fileIndex, FileCount());
    m_nFilesNotWritten = 0;
    ScanRecord record;
    record.path = path;
    ScanMessages messages(m_messages);
    std::unique_ptr<PlacementPreview> preview;
    SplitResult split = SplitResult::Of(RunOutcome::Skipped);
    // The scan is opened once: the check, the search and every reading thread read this descriptor.
    std::unique_ptr<ScanTiles> scan = ScanTiles::Open(path);
    if (!scan) {
        messages.Warning(path + MSG_INVALID_TIFF);
    } else {
        try {
            split = SplitOpenScan(*scan, path, fileIndex, messages, record, preview);
        } catch (const std::bad_alloc&) {
            split = SplitResult::Because(RunOutcome::FatalRead, DETAIL_READING + path + DETAIL_NO_MEMORY);
        }
    }
    record.outcome = RecordedOutcome(split.outcome);
    record.message = messages.texts;
    if (const char* fatal = FatalMessage(split.outcome)) {
        // The stop as the user saw it: the detail line, then the fatal text.
        if (const std::string reason = split.Reason(); !reason.empty())
            record.message += (record.message.empty() ? "" : "\n") + reason;
        record.message += (record.message.empty() ? "" : "\n") + std::string(fatal);
    }
    m_records.push_back(record);
    if (m_fnScanDone)
        m_fnScanDone(record, split.outcome == RunOutcome::Done ? preview.get() : nullptr, split);
    return split;
}

int RunDriver::Threads() const {
    if (m_nThreads > 0)
        return m_nThreads;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

SplitResult RunDriver::CheckOpenScan(ScanTiles& scan, const std::string& path, Messages& messages,
                                     ScanRecord& record) {
    const RunOutcome verdict = CheckScanFile(scan.Handle(), path, m_parameters, m_geometry, messages);
    record.width = static_cast<int>(m_geometry.m_nImageWidth);
    record.height = static_cast<int>(m_geometry.m_nImageLength);
    record.tileWidth = static_cast<int>(m_geometry.m_nTileWidth);
    record.tileLength = static_cast<int>(m_geometry.m_nTileLength);
    record.compression = m_geometry.m_nCompression;
    switch (verdict) {
    case RunOutcome::Skipped:
        return SplitResult::Of(RunOutcome::Skipped);
    case RunOutcome::FatalRgb:
        return SplitResult::Because(RunOutcome::FatalRgb, DETAIL_READING + path + DETAIL_RGB);
    case RunOutcome::FatalRead:
        return SplitResult::Because(RunOutcome::FatalRead, DETAIL_READING + path + DETAIL_NOT_FITTING);
    case RunOutcome::FatalWrite: // the check neither writes nor stops on a request
    case RunOutcome::Interrupted:
        return SplitResult::Of(verdict);
    case RunOutcome::Done:
        break;
    }
    // The limits of the one-row-of-tiles design: larger scans are refused as before.
    if (!m_geometry.FitsBand())
        return SplitResult::Because(RunOutcome::FatalRead, DETAIL_READING + path + DETAIL_NOT_FITTING);
    return {};
}

bool RunDriver::ScanPixelSizeOf(const std::string& path, Messages& messages, double& pixelSize) const {
    pixelSize = m_parameters.mrc.pixelSize;
    if (m_parameters.m_dMagnification > 0) {
        pixelSize = ScanPixelSize(m_geometry, m_parameters.m_dMagnification);
        if (pixelSize <= 0) {
            messages.Warning(path + MSG_NO_SCAN_SAMPLING);
            return false;
        }
        // A derived size is held to the bounds of a given one.
        if (!std::isfinite(pixelSize) || pixelSize > MAX_PIXEL_SIZE) {
            messages.Warning(path + MSG_DERIVED_PIXEL_SIZE + PixelSizeText(pixelSize) +
                             MSG_DERIVED_PIXEL_SIZE_OUT_OF_RANGE);
            return false;
        }
    }
    return true;
}

ExtractionSettings RunDriver::ExtractionFor(int fileIndex, Messages& messages) {
    ExtractionSettings extraction;
    extraction.m_nThreads = Threads();
    if (const int workers = WorkerCount(m_nThreads, m_geometry); m_nThreads > workers && !m_bThreadsNoted) {
        m_bThreadsNoted = true;
        messages.Information(std::to_string(m_nThreads) + MSG_THREADS_CLAMPED + std::to_string(workers) +
                             ".");
    }
    const int fileCount = FileCount();
    const int tilesDown = m_geometry.m_nTilesDown;
    extraction.m_fnRowOfTilesDone = [this, fileIndex, fileCount, tilesDown](int rowsDone) {
        m_progress.SetPos(RunProgressPosition(fileIndex, fileCount, rowsDone, tilesDown));
    };
    return extraction;
}

std::unique_ptr<PlacementPreview> RunDriver::StartPreview(const std::string& path, Messages& messages) {
    // A picture file's name is checked like an image's, in a dry run too.
    const std::string picture =
        PlacementPictureName(path, m_parameters.m_bOutputDir ? m_parameters.m_strOutputDir : "");
    if (const char* clash = m_bPreviewFiles ? m_runFiles.Clash(picture) : nullptr) {
        messages.Warning(MSG_PICTURE_OF + path + MSG_RUN_IMAGE_NOT_WRITTEN + picture + clash);
        ++m_nFilesNotWritten;
        return nullptr;
    }
    if (m_bPreviewFiles && IsReadOnlyFile(picture)) {
        messages.Warning(MSG_PICTURE_OF + path + MSG_RUN_IMAGE_NOT_WRITTEN + MSG_OUTPUT_READ_ONLY + picture);
        ++m_nFilesNotWritten;
        return nullptr;
    }
    if (m_bPreviewFiles)
        m_runFiles.AddOutput(picture);
    return std::make_unique<PlacementPreview>(m_geometry);
}

SplitResult RunDriver::SplitOpenScan(ScanTiles& scan, const std::string& path, int fileIndex,
                                     Messages& messages, ScanRecord& record,
                                     std::unique_ptr<PlacementPreview>& preview) {
    ResetPlacements(m_placements, m_parameters.m_nImageCount);
    if (SplitResult checked = CheckOpenScan(scan, path, messages, record); !checked.Succeeded())
        return checked;
    // The pixel size: given, or the scan's own sampling at the microscope's magnification.
    double pixelSize = 0;
    if (!ScanPixelSizeOf(path, messages, pixelSize))
        return SplitResult::Of(RunOutcome::Skipped);

    m_progress.SetPos(RunProgressPosition(fileIndex, FileCount(), 0, m_geometry.m_nTilesDown));
    OutputSettings settings = OutputSettings::For(m_geometry, m_parameters, pixelSize);
    settings.m_labelTime = m_labelTime;
    if (m_parameters.m_bOutputTiff && settings.m_nCompression != m_geometry.m_nCompression)
        messages.Information(path + MSG_JPEG_TIFF_AS_DEFLATE);
    const ExtractionSettings extraction = ExtractionFor(fileIndex, messages);
    if (m_bPreview)
        preview = StartPreview(path, messages);
    ScanJob job{path, scan, m_geometry, settings, *m_namer, messages, m_progress, extraction, m_runFiles};
    job.dryRun = m_bDryRun;
    job.finder = m_parameters.m_finder;
    job.deskew = m_parameters.m_bDeskew;
    const auto corrected = m_corrections.find(path);
    job.givenCorners = corrected != m_corrections.end() ? &corrected->second : &m_givenCorners;
    job.preview = preview.get();
    if (m_fnImageCommitted)
        job.imageCommitted = [this, &path](const ImageRecord& image) { m_fnImageCommitted(path, image); };
    SplitReport report;
    SplitResult result = SplitCheckedScan(job, m_placements, report);
    record.images = std::move(report.images);
    return result;
}

RunOutcome SplitOneScan(const std::string& path, const RunSettings& parameters, Messages& messages,
                        Progress& progress, int threads) {
    RunSettings single = parameters;
    single.m_strInputFiles = {path};
    TiffErrorScope tiffErrors(messages);
    RunDriver driver(single, messages, progress);
    driver.SetThreads(threads);
    driver.PrepareRun();
    StartProgress(progress);
    const SplitResult split = driver.SplitScanFile(path, 0);
    if (IsFatal(split.outcome)) {
        if (const std::string reason = split.Reason(); !reason.empty())
            messages.Detail(reason);
        messages.Error(FatalMessage(split.outcome));
    } else
        FinishProgress(progress);
    return split.outcome;
}

} // namespace gc
