#include "RunReport.h"

#include "PlacementPreview.h"

#include <filesystem>
#include <nlohmann/json.hpp>

namespace gc {

std::string RunReportJson(const RunReportSettings& settings, const std::vector<ScanRecord>& scans,
                          const std::string& runOutcome) {
    using nlohmann::json;
    const RunParameters& p = settings.parameters;
    json report;
    report["program"] = "gridcarver";
    report["version"] = settings.version;
    report["outcome"] = runOutcome;
    report["settings"] = {
        {"images", p.m_nImageCount},
        {"height_cm", p.m_nHeightCm},
        {"width_cm", p.m_nWidthCm},
        {"binning", p.m_nBinning},
        {"format", p.m_bOutputTiff ? "tiff" : "mrc"},
        {"append", p.m_bAppendString ? json(p.m_strAppendString) : json(nullptr)},
        {"start_number", p.m_bStartNumber ? json(p.m_strStartNumber) : json(nullptr)},
        {"output_dir", p.m_bOutputDir ? json(p.m_strOutputDir) : json(nullptr)},
        {"threads", settings.threads},
        {"dry_run", settings.dryRun},
        {"preview", settings.preview},
        {"keep_going", settings.keepGoing},
        {"strict", settings.strict},
    };
    json files = json::array();
    for (const ScanRecord& scan : scans) {
        std::error_code error;
        const std::string absolute = std::filesystem::absolute(scan.path, error).lexically_normal().string();
        json file = {{"path", scan.path},
                     {"absolute_path", error ? json(nullptr) : json(absolute)},
                     {"width", scan.width},
                     {"height", scan.height},
                     {"tile_width", scan.tileWidth},
                     {"tile_length", scan.tileLength},
                     {"compression", ScanCompressionName(scan.compression)},
                     {"outcome", ScanOutcomeName(scan.outcome)},
                     {"message", scan.message.empty() ? json(nullptr) : json(scan.message)}};
        json images = json::array();
        for (const ImageRecord& image : scan.images) {
            json entry = {{"number", image.number}, {"found", image.found}};
            if (image.found) {
                entry["corner"] = {{"x", image.x}, {"y", image.y}};
                entry["size"] = {{"width", image.width}, {"height", image.height}};
                entry["rows_delivered"] = image.rowsDelivered;
                entry["name"] = image.name;
                entry["written"] = image.written;
                if (!image.notWrittenReason.empty())
                    entry["not_written_because"] = image.notWrittenReason;
                json outputs = json::array();
                for (std::size_t i = 0; i < image.outputs.size(); ++i) {
                    const OutputRecord& output = image.outputs[i];
                    json out = {{"path", output.path},
                                {"kind", i == 0 ? "full" : "binned"},
                                {"width", output.width},
                                {"height", output.height}};
                    if (output.hasStatistics)
                        out["header"] = {
                            {"dmin", 0.0}, {"dmax", 255.0}, {"mean", output.mean}, {"rms", output.rms}};
                    outputs.push_back(out);
                }
                entry["outputs"] = outputs;
                entry["warnings"] = image.warnings;
            }
            images.push_back(entry);
        }
        file["images"] = images;
        if (settings.preview && scan.outcome == ScanOutcome::Done)
            file["placement_picture"] =
                PlacementPictureName(scan.path, p.m_bOutputDir ? p.m_strOutputDir : std::string());
        files.push_back(file);
    }
    report["files"] = files;
    return report.dump(2) + "\n";
}

} // namespace gc
