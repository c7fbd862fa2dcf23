#include "SplitScan.h"

#include "SplitMessages.h"

#include <array>
#include <cstddef>
#include <filesystem>

namespace gc {
namespace {

// Tiles the search decodes are kept for the extraction up to this many bytes.
inline constexpr std::size_t KEPT_TILES_BUDGET = std::size_t{32} << 20;

std::string Canonical(const std::string& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? std::filesystem::absolute(path, error).lexically_normal().string() : canonical.string();
}

// Hands each row to its image's outputs; images that are not written pass their rows by.
class OutputSink final : public ImageRowSink {
public:
    explicit OutputSink(std::array<ImageOutput, MAX_IMAGES>& outputs) : m_outputs(outputs) {}
    StepResult WriteOutputRow(int image, const unsigned char* row, int rowIndex) override {
        ImageOutput& output = m_outputs[static_cast<std::size_t>(image - 1)];
        return output.IsOpen() ? output.WriteRow(row, rowIndex) : StepResult::Ok;
    }

private:
    std::array<ImageOutput, MAX_IMAGES>& m_outputs;
};

} // namespace

void RunFiles::AddInput(const std::string& path) {
    inputs.insert(Canonical(path));
}

void RunFiles::AddOutput(const std::string& path) {
    outputs.insert(Canonical(path));
}

const char* RunFiles::Clash(const std::string& path) const {
    const std::string canonical = Canonical(path);
    if (inputs.count(canonical))
        return MSG_CLASHES_WITH_INPUT;
    if (outputs.count(canonical))
        return MSG_CLASHES_WITH_OUTPUT;
    return nullptr;
}

StepResult SplitCheckedScan(const ScanJob& job, ImagePlacements& placements, SplitReport& report) {
    const SearchConstants constants = SearchConstants::For(job.geometry);
    KeptTiles kept(job.geometry.m_nTileCount, KEPT_TILES_BUDGET);
    if (const StepResult found =
            FindImages(job.scan, job.geometry, constants, placements, kept, job.progress, report.detail);
        found != StepResult::Ok)
        return found;

    std::array<ImageOutput, MAX_IMAGES> outputs;
    for (int k = 0; k < MAX_IMAGES; ++k) {
        if (placements[k].m_nState != PLACEMENT_FOUND)
            continue;
        const ImageName name = job.namer.MakeImageName(job.path, k + 1);
        const auto [fullName, binnedName] = ImageOutput::NamesFor(name, job.settings);
        const std::string* clashing = &fullName;
        const char* clash = job.runFiles.Clash(fullName);
        if (!clash && !binnedName.empty()) {
            clashing = &binnedName;
            clash = job.runFiles.Clash(binnedName);
        }
        if (clash) {
            job.messages.Warning("Image " + std::to_string(k + 1) + " of " + job.path +
                                 MSG_RUN_IMAGE_NOT_WRITTEN + *clashing + clash);
            ++report.imagesNotWritten;
            continue;
        }
        job.runFiles.AddOutput(fullName);
        if (!binnedName.empty())
            job.runFiles.AddOutput(binnedName);
        if (const StepResult opened = outputs[k].Open(name, job.settings); opened != StepResult::Ok) {
            report.detail = outputs[k].Failure();
            return opened;
        }
    }

    OutputSink sink(outputs);
    const StepResult extracted = ExtractImages(job.path, job.scan, job.geometry, placements, kept, sink,
                                               job.messages, job.progress, job.extraction, report.detail);
    if (extracted != StepResult::Ok) {
        for (const ImageOutput& output : outputs)
            if (!output.Failure().empty())
                report.detail = output.Failure();
        return extracted;
    }

    for (ImageOutput& output : outputs) {
        if (!output.IsOpen())
            continue;
        if (const StepResult finished = job.settings.m_bTiff ? output.CloseTiff() : output.FinishMrc();
            finished != StepResult::Ok) {
            report.detail = output.Failure();
            return StepResult::FatalWrite;
        }
    }
    return StepResult::Ok;
}

} // namespace gc
