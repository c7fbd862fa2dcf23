#include "RunPlan.h"

#include "PlanMessages.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace gc {
namespace {

using nlohmann::json;

std::string TextOr(const json& value, const std::string& fallback) {
    return value.is_string() ? value.get<std::string>() : fallback;
}

ScanOutcome OutcomeNamed(const std::string& name) {
    for (ScanOutcome outcome :
         {ScanOutcome::Done, ScanOutcome::Skipped, ScanOutcome::Fatal, ScanOutcome::Interrupted})
        if (name == ScanOutcomeName(outcome))
            return outcome;
    return ScanOutcome::Fatal;
}

std::string Corner(int x, int y) {
    return std::to_string(x) + "," + std::to_string(y);
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

// One expected image of a planned scan: its number, and for a found one its corner, name and the
// outputs the dry run named.
ImageRecord PlannedImageOf(const json& entry) {
    ImageRecord image;
    image.number = entry.at("number").get<int>();
    image.found = entry.at("found").get<bool>();
    if (image.found) {
        image.x = entry.at("corner").at("x").get<int>();
        image.y = entry.at("corner").at("y").get<int>();
        image.name = entry.at("name").get<std::string>();
        image.notWrittenReason = entry.value("not_written_because", std::string());
        for (const json& output : entry.at("outputs"))
            image.outputs.push_back({output.at("path").get<std::string>(), 0, 0});
    }
    return image;
}

// One scan of the plan: its path, its size and time when the plan was made, its outcome and images.
PlannedScan PlannedScanOf(const json& file) {
    PlannedScan scan;
    scan.path = file.at("path").get<std::string>();
    scan.identity.exists = !file.at("size").is_null();
    if (scan.identity.exists) {
        scan.identity.size = file.at("size").get<std::uintmax_t>();
        scan.identity.mtimeNs = file.at("mtime_ns").get<std::int64_t>();
    }
    scan.outcome = OutcomeNamed(file.at("outcome").get<std::string>());
    for (const json& entry : file.at("images"))
        scan.images.push_back(PlannedImageOf(entry));
    return scan;
}

} // namespace

ScanIdentity IdentifyScan(const std::string& path) {
    ScanIdentity identity;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return identity;
    identity.exists = true;
    identity.size = static_cast<std::uintmax_t>(info.st_size);
    identity.mtimeNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return identity;
}

std::string RunPlanJson(const RunReportSettings& settings, const std::vector<ScanRecord>& scans,
                        const std::string& runOutcome, const std::string& workingDir) {
    json plan = json::parse(RunReportJson(settings, scans, runOutcome));
    plan["plan"] = {{"working_dir", workingDir}, {"scans", scans.size()}};
    if (settings.parameters.m_nLabelTime > 0)
        plan["plan"]["time"] = settings.parameters.m_nLabelTime;
    for (json& file : plan["files"]) {
        const ScanIdentity identity = IdentifyScan(file["path"].get<std::string>());
        file["size"] = identity.exists ? json(identity.size) : json(nullptr);
        file["mtime_ns"] = identity.exists ? json(identity.mtimeNs) : json(nullptr);
    }
    return plan.dump(2) + "\n";
}

bool ReadRunPlan(const std::string& text, const std::string& planPath, RunPlan& plan, std::string& error) {
    try {
        const json document = json::parse(text);
        if (!document.contains("plan") || !document.at("settings").at("dry_run").get<bool>()) {
            error = planPath + PLAN_MSG_NOT_A_PLAN;
            return false;
        }
        if (document.at("outcome") != "done") {
            error = planPath + PLAN_MSG_PLAN_STOPPED;
            return false;
        }
        const json& s = document.at("settings");
        RunSettings& p = plan.parameters;
        p.m_nImageCount = s.at("images").get<int>();
        p.m_nHeightCm = s.at("height_cm").get<int>();
        p.m_nWidthCm = s.at("width_cm").get<int>();
        p.m_nBinning = s.at("binning").get<int>();
        p.m_bOutputTiff = s.at("format") == "tiff";
        p.m_bMrc2014 = s.value("mrc2014", false);
        p.m_dPixelSize = s.contains("pixel_size") && s.at("pixel_size").is_number()
                             ? s.at("pixel_size").get<double>()
                             : 0.0;
        p.m_dMagnification = s.contains("magnification") && s.at("magnification").is_number()
                                 ? s.at("magnification").get<double>()
                                 : 0.0;
        p.m_bAppendString = s.at("append").is_string();
        p.m_strAppendString = TextOr(s.at("append"), "");
        p.m_bStartNumber = s.at("start_number").is_string();
        p.m_strStartNumber = TextOr(s.at("start_number"), "");
        p.m_bOutputDir = s.at("output_dir").is_string();
        p.m_strOutputDir = TextOr(s.at("output_dir"), "");
        plan.workingDir = document.at("plan").at("working_dir").get<std::string>();
        // The time the plan's MRC2014 labels name; a plan without one lets each task take its own.
        p.m_nLabelTime = document.at("plan").value("time", std::int64_t{0});
        if (p.m_nLabelTime < 0) {
            error = planPath + PLAN_MSG_NOT_A_PLAN + " (\"time\" is negative)";
            return false;
        }
        plan.scans.clear();
        for (const json& file : document.at("files"))
            plan.scans.push_back(PlannedScanOf(file));
    } catch (const json::exception& e) {
        error = planPath + PLAN_MSG_NOT_A_PLAN + " (" + e.what() + ")";
        return false;
    }
    return true;
}

RunSettings TaskParameters(const RunPlan& plan, std::size_t index) {
    RunSettings parameters = plan.parameters;
    parameters.m_bBatchMode = plan.scans.size() > 1;
    parameters.m_strInputFiles = {plan.scans.at(index).path};
    return parameters;
}

BatchState BatchStateBefore(const RunPlan& plan, std::size_t index) {
    BatchState state;
    for (const PlannedScan& scan : plan.scans)
        state.inputs.push_back(scan.path);
    for (std::size_t i = 0; i < index && i < plan.scans.size(); ++i)
        for (const ImageRecord& image : plan.scans[i].images) {
            // Every found image that reached the naming used up a number, written or not.
            if (!image.found || image.name.empty())
                continue;
            ++state.namesMade;
            if (image.notWrittenReason.empty())
                for (const OutputRecord& output : image.outputs)
                    state.earlierOutputs.push_back(output.path);
        }
    return state;
}

std::string ScanIdentityChange(const PlannedScan& planned, const ScanIdentity& now) {
    if (planned.identity.exists && !now.exists)
        return PLAN_MSG_SCAN_GONE;
    std::string change;
    const auto add = [&change](const std::string& part) { change += (change.empty() ? "" : "; ") + part; };
    if (planned.identity.size != now.size || planned.identity.exists != now.exists)
        add(PLAN_MSG_SIZE + std::to_string(now.size) + PLAN_MSG_PLANNED +
            std::to_string(planned.identity.size));
    if (planned.identity.mtimeNs != now.mtimeNs)
        add(PLAN_MSG_MTIME + std::to_string(now.mtimeNs) + PLAN_MSG_PLANNED +
            std::to_string(planned.identity.mtimeNs) + " (ns)");
    return change;
}

std::string FindsChange(const PlannedScan& planned, const ScanRecord& now) {
    std::string change;
    const auto add = [&change](const std::string& part) { change += (change.empty() ? "" : "; ") + part; };
    if (now.outcome != planned.outcome)
        add(PLAN_MSG_NOW_OUTCOME + std::string(ScanOutcomeName(planned.outcome)) + ", now " +
            ScanOutcomeName(now.outcome));
    for (const ImageRecord& plannedImage : planned.images) {
        const std::string image = "image " + std::to_string(plannedImage.number);
        const ImageRecord* found = nullptr;
        for (const ImageRecord& candidate : now.images)
            if (candidate.number == plannedImage.number)
                found = &candidate;
        if (found == nullptr) {
            add(image + PLAN_MSG_NOW_NOT_FOUND);
        } else if (plannedImage.found && !found->found) {
            add(image + " at " + Corner(plannedImage.x, plannedImage.y) + PLAN_MSG_NOW_NOT_FOUND);
        } else if (!plannedImage.found && found->found) {
            add(image + PLAN_MSG_NOW_FOUND + Corner(found->x, found->y));
        } else if (found->found) {
            if (found->x != plannedImage.x || found->y != plannedImage.y)
                add(image + " at " + Corner(plannedImage.x, plannedImage.y) + PLAN_MSG_NOW_AT +
                    Corner(found->x, found->y));
            else if (found->name != plannedImage.name ||
                     found->notWrittenReason != plannedImage.notWrittenReason)
                add(image + " named " + plannedImage.name + PLAN_MSG_NOW_NAMED + found->name);
        }
    }
    return change;
}

std::string TaskPartPath(const std::string& planPath, int task) {
    return planPath + ".parts/" + std::to_string(task) + ".json";
}

std::string TaskPartJson(const RunReportSettings& settings, int task, const ScanRecord& record,
                         const std::string& refusal) {
    json part;
    part["program"] = "gridcarver";
    part["version"] = settings.version;
    part["task"] = task;
    part["path"] = record.path;
    if (refusal.empty()) {
        const json report = json::parse(RunReportJson(settings, {record}, ScanOutcomeName(record.outcome)));
        part["outcome"] = report.at("files").at(0).at("outcome");
        part["file"] = report.at("files").at(0);
    } else {
        part["outcome"] = "refused";
        part["message"] = refusal;
    }
    return part.dump(2) + "\n";
}

bool MergeRunPlan(const std::string& planPath, const std::string& version, MergeResult& result,
                  std::string& error) {
    std::string text;
    if (!ReadFile(planPath, text)) {
        error = "reading " + planPath + ": cannot be read";
        return false;
    }
    RunPlan plan;
    if (!ReadRunPlan(text, planPath, plan, error))
        return false;
    json report = json::parse(text);
    report.erase("plan");
    report["version"] = version;
    report["settings"]["dry_run"] = false;
    json& files = report["files"];
    json missing = json::array(), failed = json::array();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const int task = static_cast<int>(i) + 1;
        json& file = files[i];
        file.erase("size");
        file.erase("mtime_ns");
        const std::string label = "task " + std::to_string(task) + " (" + plan.scans[i].path + ")";
        std::string partText;
        if (!ReadFile(TaskPartPath(planPath, task), partText)) {
            file["outcome"] = "not_run";
            missing.push_back(task);
            result.missing.push_back(label + PLAN_MSG_TASK_MISSING);
            continue;
        }
        json part;
        try {
            part = json::parse(partText);
            if (part.at("task") != task || part.at("path") != plan.scans[i].path)
                throw std::runtime_error("the report part belongs to another task");
        } catch (const std::exception& e) {
            file["outcome"] = "failed";
            failed.push_back(task);
            result.failed.push_back(label + PLAN_MSG_TASK_FAILED + TaskPartPath(planPath, task) + ": " +
                                    e.what());
            continue;
        }
        const std::string outcome = part.value("outcome", std::string());
        if (outcome == "done" || outcome == "skipped") {
            file = part.at("file");
            continue;
        }
        failed.push_back(task);
        if (part.contains("file"))
            file = part.at("file");
        file["outcome"] = outcome;
        const std::string message = part.contains("message") ? TextOr(part["message"], outcome)
                                                             : TextOr(file.value("message", json()), outcome);
        file["message"] = message;
        result.failed.push_back(label + PLAN_MSG_TASK_FAILED + message);
    }
    report["outcome"] = missing.empty() && failed.empty() ? "done" : "incomplete";
    report["tasks"] = {{"count", files.size()}, {"missing", missing}, {"failed", failed}};
    result.reportJson = report.dump(2) + "\n";
    return true;
}

} // namespace gc
