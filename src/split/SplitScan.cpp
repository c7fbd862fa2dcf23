#include "SplitScan.h"

#include <array>
#include <cstddef>

namespace gc {
namespace {

// Tiles the search decodes are kept for the extraction up to this many bytes.
inline constexpr std::size_t KEPT_TILES_BUDGET = std::size_t{32} << 20;

class OutputSink final : public ImageRowSink {
public:
    explicit OutputSink(std::array<ImageOutput, MAX_IMAGES>& outputs) : m_outputs(outputs) {}
    StepResult WriteOutputRow(int image, const unsigned char* row, int rowIndex) override {
        return m_outputs[static_cast<std::size_t>(image - 1)].WriteRow(row, rowIndex);
    }

private:
    std::array<ImageOutput, MAX_IMAGES>& m_outputs;
};

} // namespace

StepResult SplitCheckedScan(const ScanJob& job, ImagePlacements& placements) {
    const SearchConstants constants = SearchConstants::For(job.geometry);
    KeptTiles kept(job.geometry.m_nTileCount, KEPT_TILES_BUDGET);
    if (const StepResult found =
            FindImages(job.scan, job.geometry, constants, placements, kept, job.progress);
        found != StepResult::Ok)
        return found;

    std::array<ImageOutput, MAX_IMAGES> outputs;
    for (int k = 0; k < MAX_IMAGES; ++k) {
        if (placements[k].m_nState != PLACEMENT_FOUND)
            continue;
        const ImageName name = job.namer.MakeImageName(job.path, k + 1);
        if (const StepResult opened = outputs[k].Open(name, job.settings); opened != StepResult::Ok)
            return opened;
    }

    OutputSink sink(outputs);
    if (const StepResult extracted = ExtractImages(job.path, job.scan, job.geometry, placements, kept, sink,
                                                   job.messages, job.progress, job.extraction);
        extracted != StepResult::Ok)
        return extracted;

    for (int k = 0; k < MAX_IMAGES; ++k) {
        if (placements[k].m_nState != PLACEMENT_FOUND)
            continue;
        const StepResult finished = job.settings.m_bTiff ? outputs[k].CloseTiff() : outputs[k].FinishMrc();
        if (finished != StepResult::Ok)
            return StepResult::FatalWrite;
    }
    return StepResult::Ok;
}

} // namespace gc
