// The fuzz targets' work on one input. The JPEG, TIFF and MRC readers take a path, so their input is
// written to one anonymous in-memory file (reached by its /proc path) for the whole process. The Run
// takes a scan path and names its outputs after it, so its input is written to a real file,
// <temporary folder>/scan.tif, with the outputs in <temporary folder>/out/.
#include "FuzzTargets.h"

#include "document/MrcProperties.h"
#include "document/TiffProperties.h"
#include "image/BmpCodec.h"
#include "image/JpegCodec.h"
#include "image/MrcReader.h"
#include "image/TiffCodec.h"
#include "pick/PickCoordinates.h"
#include "split/RunDriver.h"
#include "split/RunPlan.h"

#include <nlohmann/json.hpp>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>

namespace gc::fuzz {
namespace {

namespace fs = std::filesystem;

// The bytes as the content of the process's in-memory file; its path, or "" when it cannot be had.
std::string InMemoryFile(const std::uint8_t* data, std::size_t size) {
    static const int descriptor = memfd_create("gridcarver-fuzz-input", 0);
    if (descriptor < 0 || ftruncate(descriptor, 0) != 0)
        return {};
    if (size > 0 && pwrite(descriptor, data, size, 0) != static_cast<ssize_t>(size))
        return {};
    return "/proc/self/fd/" + std::to_string(descriptor);
}

// The folder of the Run's input and outputs, made once and removed when the process ends.
class ScanFolder {
public:
    ScanFolder() {
        std::error_code error;
        std::string pattern = (fs::temp_directory_path(error) / "gridcarver-fuzz-XXXXXX").string();
        if (!error && mkdtemp(pattern.data()) != nullptr)
            m_root = pattern;
    }
    ~ScanFolder() {
        std::error_code error;
        if (!m_root.empty())
            fs::remove_all(m_root, error);
    }
    ScanFolder(const ScanFolder&) = delete;
    ScanFolder& operator=(const ScanFolder&) = delete;

    bool Ready() const { return !m_root.empty(); }
    fs::path Scan() const { return m_root / "scan.tif"; }
    fs::path Outputs() const { return m_root / "out"; }

private:
    fs::path m_root;
};

ScanFolder& TheScanFolder() {
    static ScanFolder folder;
    return folder;
}

} // namespace

void DecodeBmpInput(const std::uint8_t* data, std::size_t size) {
    DIBSection image;
    const int result = DecodeBmp(size, data, image);
    if ((result == 1 && !image.IsValid()) || (result == READ_TOO_LARGE && image.IsValid()))
        __builtin_trap();
}

void ReadJpegInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = InMemoryFile(data, size);
    if (path.empty())
        return;
    SilentMessages messages;
    DIBSection image;
    if (ReadJpegFile(path, image, messages) == READ_TOO_LARGE && image.IsValid())
        __builtin_trap();
}

void ReadTiffInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = InMemoryFile(data, size);
    if (path.empty())
        return;
    SilentMessages messages;
    TiffDirList directories;
    ListTiffDirectories(path, directories, messages);
    for (const TiffDirEntry& entry : directories) {
        DIBSection image;
        if (ReadTiffImage(path, image, entry.m_nDirectory, messages) == TiffReadOutcome::Read &&
            (!image.IsValid() || image.GetWidth() != entry.m_nWidth || image.GetHeight() != entry.m_nHeight))
            __builtin_trap();
    }
    GrowArray<std::string> lines;
    FormatTiffProperties(path, 0, lines, messages);
}

void ReadMrcInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = InMemoryFile(data, size);
    if (path.empty())
        return;
    MrcImages images;
    MrcHeader header;
    if (ReadMrcFile(path, images, &header) == MrcReadOutcome::Read) {
        if (static_cast<int>(images.size()) != header.m_nNZ)
            __builtin_trap();
        for (const auto& image : images)
            if (!image->IsValid() || image->GetWidth() != header.m_nNX || image->GetHeight() != header.m_nNY)
                __builtin_trap();
    } else if (!images.empty()) {
        __builtin_trap();
    }
    GrowArray<std::string> lines;
    FormatMrcProperties(path, lines);
}

void SplitScanInput(const std::uint8_t* data, std::size_t size) {
    ScanFolder& folder = TheScanFolder();
    if (!folder.Ready() || size == 0)
        return;
    {
        std::FILE* scan = std::fopen(folder.Scan().c_str(), "wb");
        if (scan == nullptr)
            return;
        const bool written = std::fwrite(data, 1, size, scan) == size;
        if (std::fclose(scan) != 0 || !written)
            return;
    }
    std::error_code error;
    fs::create_directory(folder.Outputs(), error);
    if (error)
        return;

    RunSettings parameters;
    parameters.m_nImageCount = 1;
    parameters.m_nWidthCm = 7;
    parameters.m_nHeightCm = 9;
    const std::uint8_t choice = data[size - 1];
    parameters.m_bOutputTiff = (choice & 1) != 0;
    constexpr int BINNINGS[] = {0, 2, 3, 4};
    parameters.m_nBinning = BINNINGS[(choice >> 1) & 3];
    parameters.m_bOutputDir = true;
    parameters.m_strOutputDir = folder.Outputs().string() + "/";

    SilentMessages messages;
    NullProgress progress;
    SplitOneScan(folder.Scan().string(), parameters, messages, progress);
    fs::remove_all(folder.Outputs(), error);
}

void ParseCoordinatesInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3)
        return;
    const CoordinateFormat formats[] = {CoordinateFormat::EmanBox, CoordinateFormat::RelionStar,
                                        CoordinateFormat::Csv};
    const CoordinateFormat format = formats[data[0] % 3];
    // The rest of the first byte chooses the row order and the box size (2..65) of the frame.
    const CoordinateFrame frame{(data[1] | (data[2] << 8)) + 1, 2 + ((data[0] >> 2) & 63),
                                (data[0] & 128) != 0 ? RowOrder::AsStored : RowOrder::BottomUp};
    const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);
    const CoordinateReading reading = ParseCoordinates(text, format, frame);
    if (!reading.Ok()) {
        const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
        if (reading.m_nBadLine < 0 || reading.m_nBadLine > lines)
            std::abort();
        return;
    }
    if (reading.m_nBadLine != 0)
        std::abort();
    const CoordinateReading again =
        ParseCoordinates(RelionStarText(reading.m_centres, frame), CoordinateFormat::RelionStar, frame);
    if (!again.Ok() || again.m_centres.size() != reading.m_centres.size())
        std::abort();
    for (std::size_t i = 0; i < again.m_centres.size(); ++i)
        if (again.m_centres[i].x != reading.m_centres[i].x || again.m_centres[i].y != reading.m_centres[i].y)
            std::abort();
}

void ReadPlanInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    RunPlan plan;
    std::string error;
    if (!ReadRunPlan(text, "plan.json", plan, error)) {
        if (error.rfind("plan.json: ", 0) != 0)
            std::abort();
        return;
    }
    const RunSettings& p = plan.parameters;
    if (p.m_nImageCount < 1 || p.m_nImageCount > 6 || p.m_nHeightCm < 9 || p.m_nHeightCm > 11 ||
        p.m_nWidthCm < 7 || p.m_nWidthCm > 9 ||
        (p.m_nBinning != 0 && (p.m_nBinning < 2 || p.m_nBinning > 4)) ||
        !(p.mrc.pixelSize >= 0 && p.mrc.pixelSize <= MAX_PIXEL_SIZE) || !(p.m_dMagnification >= 0) ||
        plan.scans.size() > static_cast<std::size_t>(MAX_INPUT_FILES))
        std::abort();
    for (std::size_t i = 0; i < plan.scans.size(); ++i) {
        if (plan.scans[i].path.empty() || TaskParameters(plan, i).m_strInputFiles.size() != 1)
            std::abort();
        const BatchState state = BatchStateBefore(plan, i);
        if (state.inputs.size() != plan.scans.size())
            std::abort();
    }
}

namespace {

// A folder holding plan.json, a one-scan plan, and plan.json.parts/ for the part under test.
struct PlanFolder {
    PlanFolder() {
        char name[] = "/tmp/gridcarver-fuzz-plan-XXXXXX";
        if (::mkdtemp(name) == nullptr)
            return;
        folder = name;
        ScanRecord scan;
        scan.path = "a.tif";
        ImageRecord image;
        image.number = 1;
        image.found = true;
        image.name = "a_1.mrc";
        image.outputs = {{"a_1.mrc", 10, 10}};
        scan.images = {image};
        RunSettings parameters;
        parameters.m_nImageCount = 1;
        const std::string plan =
            RunPlanJson({parameters, "1.0", 1, true, false, false}, {scan}, "done", folder.string());
        std::FILE* file = std::fopen(Plan().c_str(), "wb");
        std::error_code error;
        fs::create_directory(folder / "plan.json.parts", error);
        ready = file != nullptr && std::fwrite(plan.data(), 1, plan.size(), file) == plan.size() && !error;
        if (file != nullptr)
            ready = std::fclose(file) == 0 && ready;
    }
    ~PlanFolder() {
        std::error_code error;
        if (!folder.empty())
            fs::remove_all(folder, error);
    }
    std::string Plan() const { return (folder / "plan.json").string(); }

    fs::path folder;
    bool ready = false;
};

} // namespace

void MergePartInput(const std::uint8_t* data, std::size_t size) {
    static PlanFolder folder;
    if (!folder.ready)
        return;
    std::FILE* part = std::fopen(TaskPartPath(folder.Plan(), 1).c_str(), "wb");
    if (part == nullptr)
        return;
    const bool written = std::fwrite(data, 1, size, part) == size;
    if (std::fclose(part) != 0 || !written)
        return;
    MergeResult merged;
    std::string error;
    if (!MergeRunPlan(folder.Plan(), "1.0", merged, error))
        std::abort();
    const nlohmann::json report = nlohmann::json::parse(merged.reportJson);
    const bool done = merged.missing.empty() && merged.failed.empty();
    if ((report.at("outcome") == "done") != done || !merged.missing.empty())
        std::abort();
}

} // namespace gc::fuzz
