#include "RunPrinter.h"

#include "split/SizeCheck.h"

#include <cstdio>

namespace gc::cli {
namespace {

std::string Count(int count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

} // namespace

std::string SettingsLine(const RunSettings& parameters, int threads, bool dryRun) {
    std::string line = dryRun ? "Dry run: " : "Run: ";
    line += Count(static_cast<int>(parameters.m_strInputFiles.size()), "scan", "scans") + ", " +
            Count(parameters.m_nImageCount, "image", "images") + " each, " +
            std::to_string(parameters.m_nWidthCm) + " cm wide x " + std::to_string(parameters.m_nHeightCm) +
            " cm high (" + std::to_string(parameters.m_nWidthCm * PIXELS_ACROSS_PER_8_CM / 8) + " x " +
            std::to_string(parameters.m_nHeightCm * PIXELS_DOWN_PER_10_CM / 10) + " pixels), ";
    line += parameters.m_nBinning == 0 ? std::string("no binning")
                                       : "binning " + std::to_string(parameters.m_nBinning);
    line += parameters.m_bOutputTiff     ? ", TIFF files "
            : parameters.mrc.IsMrc2014() ? ", MRC2014 files "
                                         : ", MRC files ";
    if (parameters.mrc.pixelSize > 0) {
        char size[32];
        std::snprintf(size, sizeof size, "%g", parameters.mrc.pixelSize);
        line += std::string("(") + size + " A/pixel) ";
    } else if (parameters.m_dMagnification > 0) {
        char magnification[32];
        std::snprintf(magnification, sizeof magnification, "%g", parameters.m_dMagnification);
        line += std::string("(pixel size from each scan at ") + magnification + "x) ";
    }
    if (!parameters.m_bOutputDir)
        line += "beside each scan";
    else
        line += "into " + (parameters.m_strOutputDir.empty() ? std::string("./") : parameters.m_strOutputDir);
    return line + ", " + Count(threads, "thread", "threads");
}

std::string TallyLine(const RunTally& tally, bool dryRun) {
    std::string line = Count(tally.scans, "scan", "scans") + ", " +
                       Count(tally.imagesWritten, "image", "images") + (dryRun ? " to write" : " written");
    if (tally.imagesNotFound > 0)
        line += ", " + std::to_string(tally.imagesNotFound) + " not found";
    if (tally.imagesNotWritten > 0)
        line += ", " + std::to_string(tally.imagesNotWritten) + " not written";
    if (tally.sizeWarnings > 0)
        line += ", " + Count(tally.sizeWarnings, "size warning", "size warnings");
    if (tally.scansSkipped > 0)
        line += ", " + Count(tally.scansSkipped, "scan", "scans") + " skipped";
    if (tally.scansStopped > 0)
        line += ", " + Count(tally.scansStopped, "scan", "scans") + " stopped";
    return line;
}

std::string ImageLine(const std::string& scan, const ImageRecord& image, bool dryRun) {
    return scan + ": image " + std::to_string(image.number) + ": " + (dryRun ? "would write " : "written ") +
           image.name + " at " + std::to_string(image.x) + "," + std::to_string(image.y) + " size " +
           std::to_string(image.width) + " x " + std::to_string(image.height) + AngleText(image);
}

RunPrinter::RunPrinter(ProgressAwareMessages& messages, CliProgress& progress, bool quiet, bool dryRun)
    : m_messages(messages), m_progress(progress), m_bQuiet(quiet), m_bDryRun(dryRun) {}

void RunPrinter::Attach(RunDriver& driver,
                        std::function<void(const ScanRecord&, const PlacementPreview*)> scanDone) {
    m_pDriver = &driver;
    driver.m_fnScanStarted = [this](const std::string& path, int index, int count) {
        m_messages.SetSubject(path);
        m_progress.StartItem(path, index, count);
    };
    driver.m_fnImageCommitted = [this](const std::string& path, const ImageRecord& image) {
        ++m_tally.imagesWritten;
        if (m_bQuiet)
            return;
        m_progress.Finish();
        std::printf("%s\n", ImageLine(path, image, false).c_str());
        std::fflush(stdout);
    };
    driver.m_fnScanDone = [this, scanDone](const ScanRecord& record, const PlacementPreview* preview,
                                           const SplitResult&) {
        ScanDone(record);
        if (scanDone)
            scanDone(record, preview);
    };
    driver.m_fnRunEnded = [this] { PrintTally(); };
}

void RunPrinter::ScanDone(const ScanRecord& record) {
    m_progress.Finish();
    for (const ImageRecord& image : record.images) {
        const std::string prefix = "image " + std::to_string(image.number) + ": ";
        if (!image.found) {
            if (record.outcome == ScanOutcome::Done) {
                ++m_tally.imagesNotFound;
                m_messages.Warning(prefix + "not found");
            }
            continue;
        }
        for (const std::string& warning : image.warnings)
            m_messages.Warning(prefix + "size warning: " + warning);
        m_tally.sizeWarnings += static_cast<int>(image.warnings.size());
        if (!image.notWrittenReason.empty()) {
            ++m_tally.imagesNotWritten;
            continue;
        }
        if (m_bDryRun && record.outcome == ScanOutcome::Done) {
            ++m_tally.imagesWritten;
            if (!m_bQuiet)
                std::printf("%s\n", ImageLine(record.path, image, true).c_str());
        }
    }
    std::fflush(stdout);
    m_progress.EndItem(ScanOutcomeName(record.outcome));
}

void RunPrinter::PrintSettings(const RunSettings& parameters, int threads) const {
    if (m_bQuiet)
        return;
    std::printf("%s\n", SettingsLine(parameters, threads, m_bDryRun).c_str());
    std::fflush(stdout);
}

void RunPrinter::PrintTally() {
    m_progress.Finish();
    // The scans' outcomes as the driver recorded them last (a stopped scan may be skipped after all).
    m_tally.scans = m_tally.scansSkipped = m_tally.scansStopped = 0;
    if (m_pDriver != nullptr)
        for (const ScanRecord& record : m_pDriver->Records()) {
            ++m_tally.scans;
            m_tally.scansSkipped += record.outcome == ScanOutcome::Skipped ? 1 : 0;
            m_tally.scansStopped +=
                record.outcome == ScanOutcome::Fatal || record.outcome == ScanOutcome::Interrupted ? 1 : 0;
        }
    std::printf("%s\n", TallyLine(m_tally, m_bDryRun).c_str());
    std::fflush(stdout);
}

} // namespace gc::cli
