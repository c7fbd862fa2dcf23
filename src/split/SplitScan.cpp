#include "SplitScan.h"

#include "Deskew.h"
#include "SheetFinder.h"
#include "SizeCheck.h"
#include "SplitMessages.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace gc {
namespace {

// Tiles the search decodes are kept for the extraction up to this many bytes.
inline constexpr std::size_t KEPT_TILES_BUDGET = std::size_t{32} << 20;
// The sheet finder reads tiles along every sheet's four sides; most lie inside the images.
inline constexpr std::size_t SHEET_KEPT_TILES_BUDGET = std::size_t{48} << 20;

// Hands each row to its image's outputs; images that are not written pass their rows by.
class OutputSink final : public ImageRowSink {
public:
    explicit OutputSink(std::array<ImageOutput, MAX_IMAGES>& outputs) : m_outputs(outputs) {}
    unsigned char* RowPlace(int image, int) override {
        ImageOutput& output = m_outputs[static_cast<std::size_t>(image - 1)];
        return output.IsOpen() ? output.NextRowPlace() : nullptr;
    }
    SplitResult WriteOutputRow(int image, const unsigned char* row, int) override {
        ImageOutput& output = m_outputs[static_cast<std::size_t>(image - 1)];
        return output.IsOpen() ? output.WriteRow(row) : SplitResult{};
    }

private:
    std::array<ImageOutput, MAX_IMAGES>& m_outputs;
};

} // namespace

const char* RunFiles::Clash(const std::string& path) const {
    switch (m_names.ClashOf(path)) {
    case NameClash::Input:
        return MSG_CLASHES_WITH_INPUT;
    case NameClash::Output:
        return MSG_CLASHES_WITH_OUTPUT;
    case NameClash::None:
        break;
    }
    return nullptr;
}

namespace {

// Counts the rows of a dry run that decodes the tiles; writes nothing.
class CountingSink final : public ImageRowSink {
public:
    SplitResult WriteOutputRow(int, const unsigned char*, int) override { return {}; }
};

// The records of the expected images after the search: corners, sizes and what the rows would be.
void RecordFinds(const ScanJob& job, const ImagePlacements& placements, SplitReport& report) {
    report.images.clear();
    for (int k = 0; k < MAX_IMAGES; ++k) {
        const ImagePlacement& placement = placements[k];
        if (placement.m_nState == PLACEMENT_NOT_EXPECTED)
            continue;
        ImageRecord image;
        image.number = k + 1;
        image.found = placement.m_nState == PLACEMENT_FOUND;
        image.width = job.geometry.m_nExpectedWidth;
        image.height = job.geometry.m_nExpectedHeight;
        if (image.found) {
            image.x = placement.m_nX0;
            image.y = placement.m_nY0;
            // Rows of the scan itself: the padding of the last row of tiles is not delivered.
            const int scanRows = static_cast<int>(job.geometry.m_nImageLength);
            image.rowsDelivered = std::max(0, std::min(placement.m_nY1, scanRows) - placement.m_nY0);
        }
        report.images.push_back(image);
    }
}

ImageRecord* RecordOf(SplitReport& report, int number) {
    for (ImageRecord& image : report.images)
        if (image.number == number)
            return &image;
    return nullptr;
}

using ImageOutputs = std::array<ImageOutput, MAX_IMAGES>;

// The image's output files in its record: the full-size one, then the binned copy if any.
void RecordOutputs(const ScanJob& job, ImageRecord& record, const std::string& fullName,
                   const std::string& binnedName) {
    record.name = fullName;
    OutputRecord full{fullName, job.settings.m_nWidth, job.settings.m_nHeight};
    full.pixelSize = job.settings.mrc.pixelSize;
    record.outputs.push_back(full);
    if (!binnedName.empty()) {
        OutputRecord binned{binnedName, job.settings.m_nBinnedWidth, job.settings.m_nBinnedHeight};
        binned.pixelSize = job.settings.mrc.BinnedPixelSize(job.settings.m_nBinning);
        record.outputs.push_back(binned);
    }
}

// Why the image's outputs must not be written (a name the Run already has, or a read-only earlier
// output), or empty.
std::string NotWrittenReason(const ScanJob& job, const std::string& fullName, const std::string& binnedName) {
    const std::string* clashing = &fullName;
    const char* clash = job.runFiles.Clash(fullName);
    if (!clash && !binnedName.empty()) {
        clashing = &binnedName;
        clash = job.runFiles.Clash(binnedName);
    }
    if (clash)
        return *clashing + clash;
    if (IsReadOnlyFile(fullName) || (!binnedName.empty() && IsReadOnlyFile(binnedName)))
        // An earlier output someone made read-only is kept.
        return std::string(MSG_OUTPUT_READ_ONLY) + (IsReadOnlyFile(fullName) ? fullName : binnedName);
    return {};
}

// Names every found image in order and, unless a dry run, opens its outputs; an image that must not
// be written is reported and passed by.
SplitResult OpenOutputs(const ScanJob& job, const ImagePlacements& placements, ImageOutputs& outputs,
                        SplitReport& report) {
    for (int k = 0; k < MAX_IMAGES; ++k) {
        if (placements[k].m_nState != PLACEMENT_FOUND)
            continue;
        ImageRecord& record = *RecordOf(report, k + 1);
        const ImageName name = job.namer.MakeImageName(job.path, k + 1);
        const auto [fullName, binnedName] = ImageOutput::NamesFor(name, job.settings);
        RecordOutputs(job, record, fullName, binnedName);
        record.notWrittenReason = NotWrittenReason(job, fullName, binnedName);
        if (!record.notWrittenReason.empty()) {
            job.messages.Warning("Image " + std::to_string(k + 1) + " of " + job.path +
                                 MSG_RUN_IMAGE_NOT_WRITTEN + record.notWrittenReason);
            continue;
        }
        job.runFiles.AddOutput(fullName);
        if (!binnedName.empty())
            job.runFiles.AddOutput(binnedName);
        if (job.dryRun)
            continue;
        if (OutputResult opened = outputs[k].Open(name, job.settings); !opened.Succeeded())
            return opened;
    }
    return {};
}

// The one pass over the scan's tiles: rows to the open outputs (or counted, in a dry run), tiles to
// the placement picture.
SplitResult ExtractRows(const ScanJob& job, ImagePlacements& placements, KeptTiles& kept,
                        ImageOutputs& outputs, const DeskewPlan& deskew) {
    ExtractionSettings extraction = job.extraction;
    if (job.preview)
        extraction.m_fnTileDecoded = [&job](int tile, const unsigned char* pixels) {
            job.preview->AddTile(tile, pixels);
        };
    OutputSink outputSink(outputs);
    CountingSink countingSink;
    // Turned-back images go through the deskew; a dry run only counts rows.
    DeskewSink deskewSink(outputSink, deskew);
    const bool turning =
        std::any_of(deskew.begin(), deskew.end(), [](const DeskewGeometry& turn) { return turn.active; });
    ImageRowSink& sink = job.dryRun ? static_cast<ImageRowSink&>(countingSink)
                         : turning  ? static_cast<ImageRowSink&>(deskewSink)
                                    : outputSink;
    SplitResult extracted = ExtractImages(
        {job.path, job.scan, job.geometry, placements, kept, sink, job.messages, job.progress, extraction});
    if (extracted.Succeeded() && turning && !job.dryRun)
        extracted = deskewSink.Finish();
    return extracted;
}

// Closes the TIFF files or writes the MRC headers; each finished image's record gets its statistics
// and is handed to imageCommitted.
SplitResult FinishOutputs(const ScanJob& job, ImageOutputs& outputs, SplitReport& report) {
    for (int k = 0; k < MAX_IMAGES; ++k) {
        ImageOutput& output = outputs[k];
        if (!output.IsOpen())
            continue;
        if (OutputResult finished = output.Finish(); !finished.Succeeded())
            return finished;
        ImageRecord& record = *RecordOf(report, k + 1);
        record.written = true;
        for (std::size_t i = 0; i < record.outputs.size(); ++i)
            if (const std::optional<MrcStatistics> written = output.Statistics(i)) {
                record.outputs[i].hasStatistics = true;
                record.outputs[i].dmin = written->dmin;
                record.outputs[i].dmax = written->dmax;
                record.outputs[i].mean = written->dmean;
                record.outputs[i].rms = written->rms;
            }
        if (job.imageCommitted)
            job.imageCommitted(record);
    }
    return {};
}

} // namespace

namespace {

// The sheet finder's search: every expected image's cell on its own. The corners are the crops'.
void FindSheets(const ScanJob& job, const PixelReader& pixel, ImagePlacements& placements,
                std::vector<SheetFit>& fits) {
    fits.assign(MAX_IMAGES, SheetFit{});
    for (int k = 0; k < MAX_IMAGES; ++k) {
        ImagePlacement& placement = placements[k];
        if (placement.m_nState != PLACEMENT_SEARCHED)
            continue;
        fits[static_cast<std::size_t>(k)] = FindSheet(job.geometry, pixel, k + 1);
        const SheetFit& fit = fits[static_cast<std::size_t>(k)];
        if (!fit.found)
            continue;
        PlaceFound(placement, fit.x0, fit.y0, job.geometry);
    }
}

// Corners set by hand replace the finds of their images.
void ApplyGivenCorners(const ScanJob& job, ImagePlacements& placements) {
    if (job.givenCorners == nullptr)
        return;
    for (const ImageRecord& given : *job.givenCorners) {
        if (!given.found || !given.setByHand || given.number < 1 || given.number > MAX_IMAGES)
            continue;
        ImagePlacement& placement = placements[static_cast<std::size_t>(given.number - 1)];
        if (placement.m_nState == PLACEMENT_NOT_EXPECTED)
            continue;
        PlaceFound(placement, given.x, given.y, job.geometry);
    }
}

void MarkGivenCorners(const ScanJob& job, SplitReport& report) {
    if (job.givenCorners == nullptr)
        return;
    for (const ImageRecord& given : *job.givenCorners)
        if (ImageRecord* image = RecordOf(report, given.number); image && given.found && given.setByHand)
            image->setByHand = true;
}

// Finds the images with the job's finder and adds their size and placement warnings. The sheet
// finder's fits go to `fits` (one per image slot).
SplitResult PlaceImages(const ScanJob& job, ImagePlacements& placements, KeptTiles& kept, SplitReport& report,
                        std::vector<SheetFit>& fits) {
    if (job.finder == ImageFinder::Sheet) {
        const PixelReader pixel = KeepingPixelReader(job.scan, job.geometry, kept);
        FindSheets(job, pixel, placements, fits);
        ApplyGivenCorners(job, placements);
        RecordFinds(job, placements, report);
        MarkGivenCorners(job, report);
        CheckSheetImages(job.geometry, fits, report.images);
        return SplitResult::Of(job.progress.StopRequested() ? RunOutcome::Interrupted : RunOutcome::Done);
    }
    const SearchConstants constants = SearchConstants::For(job.geometry);
    SplitResult found = FindImages(job.scan, job.geometry, constants, placements, kept, job.progress,
                                   WorkerCount(job.extraction.m_nThreads, job.geometry));
    RecordFinds(job, placements, report);
    if (!found.Succeeded())
        return found;
    ApplyGivenCorners(job, placements);
    RecordFinds(job, placements, report);
    MarkGivenCorners(job, report);
    const PixelReader pixel = ScanPixelReader(job.scan, job.geometry, kept);
    CheckImageSizes(job.geometry, pixel, report.images);
    AddSheetFinderHints(job.geometry, pixel, report.images);
    return {};
}

// With deskew: every found sheet the finder saw turned (and whose corner no person set) is turned
// back; its placement becomes the scan box its source lies in, its record the crop's corner in the
// turned-back frame and the interpolation, and the warning that its crop is cut square goes.
DeskewPlan PlanDeskew(const ScanJob& job, const std::vector<SheetFit>& fits, ImagePlacements& placements,
                      SplitReport& report) {
    DeskewPlan plan{};
    if (!job.deskew || job.finder != ImageFinder::Sheet)
        return plan;
    for (int k = 0; k < MAX_IMAGES && static_cast<std::size_t>(k) < fits.size(); ++k) {
        ImageRecord* image = RecordOf(report, k + 1);
        ImagePlacement& placement = placements[static_cast<std::size_t>(k)];
        if (image == nullptr || image->setByHand || placement.m_nState != PLACEMENT_FOUND)
            continue;
        const DeskewGeometry turn = DeskewFor(fits[static_cast<std::size_t>(k)], job.geometry);
        if (!turn.active)
            continue;
        plan[static_cast<std::size_t>(k)] = turn;
        placement.m_nX0 = turn.boxX0;
        placement.m_nY0 = turn.boxY0;
        placement.m_nX1 = turn.boxX1;
        placement.m_nY1 = turn.boxY1;
        image->x = turn.cropX;
        image->y = turn.cropY;
        image->interpolation = DESKEW_INTERPOLATION;
        const int scanRows = static_cast<int>(job.geometry.m_nImageLength);
        image->rowsDelivered = std::clamp(scanRows - turn.cropY, 0, turn.height);
        std::erase_if(image->warnings,
                      [](const std::string& warning) { return warning.starts_with(SHEET_WARNING_TURNED); });
    }
    return plan;
}

} // namespace

SplitResult SplitCheckedScan(const ScanJob& job, ImagePlacements& placements, SplitReport& report) {
    KeptTiles kept(job.geometry.m_nTileCount,
                   job.finder == ImageFinder::Sheet ? SHEET_KEPT_TILES_BUDGET : KEPT_TILES_BUDGET);
    std::vector<SheetFit> fits;
    if (SplitResult found = PlaceImages(job, placements, kept, report, fits); !found.Succeeded())
        return found;
    const DeskewPlan deskew = PlanDeskew(job, fits, placements, report);

    ImageOutputs outputs;
    if (SplitResult opened = OpenOutputs(job, placements, outputs, report); !opened.Succeeded())
        return opened;
    if (job.dryRun && !job.preview)
        return {};
    if (SplitResult extracted = ExtractRows(job, placements, kept, outputs, deskew); !extracted.Succeeded())
        return extracted;
    if (job.dryRun)
        return {};
    return FinishOutputs(job, outputs, report);
}

} // namespace gc
