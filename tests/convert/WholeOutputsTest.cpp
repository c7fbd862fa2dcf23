// Convert and Cut outputs appear whole or not at all: after a failed write or a stop request, every
// output under its own name is complete and no temporary is left behind.
#include "ConvertFixtures.h"
#include "OutputChecks.h"
#include "convert/Convert.h"
#include "convert/ConvertMessages.h"
#include "convert/Cut.h"
#include "convert/GainTable.h"

#include <gtest/gtest.h>

#include <map>

namespace gc {
namespace {

using test::DetailMessages;
using test::StopAfter;
using test::TempDir;

const FitConstants DEFAULT_FIT = {static_cast<float>(DEFAULT_GAIN_SETTING.a),
                                  static_cast<float>(DEFAULT_GAIN_SETTING.x0),
                                  static_cast<float>(DEFAULT_GAIN_SETTING.y0)};

unsigned Pattern(std::uint32_t x, std::uint32_t y) {
    return (x * 29 + y * 7 + 3) % 256;
}

using Contents = std::map<std::string, std::vector<unsigned char>>;

// The files of `folder` whose names are in `names`, with their bytes.
Contents Outputs(const TempDir& folder, const std::vector<std::string>& names) {
    Contents found;
    for (const std::string& name : names)
        if (std::filesystem::exists(folder.File(name)))
            found[name] = test::ReadFileBytes(folder.File(name));
    return found;
}

void Remove(const TempDir& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        std::filesystem::remove(folder.File(name));
}

// Runs `operation` with a stop requested after 0, 1, 2, … looks until it completes. Each stopped run
// must end Interrupted with every output either absent or equal to the uninterrupted run's, and no
// temporary left. Returns the number of stopped runs.
int StopEverywhere(const TempDir& folder, const std::vector<std::string>& outputs,
                   const std::function<ConvertOutcome(Progress&)>& operation) {
    NullProgress free;
    EXPECT_EQ(operation(free), ConvertOutcome::Done);
    const Contents complete = Outputs(folder, outputs);
    EXPECT_EQ(complete.size(), outputs.size());
    Remove(folder, outputs);

    int stopped = 0;
    for (int allowed = 0; allowed < 10000; ++allowed) {
        StopAfter progress(allowed);
        const ConvertOutcome outcome = operation(progress);
        for (const auto& [name, bytes] : Outputs(folder, outputs))
            EXPECT_EQ(bytes, complete.at(name)) << name << " is incomplete after " << allowed << " looks";
        EXPECT_EQ(test::LeftTemporaries(folder.Path()), std::vector<std::string>{}) << allowed;
        Remove(folder, outputs);
        if (outcome == ConvertOutcome::Done)
            break;
        EXPECT_EQ(outcome, ConvertOutcome::Interrupted) << allowed;
        ++stopped;
    }
    return stopped;
}

TEST(WholeOutputs, ConvertStopsAtEveryStripAndRowWithoutPartialFiles) {
    TempDir dir;
    ASSERT_TRUE(test::WriteTiff(dir.File("a.tif"), {7, 9, 8, 2}, Pattern));
    ASSERT_TRUE(test::WriteTiff(dir.File("b.tif"), {6, 5, 16, 1}, Pattern));
    const std::vector<std::string> files = {dir.File("a.tif"), dir.File("b.tif")};
    const std::vector<std::string> outputs = {"a.mrc", "a_2_bin.mrc", "b.mrc", "b_2_bin.mrc"};
    const int stopped = StopEverywhere(dir, outputs, [&](Progress& progress) {
        ConvertSettings settings{0.0, DEFAULT_FIT, 2, OUTPUT_FORMAT_AUTO, false, false, {}};
        DetailMessages messages;
        return ConvertFiles(files, settings, dir.File(LAST_RUN_FILE_NAME), messages, progress);
    });
    // Looks at each strip of both passes and each row of the binning, in both files.
    EXPECT_GE(stopped, (5 + 5 + 9) + (5 + 5 + 5));
}

TEST(WholeOutputs, CutStopsAtEveryRowWithoutPartialFiles) {
    TempDir dir;
    ASSERT_TRUE(test::WriteTiff(dir.File("a.tif"), {8, 6, 8, 1}, Pattern));
    ASSERT_TRUE(test::WriteTiff(dir.File("b.tif"), {5, 7, 16, 1}, Pattern));
    const std::vector<std::string> files = {dir.File("a.tif"), dir.File("b.tif")};
    const int stopped = StopEverywhere(dir, {"a_Cut_0.tif", "b_Cut_1.tif"}, [&](Progress& progress) {
        DetailMessages messages;
        return CutFiles(files, {2, 2, 4, 5}, false, messages, progress);
    });
    EXPECT_GE(stopped, 6 + 7);
}

// A child process whose files cannot grow beyond a limit converts one image; the write that crosses
// the limit is a WRITE ERROR naming the file, and no output is left partly written.
TEST(WholeOutputs, ConvertWriteFailureLeavesNoPartialFile) {
    TempDir dir;
    ASSERT_TRUE(test::WriteTiff(dir.File("conv.tif"), {64, 64, 8, 4}, Pattern));
    const std::string lastRun = dir.File(LAST_RUN_FILE_NAME);
    const std::vector<unsigned char> earlierRun = {'1', '.', '\n'};
    const struct {
        rlim_t limit;
        std::string failing;
    } cases[] = {
        {16, lastRun},                 // the last-run file itself
        {2000, dir.File("conv.mrc")},  // early in the full-size data
        {17000, dir.File("conv.mrc")}, // a few rows before its end (17,408 bytes)
    };
    for (const auto& c : cases) {
        test::WriteFileBytes(lastRun, earlierRun);
        const int status = test::RunWithFileSizeLimit(c.limit, [&] {
            ConvertSettings settings{0.0, DEFAULT_FIT, 2, OUTPUT_FORMAT_AUTO, false, false, {}};
            DetailMessages messages;
            NullProgress progress;
            if (ConvertFiles({dir.File("conv.tif")}, settings, lastRun, messages, progress) !=
                ConvertOutcome::FatalWrite)
                return 10;
            const std::vector<std::string> expected = {"detail: writing " + c.failing + ": File too large",
                                                       MSG_WRITE_ERROR};
            return messages.m_texts == expected ? 0 : 11;
        });
        EXPECT_EQ(status, 0) << c.limit;
        EXPECT_EQ(test::FileNames(dir.Path()), (std::set<std::string>{"conv.tif", LAST_RUN_FILE_NAME}))
            << c.limit;
        // The earlier last-run file stays as it was until a new one is complete.
        if (c.failing == lastRun)
            EXPECT_EQ(test::ReadFileBytes(lastRun), earlierRun);
        else
            EXPECT_NE(test::ReadFileBytes(lastRun), earlierRun);
    }
}

TEST(WholeOutputs, CutWriteFailureLeavesNoPartialFile) {
    TempDir dir;
    ASSERT_TRUE(test::WriteTiff(dir.File("cut.tif"), {200, 100, 8, 1}, Pattern));
    const int status = test::RunWithFileSizeLimit(4000, [&] {
        DetailMessages messages;
        NullProgress progress;
        if (CutFiles({dir.File("cut.tif")}, {1, 1, 200, 100}, false, messages, progress) !=
            ConvertOutcome::CannotHandle)
            return 10;
        const std::vector<std::string> expected = {
            "detail: writing " + dir.File("cut_Cut_0.tif") + ": File too large", MSG_CUT_ERROR_WRITING};
        // The TIFF library reports the failed write itself first.
        return messages.m_texts.size() >= 2 &&
                       std::equal(expected.begin(), expected.end(), messages.m_texts.end() - 2)
                   ? 0
                   : 11;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(test::FileNames(dir.Path()), std::set<std::string>{"cut.tif"});
}

TEST(WholeOutputs, UnreadableInputAndUncreatableOutputNameTheFile) {
    TempDir dir;
    DetailMessages messages;
    NullProgress progress;
    EXPECT_EQ(CutFiles({dir.File("gone.tif")}, {1, 1, 2, 2}, false, messages, progress),
              ConvertOutcome::FatalRead);
    ASSERT_GE(messages.m_texts.size(), 2u);
    EXPECT_EQ(messages.m_details,
              std::vector<std::string>{"reading " + dir.File("gone.tif") + ": No such file or directory"});
    EXPECT_EQ(messages.m_texts.back(), MSG_READ_ERROR);

    DetailMessages lastRun;
    ConvertSettings settings{0.0, DEFAULT_FIT, 0, OUTPUT_FORMAT_AUTO, false, false, {}};
    const std::string missingFolder = dir.File("no/such/folder/last_run_parameters.txt");
    EXPECT_EQ(ConvertFiles({}, settings, missingFolder, lastRun, progress), ConvertOutcome::FatalWrite);
    EXPECT_EQ(lastRun.m_texts,
              (std::vector<std::string>{"detail: writing " + missingFolder + ": No such file or directory",
                                        MSG_WRITE_ERROR}));
}

} // namespace
} // namespace gc
