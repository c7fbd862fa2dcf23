#include "RunPlan.h"

#include "PlanChecks.h"
#include "PlanMessages.h"

#include <nlohmann/json.hpp>

#include <filesystem>
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

// "written", or "not written: <reason>".
std::string WritingDecision(const std::string& notWrittenReason) {
    return notWrittenReason.empty() ? PLAN_MSG_WRITTEN : PLAN_MSG_NOT_WRITTEN + notWrittenReason;
}

std::string Corner(int x, int y) {
    return std::to_string(x) + "," + std::to_string(y);
}

// A path of the plan as the merge, run from any folder, names it: relative ones from the plan's
// working folder.
std::string FromWorkingDir(const std::string& workingDir, const std::string& path) {
    return path.empty() || path[0] == '/' ? path : workingDir + "/" + path;
}

// The plan, its scans, the tasks' parts and every planned output: none is replaced by the merge.
void RegisterBatchFiles(const RunPlan& plan, const std::string& planPath, NameRegistry& files) {
    files.AddInput(planPath);
    for (std::size_t i = 0; i < plan.scans.size(); ++i) {
        files.AddInput(FromWorkingDir(plan.workingDir, plan.scans[i].path));
        files.AddOutput(TaskPartPath(planPath, static_cast<int>(i) + 1));
        for (const ImageRecord& image : plan.scans[i].images)
            for (const OutputRecord& output : image.outputs)
                files.AddOutput(FromWorkingDir(plan.workingDir, output.path));
    }
}

// A task's part, checked: "" when it may be merged, else why it is a failed task.
std::string ReadPart(const std::string& text, int task, const std::string& scanPath, json& part) {
    if (!NestingWithinLimit(text))
        return PLAN_MSG_TOO_DEEP;
    try {
        part = json::parse(text);
    } catch (const json::exception& e) {
        return e.what();
    }
    if (const std::string field = PartProblem(part); !field.empty())
        return PLAN_MSG_BAD_PART + field;
    if (part.at("task") != task || part.at("path") != JsonTextOfBytes(scanPath))
        return PLAN_MSG_OTHER_TASK;
    return {};
}

// Names are bytes, JSON texts are UTF-8: where a name is not UTF-8 (a Latin-1 scan name) its text is
// the report's readable form and "<key>_bytes" keeps the bytes in hexadecimal, so it round-trips.
void KeepBytes(json& object, const std::string& key, const std::string& bytes) {
    if (JsonTextOfBytes(bytes) == bytes)
        return;
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += DIGITS[static_cast<unsigned char>(c) >> 4];
        hex += DIGITS[static_cast<unsigned char>(c) & 0xF];
    }
    object[key + "_bytes"] = hex;
}

// The bytes of `key`: from "<key>_bytes" when it holds them, else the text.
std::string BytesOf(const json& object, const std::string& key) {
    const auto kept = object.find(key + "_bytes");
    if (kept != object.end() && kept->is_string()) {
        const std::string& hex = kept->get_ref<const std::string&>();
        std::string bytes;
        const auto digit = [](char c) { return c >= 'a' ? c - 'a' + 10 : c - '0'; };
        const bool valid =
            hex.size() % 2 == 0 && hex.find_first_not_of("0123456789abcdef") == std::string::npos;
        for (std::size_t i = 0; valid && i < hex.size(); i += 2)
            bytes += static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1]));
        if (valid)
            return bytes;
    }
    return object.at(key).get<std::string>();
}

// Adds the "_bytes" keys of the scan `record` to its entry `file` of the plan.
void KeepScanBytes(json& file, const ScanRecord& record) {
    KeepBytes(file, "path", record.path);
    json& images = file["images"];
    for (std::size_t i = 0; i < images.size() && i < record.images.size(); ++i) {
        const ImageRecord& image = record.images[i];
        if (!image.found)
            continue;
        KeepBytes(images[i], "name", image.name);
        if (!image.notWrittenReason.empty())
            KeepBytes(images[i], "not_written_because", image.notWrittenReason);
        json& outputs = images[i]["outputs"];
        for (std::size_t k = 0; k < outputs.size() && k < image.outputs.size(); ++k)
            KeepBytes(outputs[k], "path", image.outputs[k].path);
    }
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
        image.setByHand = entry.at("corner").value("set_by_hand", false);
        image.name = BytesOf(entry, "name");
        if (entry.contains("not_written_because"))
            image.notWrittenReason = BytesOf(entry, "not_written_because");
        for (const json& output : entry.at("outputs"))
            image.outputs.push_back({BytesOf(output, "path"), 0, 0});
    }
    return image;
}

// One scan of the plan: its path, its size and time when the plan was made, its outcome and images.
PlannedScan PlannedScanOf(const json& file) {
    PlannedScan scan;
    scan.path = BytesOf(file, "path");
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
    plan["plan"] = {{"working_dir", JsonTextOfBytes(workingDir)}, {"scans", scans.size()}};
    if (settings.parameters.m_nLabelTime > 0)
        plan["plan"]["time"] = settings.parameters.m_nLabelTime;
    KeepBytes(plan["plan"], "working_dir", workingDir);
    const RunSettings& p = settings.parameters;
    if (p.m_bAppendString)
        KeepBytes(plan["settings"], "append", p.m_strAppendString);
    if (p.m_bOutputDir)
        KeepBytes(plan["settings"], "output_dir", p.m_strOutputDir);
    json& files = plan["files"];
    for (std::size_t i = 0; i < files.size() && i < scans.size(); ++i) {
        json& file = files[i];
        const ScanIdentity identity = IdentifyScan(scans[i].path);
        file["size"] = identity.exists ? json(identity.size) : json(nullptr);
        file["mtime_ns"] = identity.exists ? json(identity.mtimeNs) : json(nullptr);
        KeepScanBytes(file, scans[i]);
    }
    return plan.dump(2) + "\n";
}

bool ReadRunPlan(const std::string& text, const std::string& planPath, RunPlan& plan, std::string& error) {
    if (!NestingWithinLimit(text)) {
        error = planPath + ": " + PLAN_MSG_TOO_DEEP;
        return false;
    }
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
        if (const std::string field = PlanValueProblem(document); !field.empty()) {
            error = planPath + PLAN_MSG_BAD_VALUE + field;
            return false;
        }
        const json& s = document.at("settings");
        RunSettings& p = plan.parameters;
        p.m_nImageCount = s.at("images").get<int>();
        p.m_nHeightCm = s.at("height_cm").get<int>();
        p.m_nWidthCm = s.at("width_cm").get<int>();
        p.m_nBinning = s.at("binning").get<int>();
        p.m_bOutputTiff = s.at("format") == "tiff";
        p.mrc.style = MrcStyleFor(s.value("mrc2014", false));
        p.m_finder =
            s.value("finder", std::string("classic")) == "sheet" ? ImageFinder::Sheet : ImageFinder::Classic;
        p.m_bDeskew = s.contains("deskew") && s.at("deskew").is_boolean() && s.at("deskew").get<bool>();
        p.mrc.pixelSize = s.contains("pixel_size") && s.at("pixel_size").is_number()
                              ? s.at("pixel_size").get<double>()
                              : 0.0;
        p.m_dMagnification = s.contains("magnification") && s.at("magnification").is_number()
                                 ? s.at("magnification").get<double>()
                                 : 0.0;
        p.m_bAppendString = s.at("append").is_string();
        p.m_strAppendString = p.m_bAppendString ? BytesOf(s, "append") : "";
        p.m_bStartNumber = s.at("start_number").is_string();
        p.m_strStartNumber = TextOr(s.at("start_number"), "");
        p.m_bOutputDir = s.at("output_dir").is_string();
        p.m_strOutputDir = p.m_bOutputDir ? BytesOf(s, "output_dir") : "";
        plan.workingDir = BytesOf(document.at("plan"), "working_dir");
        // The time the plan's MRC2014 labels name; a plan without one lets each task take its own.
        p.m_nLabelTime = document.at("plan").value("time", std::int64_t{0});
        if (p.m_nLabelTime < 0) {
            error = planPath + PLAN_MSG_NOT_A_PLAN + PLAN_MSG_NEGATIVE_TIME;
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
    const auto add = [&change](const std::string& part) {
        change += (change.empty() ? "" : PLAN_MSG_CHANGE_JOIN) + part;
    };
    if (planned.identity.size != now.size || planned.identity.exists != now.exists)
        add(PLAN_MSG_SIZE + std::to_string(now.size) + PLAN_MSG_PLANNED +
            std::to_string(planned.identity.size));
    if (planned.identity.mtimeNs != now.mtimeNs)
        add(PLAN_MSG_MTIME + std::to_string(now.mtimeNs) + PLAN_MSG_PLANNED +
            std::to_string(planned.identity.mtimeNs) + PLAN_MSG_NANOSECONDS);
    return change;
}

std::string FindsChange(const PlannedScan& planned, const ScanRecord& now) {
    std::string change;
    const auto add = [&change](const std::string& part) {
        change += (change.empty() ? "" : PLAN_MSG_CHANGE_JOIN) + part;
    };
    if (now.outcome != planned.outcome)
        add(PLAN_MSG_NOW_OUTCOME + std::string(ScanOutcomeName(planned.outcome)) + PLAN_MSG_NOW +
            ScanOutcomeName(now.outcome));
    for (const ImageRecord& plannedImage : planned.images) {
        const std::string image = PLAN_MSG_IMAGE + std::to_string(plannedImage.number);
        const ImageRecord* found = nullptr;
        for (const ImageRecord& candidate : now.images)
            if (candidate.number == plannedImage.number)
                found = &candidate;
        if (found == nullptr) {
            add(image + PLAN_MSG_NOW_NOT_FOUND);
        } else if (plannedImage.found && !found->found) {
            add(image + PLAN_MSG_IMAGE_AT + Corner(plannedImage.x, plannedImage.y) + PLAN_MSG_NOW_NOT_FOUND);
        } else if (!plannedImage.found && found->found) {
            add(image + PLAN_MSG_NOW_FOUND + Corner(found->x, found->y));
        } else if (found->found) {
            if (found->x != plannedImage.x || found->y != plannedImage.y)
                add(image + PLAN_MSG_IMAGE_AT + Corner(plannedImage.x, plannedImage.y) + PLAN_MSG_NOW_AT +
                    Corner(found->x, found->y));
            else if (found->name != plannedImage.name)
                add(image + PLAN_MSG_IMAGE_NAMED + plannedImage.name + PLAN_MSG_NOW_NAMED + found->name);
            else if (found->notWrittenReason != plannedImage.notWrittenReason)
                add(image + " " + plannedImage.name + PLAN_MSG_NOW_WRITTEN_AS +
                    WritingDecision(plannedImage.notWrittenReason) + PLAN_MSG_NOW +
                    WritingDecision(found->notWrittenReason));
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
    part["path"] = JsonTextOfBytes(record.path);
    if (refusal.empty()) {
        const json report = json::parse(RunReportJson(settings, {record}, ScanOutcomeName(record.outcome)));
        part["outcome"] = report.at("files").at(0).at("outcome");
        part["file"] = report.at("files").at(0);
    } else {
        part["outcome"] = "refused";
        part["message"] = JsonTextOfBytes(refusal);
    }
    return part.dump(2) + "\n";
}

bool MergeRunPlan(const std::string& planPath, const std::string& version, MergeResult& result,
                  std::string& error) {
    std::string text, problem;
    if (!ReadPlanFile(planPath, text, problem)) {
        error =
            problem.empty() ? PLAN_MSG_READING + planPath + PLAN_MSG_UNREADABLE : planPath + ": " + problem;
        return false;
    }
    RunPlan plan;
    if (!ReadRunPlan(text, planPath, plan, error))
        return false;
    RegisterBatchFiles(plan, planPath, result.batchFiles);
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
        const std::string label = PLAN_MSG_TASK + std::to_string(task) + " (" + plan.scans[i].path + ")";
        std::string partText;
        if (!ReadPlanFile(TaskPartPath(planPath, task), partText, problem) && problem.empty()) {
            file["outcome"] = "not_run";
            missing.push_back(task);
            result.missing.push_back(label + PLAN_MSG_TASK_MISSING);
            continue;
        }
        json part;
        if (problem.empty())
            problem = ReadPart(partText, task, plan.scans[i].path, part);
        if (!problem.empty()) {
            file["outcome"] = "failed";
            failed.push_back(task);
            result.failed.push_back(label + PLAN_MSG_TASK_FAILED + TaskPartPath(planPath, task) + ": " +
                                    problem);
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
