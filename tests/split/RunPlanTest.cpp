// Plans: what a task must reproduce from the plan (numbering, the Run's files before the scan), what
// makes it refuse a scan, and how the merge accounts for every task.
#include "split/RunPlan.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

namespace gc {
namespace {

ImageRecord Found(int number, int x, int y, const std::string& name, const std::string& clash = {}) {
    ImageRecord image;
    image.number = number;
    image.found = true;
    image.x = x;
    image.y = y;
    image.width = 100;
    image.height = 120;
    image.name = name;
    image.notWrittenReason = clash;
    image.outputs = {{name, 100, 120}, {name + ".bin", 50, 60}};
    return image;
}

ImageRecord NotFound(int number) {
    ImageRecord image;
    image.number = number;
    return image;
}

ScanRecord Scan(const std::string& path, std::vector<ImageRecord> images,
                ScanOutcome outcome = ScanOutcome::Done) {
    ScanRecord scan;
    scan.path = path;
    scan.outcome = outcome;
    scan.images = std::move(images);
    return scan;
}

// A three-scan batch: a scan with one image written and one not (its name clashed), a skipped scan,
// and a scan with one image found and one not.
std::vector<ScanRecord> Batch() {
    return {Scan("s/a.tif", {Found(1, 10, 20, "s/x_7.tif"), Found(2, 30, 40, "s/x_8.tif", " clashes")}),
            Scan("s/b.tif", {}, ScanOutcome::Skipped),
            Scan("s/c.tif", {Found(1, 11, 21, "s/x_9.tif"), NotFound(2)})};
}

// The plan of a dry run of the batch that ended as `end`, working in `dir`.
std::string PlanText(const RunSettings& parameters, const std::string& end, const std::string& dir) {
    return RunPlanJson({parameters, "1.0", 2, true, false, false}, Batch(), end, dir);
}

RunPlan PlanOf(const RunSettings& parameters) {
    RunPlan plan;
    std::string error;
    EXPECT_TRUE(ReadRunPlan(PlanText(parameters, "done", "/data/film/batch"), "p.json", plan, error))
        << error;
    return plan;
}

TEST(RunPlan, KeepsTheSettingsAndTheScansAsTheTasksNeedThem) {
    RunSettings parameters;
    parameters.m_nImageCount = 2;
    parameters.m_nBinning = 3;
    parameters.m_bOutputTiff = true;
    parameters.m_bAppendString = true;
    parameters.m_strAppendString = "x";
    parameters.m_bStartNumber = true;
    parameters.m_strStartNumber = "7";
    const RunPlan plan = PlanOf(parameters);
    EXPECT_EQ(plan.workingDir, "/data/film/batch");
    EXPECT_EQ(plan.parameters.m_nImageCount, 2);
    EXPECT_EQ(plan.parameters.m_nBinning, 3);
    EXPECT_TRUE(plan.parameters.m_bOutputTiff);
    EXPECT_TRUE(plan.parameters.m_bAppendString && plan.parameters.m_bStartNumber);
    EXPECT_EQ(plan.parameters.m_strAppendString + plan.parameters.m_strStartNumber, "x7");
    EXPECT_FALSE(plan.parameters.m_bOutputDir);
    ASSERT_EQ(plan.scans.size(), 3u);
    EXPECT_EQ(plan.scans[1].outcome, ScanOutcome::Skipped);
    EXPECT_FALSE(plan.scans[0].identity.exists); // the scans are not on disk here
    EXPECT_EQ(plan.scans[0].images[1].notWrittenReason, " clashes");

    const RunSettings task = TaskParameters(plan, 2);
    EXPECT_EQ(task.m_strInputFiles, std::vector<std::string>{"s/c.tif"});
    EXPECT_TRUE(task.m_bBatchMode);
}

TEST(RunPlan, StateBeforeAScanCountsEveryNamedImageAndOnlyTheWrittenOutputs) {
    const RunPlan plan = PlanOf(RunSettings());
    struct Case {
        std::size_t index;
        int namesMade;
        std::vector<std::string> outputs;
    };
    for (const Case& c : {Case{0, 0, {}}, Case{1, 2, {"s/x_7.tif", "s/x_7.tif.bin"}},
                          Case{2, 2, {"s/x_7.tif", "s/x_7.tif.bin"}}}) {
        const BatchState state = BatchStateBefore(plan, c.index);
        EXPECT_EQ(state.namesMade, c.namesMade) << c.index;
        EXPECT_EQ(state.earlierOutputs, c.outputs) << c.index;
        EXPECT_EQ(state.inputs, (std::vector<std::string>{"s/a.tif", "s/b.tif", "s/c.tif"}));
    }
}

TEST(RunPlan, AScanWhoseFindsDifferIsNamedWithWhatChanged) {
    const RunPlan plan = PlanOf(RunSettings());
    const PlannedScan& planned = plan.scans[2];
    struct Case {
        ScanRecord now;
        std::string change;
    };
    const std::vector<Case> cases = {
        {Scan("s/c.tif", {Found(1, 11, 21, "s/x_9.tif"), NotFound(2)}), ""},
        {Scan("s/c.tif", {Found(1, 12, 21, "s/x_9.tif"), NotFound(2)}), "image 1 at 11,21 now at 12,21"},
        {Scan("s/c.tif", {NotFound(1), NotFound(2)}), "image 1 at 11,21 now not found"},
        {Scan("s/c.tif", {Found(1, 11, 21, "s/x_9.tif"), Found(2, 5, 6, "s/x_10.tif")}),
         "image 2 not found in the plan, now found at 5,6"},
        {Scan("s/c.tif", {Found(1, 11, 21, "s/x_3.tif"), NotFound(2)}),
         "image 1 named s/x_9.tif now named s/x_3.tif"},
        {Scan("s/c.tif", {Found(1, 11, 21, "s/x_9.tif", "x clashes"), NotFound(2)}),
         "image 1 s/x_9.tif planned as written, now not written: x clashes"},
        {Scan("s/c.tif", {}, ScanOutcome::Skipped),
         "planned as done, now skipped; image 1 now not found; image 2 now not found"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindsChange(planned, c.now), c.change);
}

TEST(RunPlan, AScanOfAnotherSizeOrTimeIsRefused) {
    PlannedScan planned;
    planned.identity = {true, 1000, 5};
    struct Case {
        ScanIdentity now;
        std::string change;
    };
    for (const Case& c : {Case{{true, 1000, 5}, ""}, Case{{false, 0, 0}, "the file is no longer there"},
                          Case{{true, 999, 5}, "size 999, planned 1000"},
                          Case{{true, 1000, 6}, "modification time 6, planned 5 (ns)"},
                          Case{{true, 1, 6}, "size 1, planned 1000; modification time 6, planned 5 (ns)"}})
        EXPECT_EQ(ScanIdentityChange(planned, c.now), c.change);
}

TEST(RunPlan, OnlyACompleteDryRunIsAPlan) {
    const RunSettings parameters;
    RunPlan plan;
    std::string error;
    const RunReportSettings real{parameters, "1.0", 2, false, false, false};
    EXPECT_FALSE(ReadRunPlan(RunReportJson(real, Batch(), "done"), "r.json", plan, error));
    EXPECT_NE(error.find("r.json: not a plan"), std::string::npos);
    EXPECT_FALSE(ReadRunPlan(PlanText(parameters, "stopped", "/w"), "p.json", plan, error));
    EXPECT_EQ(error, "p.json: the plan's dry run did not complete");
    EXPECT_FALSE(ReadRunPlan("{\"plan\": 1", "p.json", plan, error));
}

// A plan is input like the command line: a hand-edited value split would refuse is named, never
// handed to the Run (binning 1 or 5, a zero width, a size that overflows, a number that is no int).
TEST(RunPlan, EveryPlanValueIsCheckedLikeTheCommandLine) {
    using nlohmann::json;
    const json valid = json::parse(PlanText(RunSettings(), "done", "/w"));
    const struct {
        const char* pointer;
        json value;
        const char* field;
    } cases[] = {
        {"/settings/binning", 1, "settings.binning"},
        {"/settings/binning", 5, "settings.binning"},
        {"/settings/binning", -2, "settings.binning"},
        {"/settings/width_cm", 0, "settings.width_cm"},
        {"/settings/width_cm", -7, "settings.width_cm"},
        {"/settings/height_cm", 200000, "settings.height_cm"},
        {"/settings/images", 1e300, "settings.images"},
        {"/settings/images", 2.5, "settings.images"},
        {"/settings/images", "6", "settings.images"},
        {"/settings/pixel_size", 5000.0, "settings.pixel_size"},
        {"/settings/pixel_size", -1.5, "settings.pixel_size"},
        {"/settings/magnification", 0, "settings.magnification"},
        {"/settings/append", "../up", "settings.append"},
        {"/settings/start_number", "12a", "settings.start_number"},
        {"/settings/format", "png", "settings.format"},
        {"/files/0/path", 5, "files[0].path"},
        {"/files/0/size", -5, "files[0].size"},
        {"/files/0/images/0/number", 9, "files[0].images[0].number"},
        {"/files/0/images/0/corner/x", 1e300, "files[0].images[0].corner.x"},
        {"/files/2/images/0/outputs/0/path", nullptr, "files[2].images[0].outputs[0].path"},
    };
    for (const auto& c : cases) {
        json edited = valid;
        edited[json::json_pointer(c.pointer)] = c.value;
        RunPlan plan;
        std::string error;
        EXPECT_FALSE(ReadRunPlan(edited.dump(), "p.json", plan, error)) << c.pointer;
        EXPECT_EQ(error, std::string("p.json: not a value split takes: ") + c.field) << c.pointer;
    }
    // Nesting a million deep is refused before it is parsed.
    RunPlan plan;
    std::string error;
    EXPECT_FALSE(ReadRunPlan(std::string(1000000, '[') + std::string(1000000, ']'), "p.json", plan, error));
    EXPECT_EQ(error, "p.json: nested too deeply, not a plan or report part");
}

// Names are bytes: a Latin-1 scan name (and the names made from it) come back from the plan as they
// were, so the task finds the same file and names.
TEST(RunPlan, NamesThatAreNotUtf8RoundTrip) {
    const std::string latin1 = "s/sc\xe9ne.tif";
    RunSettings parameters;
    parameters.m_bAppendString = true;
    parameters.m_strAppendString = "f\xfcr";
    const std::string text =
        RunPlanJson({parameters, "1.0", 2, true, false, false},
                    {Scan(latin1, {Found(1, 10, 20, "s/f\xfcr_1.tif", "s/f\xfcr_1 clashes")})}, "done",
                    "/data/\xe9t\xe9");
    RunPlan plan;
    std::string error;
    ASSERT_TRUE(ReadRunPlan(text, "p.json", plan, error)) << error;
    EXPECT_EQ(plan.scans[0].path, latin1);
    EXPECT_EQ(plan.workingDir, "/data/\xe9t\xe9");
    EXPECT_EQ(plan.parameters.m_strAppendString, "f\xfcr");
    EXPECT_EQ(plan.scans[0].images[0].name, "s/f\xfcr_1.tif");
    EXPECT_EQ(plan.scans[0].images[0].notWrittenReason, "s/f\xfcr_1 clashes");
    EXPECT_EQ(plan.scans[0].images[0].outputs[1].path, "s/f\xfcr_1.tif.bin");
}

// A part is input too: one that does not follow the parts' schema is a failed task with its reason,
// never "every task done" and never a crash.
TEST(RunPlan, ACorruptPartIsAFailedTaskWithItsReason) {
    test::TempDir dir;
    const std::string planPath = dir.File("plan.json");
    std::ofstream(planPath) << PlanText(RunSettings(), "done", dir.Path().string());
    std::filesystem::create_directories(planPath + ".parts");
    const std::string head = R"({"task": 1, "path": "s/a.tif", )";
    const struct {
        std::string part;
        const char* reason;
    } cases[] = {
        {head + R"("outcome": "done", "file": 5})", "not a report part: file"},
        {head + R"("outcome": "done"})", "not a report part: file"},
        {head + R"("outcome": 5})", "not a report part: outcome"},
        {head + R"("outcome": null})", "not a report part: outcome"},
        {head + R"("outcome": "stopped", "file": [1]})", "not a report part: file"},
        {head + R"("outcome": "done", "file": {"path": "s/b.tif", "outcome": "done", "images": []}})",
         "not a report part: file.path"},
        {R"({"task": 1.5, "path": "s/a.tif", "outcome": "done"})", "not a report part: task"},
        {std::string(1000000, '[') + std::string(1000000, ']'),
         "nested too deeply, not a plan or report part"},
        {"", "larger than 64 MiB, not a plan or report part"},
    };
    for (const auto& c : cases) {
        const std::string partPath = TaskPartPath(planPath, 1);
        std::ofstream(partPath, std::ios::trunc) << c.part;
        if (c.part.empty())
            std::filesystem::resize_file(partPath, (64u << 20) + 1); // sparse: nothing to write
        MergeResult merged;
        std::string error;
        ASSERT_TRUE(MergeRunPlan(planPath, "1.0", merged, error)) << error;
        ASSERT_EQ(merged.failed.size(), 1u) << c.part.substr(0, 80);
        EXPECT_EQ(merged.failed[0], "task 1 (s/a.tif): failed: " + partPath + ": " + c.reason);
        EXPECT_EQ(nlohmann::json::parse(merged.reportJson)["outcome"], "incomplete");
    }
    // A plan that is no regular file is not read at all (/dev/zero would never end).
    MergeResult merged;
    std::string error;
    EXPECT_FALSE(MergeRunPlan("/dev/zero", "1.0", merged, error));
    EXPECT_EQ(error, "/dev/zero: not a regular file");
}

TEST(RunPlan, TheMergeTakesDonePartsAndListsMissingAndFailedTasks) {
    test::TempDir dir;
    const std::string planPath = dir.File("plan.json");
    const RunSettings parameters;
    std::ofstream(planPath) << PlanText(parameters, "done", dir.Path().string());
    std::filesystem::create_directories(planPath + ".parts");
    const RunReportSettings real{parameters, "1.0", 1, false, false, false};
    ScanRecord done = Batch()[0];
    done.images[0].written = true;
    std::ofstream(TaskPartPath(planPath, 1)) << TaskPartJson(real, 1, done, "");
    std::ofstream(TaskPartPath(planPath, 3)) << TaskPartJson(real, 3, Batch()[2], "s/c.tif: changed");

    MergeResult merged;
    std::string error;
    ASSERT_TRUE(MergeRunPlan(planPath, "1.0", merged, error)) << error;
    EXPECT_EQ(merged.missing, (std::vector<std::string>{"task 2 (s/b.tif): not run (no report part)"}));
    EXPECT_EQ(merged.failed, (std::vector<std::string>{"task 3 (s/c.tif): failed: s/c.tif: changed"}));
    const nlohmann::json report = nlohmann::json::parse(merged.reportJson);
    EXPECT_EQ(report["outcome"], "incomplete");
    EXPECT_EQ(report["files"][0]["images"][0]["written"], true);
    EXPECT_FALSE(report["files"][0].contains("size"));
    EXPECT_EQ(report["files"][1]["outcome"], "not_run");
    EXPECT_EQ(report["files"][2]["outcome"], "refused");
    EXPECT_EQ(report["settings"]["dry_run"], false);

    // The missing part arrives; a part of another task under its number does not count.
    std::ofstream(TaskPartPath(planPath, 2)) << TaskPartJson(real, 3, Batch()[1], "");
    MergeResult again;
    ASSERT_TRUE(MergeRunPlan(planPath, "1.0", again, error));
    EXPECT_TRUE(again.missing.empty());
    EXPECT_EQ(again.failed.size(), 2u);
}

} // namespace
} // namespace gc
