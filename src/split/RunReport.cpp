#include "RunReport.h"

#include "PlacementPreview.h"

#include <filesystem>
#include <nlohmann/json.hpp>

namespace gc {

namespace {

// Length of the well-formed UTF-8 sequence at `at` (overlong forms, surrogates and values past
// U+10FFFF are not), or 0.
std::size_t Utf8SequenceAt(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else
        return 0;
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    return length;
}

} // namespace

std::string JsonTextOfBytes(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        if (const std::size_t length = Utf8SequenceAt(bytes, i); length > 0) {
            text.append(bytes, i, length);
            i += length;
            continue;
        }
        const auto value = static_cast<unsigned char>(bytes[i++]);
        text += static_cast<char>(0xC0 | (value >> 6));
        text += static_cast<char>(0x80 | (value & 0x3F));
    }
    return text;
}

namespace {

// One output file of an image: its path, kind, size, pixel size and header statistics.
nlohmann::json OutputJson(const OutputRecord& output, bool full) {
    using nlohmann::json;
    json out = {{"path", JsonTextOfBytes(output.path)},
                {"kind", full ? "full" : "binned"},
                {"width", output.width},
                {"height", output.height}};
    out["pixel_size"] = output.pixelSize > 0 ? json(output.pixelSize) : json(nullptr);
    if (output.hasStatistics)
        out["header"] = {
            {"dmin", output.dmin}, {"dmax", output.dmax}, {"mean", output.mean}, {"rms", output.rms}};
    return out;
}

// One expected image: its number and whether it was found; for a found one where it is, its name,
// whether and where it was written, and its warnings.
nlohmann::json ImageJson(const ImageRecord& image) {
    using nlohmann::json;
    json entry = {{"number", image.number}, {"found", image.found}};
    if (!image.found)
        return entry;
    entry["corner"] = {{"x", image.x}, {"y", image.y}};
    if (image.setByHand)
        entry["corner"]["set_by_hand"] = true;
    entry["size"] = {{"width", image.width}, {"height", image.height}};
    entry["rows_delivered"] = image.rowsDelivered;
    if (image.hasAngle)
        entry["angle"] = image.angle;
    if (!image.interpolation.empty())
        entry["deskewed"] = {{"interpolation", image.interpolation}};
    entry["name"] = JsonTextOfBytes(image.name);
    entry["written"] = image.written;
    if (!image.notWrittenReason.empty())
        entry["not_written_because"] = JsonTextOfBytes(image.notWrittenReason);
    json outputs = json::array();
    for (std::size_t i = 0; i < image.outputs.size(); ++i)
        outputs.push_back(OutputJson(image.outputs[i], i == 0));
    entry["outputs"] = outputs;
    json warnings = json::array();
    for (const std::string& warning : image.warnings)
        warnings.push_back(JsonTextOfBytes(warning));
    entry["warnings"] = warnings;
    return entry;
}

// One scan: its paths, layout, outcome, message and expected images.
nlohmann::json ScanJson(const ScanRecord& scan) {
    using nlohmann::json;
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(scan.path, error).lexically_normal().string();
    json file = {{"path", JsonTextOfBytes(scan.path)},
                 {"absolute_path", error ? json(nullptr) : json(JsonTextOfBytes(absolute))},
                 {"width", scan.width},
                 {"height", scan.height},
                 {"tile_width", scan.tileWidth},
                 {"tile_length", scan.tileLength},
                 {"compression", ScanCompressionName(scan.compression)},
                 {"outcome", ScanOutcomeName(scan.outcome)},
                 {"message", scan.message.empty() ? json(nullptr) : json(JsonTextOfBytes(scan.message))}};
    json images = json::array();
    for (const ImageRecord& image : scan.images)
        images.push_back(ImageJson(image));
    file["images"] = images;
    return file;
}

} // namespace

std::string RunReportJson(const RunReportSettings& settings, const std::vector<ScanRecord>& scans,
                          const std::string& runOutcome) {
    using nlohmann::json;
    const RunSettings& p = settings.parameters;
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
        {"mrc2014", p.mrc.IsMrc2014()},
        {"pixel_size", p.mrc.pixelSize > 0 ? json(p.mrc.pixelSize) : json(nullptr)},
        {"magnification", p.m_dMagnification > 0 ? json(p.m_dMagnification) : json(nullptr)},
        {"append", p.m_bAppendString ? json(JsonTextOfBytes(p.m_strAppendString)) : json(nullptr)},
        {"start_number", p.m_bStartNumber ? json(JsonTextOfBytes(p.m_strStartNumber)) : json(nullptr)},
        {"output_dir", p.m_bOutputDir ? json(JsonTextOfBytes(p.m_strOutputDir)) : json(nullptr)},
        {"threads", settings.threads},
        {"dry_run", settings.dryRun},
        {"preview", settings.preview},
        {"keep_going", settings.keepGoing},
        {"strict", settings.strict},
    };
    // Only the sheet finder is named, so the reports of the classic search stay as they were.
    if (p.m_finder == ImageFinder::Sheet)
        report["settings"]["finder"] = "sheet";
    if (p.m_finder == ImageFinder::Sheet && p.m_bDeskew)
        report["settings"]["deskew"] = true;
    json files = json::array();
    for (const ScanRecord& scan : scans) {
        json file = ScanJson(scan);
        if (settings.preview && scan.outcome == ScanOutcome::Done)
            file["placement_picture"] = JsonTextOfBytes(
                PlacementPictureName(scan.path, p.m_bOutputDir ? p.m_strOutputDir : std::string()));
        files.push_back(file);
    }
    report["files"] = files;
    // Every string went through JsonTextOfBytes; the replacing handler only makes sure the dump never
    // throws.
    return report.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace gc
