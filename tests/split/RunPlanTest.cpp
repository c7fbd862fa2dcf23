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
        {Scan("s/c.tif", {Found(1, 11, 21, "s/x_9.tif", " clashes"), NotFound(2)}),
         "image 1 named s/x_9.tif now named s/x_9.tif"},
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
