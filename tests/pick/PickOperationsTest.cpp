#include "pick/PickOperations.h"
#include "PickTestImages.h"
#include "image/MrcHeader.h"
#include "pick/PickCoordinates.h"
#include "pick/PickMessages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace gc {
namespace {

using test::FixedClock;
using test::PatternImage;
using test::PatternValue;
using test::PickingState;
using test::ReadFileBytes;
using test::RecordingMessages;
using test::TempDir;

// A pick file read back with our own header accessors.
struct PickFile {
    explicit PickFile(const std::string& path) : m_bytes(ReadFileBytes(path)) {}
    int Int(int offset) const { return GetInt32LE(m_bytes.data() + offset); }
    float Float(int offset) const { return GetFloatLE(m_bytes.data() + offset); }
    float Value(std::size_t index) const { return Float(MRC_HEADER_SIZE + 4 * static_cast<int>(index)); }
    std::string Label() const { return reinterpret_cast<const char*>(m_bytes.data() + 224); }
    std::vector<unsigned char> m_bytes;
};

std::vector<PickPoint> Picks(const PickState& state) {
    return {state.m_ptPicks.begin(), state.m_ptPicks.begin() + state.m_nPickCount};
}

TEST(PickNames, StampAndBaseFollowTheOpenedImage) {
    const auto time = test::PickTestTime();
    EXPECT_EQ(PickTimeStamp(time), "2007_3_5_14_7_9_45");
    EXPECT_EQ(PickFileName("/d/scans/plate7.tif", time, false, 2),
              "/d/scans/plate7_Picked_Image_2007_3_5_14_7_9_45_Image_Number_2.mrc");
    EXPECT_EQ(PickFileName("/d/scans/plate7.tiff", time, true, 3),
              "/d/scans/plate7_Picked_Image_2007_3_5_14_7_9_45_Collated_Images_Number_3.mrc");
    // Only the file name's first dot counts; a dot in a folder name does not.
    EXPECT_EQ(PickFileBase("/d/scans.old/plate7.jpeg"), "/d/scans.old/plate7");
    EXPECT_EQ(PickFileBase("/d/scans.old/plate7.x.tif"), "/d/scans.old/plate7");
    EXPECT_EQ(PickFileBase("/d/scans.old/plate7"), "/d/scans.old/plate7");
    EXPECT_EQ(PickFileBase("plate7.bmp"), "plate7");
    // Midnight on New Year's Day: every part without leading zeros.
    using namespace std::chrono;
    EXPECT_EQ(PickTimeStamp(sys_days{year{2010} / January / 1}), "2010_1_1_0_0_0_0");
}

TEST(PickPointer, EachQuotientIsTruncatedOnItsOwn) {
    EXPECT_EQ(PointerToImage(1, 1, 2.0f, 1, 1), (PickPoint{0, 0}));
    EXPECT_EQ(PointerToImage(10, 21, 1.0f, 200, 7), (PickPoint{210, 28}));
    // Ten zoom-outs from 1.0 give 0.49999988: 10 / z is just above 20 and stays 20.
    EXPECT_EQ(PointerToImage(10, 21, 0.49999988f, 100, 0), (PickPoint{220, 42}));
}

TEST(AddPick, EdgeTestsApplyToEveryPick) {
    DIBSection image = PatternImage(100, 60);
    PickState state = PickingState("/x/a.tif", 3);
    EXPECT_EQ(AddPick(state, &image, {0, 5}), AddPickResult::LeavesImage); // L = -1, even as the first pick
    EXPECT_EQ(AddPick(state, &image, {5, 0}), AddPickResult::LeavesImage); // T = -1
    EXPECT_EQ(AddPick(state, &image, {1, 1}), AddPickResult::Added);       // L = 0
    EXPECT_EQ(AddPick(state, &image, {99, 59}), AddPickResult::Added);     // R = W, B = H
    EXPECT_EQ(AddPick(state, &image, {50, 60}), AddPickResult::LeavesImage);

    PickState two = PickingState("/x/a.tif", 2);
    EXPECT_EQ(AddPick(two, &image, {99, 30}), AddPickResult::Added); // R = 100
    PickState four = PickingState("/x/a.tif", 4);
    EXPECT_EQ(AddPick(four, &image, {99, 30}), AddPickResult::LeavesImage); // R = 101
    EXPECT_EQ(AddPick(four, &image, {98, 58}), AddPickResult::Added);
    EXPECT_EQ(AddPick(four, &image, {50, 59}), AddPickResult::LeavesImage);
    EXPECT_EQ(Picks(state), (std::vector<PickPoint>{{1, 1}, {99, 59}}));

    // Centres near the ends of the int range (the command line takes any int) still leave the image.
    PickState far = PickingState("/x/a.tif", 50);
    EXPECT_EQ(AddPick(far, &image, {INT32_MAX - 10, 30}), AddPickResult::LeavesImage);
    EXPECT_EQ(AddPick(far, &image, {50, INT32_MAX}), AddPickResult::LeavesImage);
    EXPECT_EQ(AddPick(far, &image, {INT32_MIN + 5, 30}), AddPickResult::LeavesImage);
    EXPECT_EQ(far.m_nPickCount, 0);
}

TEST(AddPick, NeighbourTestIsStrict) {
    DIBSection image = PatternImage(100, 100);
    PickState state = PickingState("/x/a.tif", 10);
    ASSERT_EQ(AddPick(state, &image, {50, 50}), AddPickResult::Added);
    EXPECT_EQ(AddPick(state, &image, {54, 50}), AddPickResult::TouchesPick);
    EXPECT_EQ(AddPick(state, &image, {46, 54}), AddPickResult::TouchesPick);
    EXPECT_EQ(AddPick(state, &image, {50, 50}), AddPickResult::TouchesPick);
    // On the border of the new rectangle: accepted although the boxes overlap.
    EXPECT_EQ(AddPick(state, &image, {55, 50}), AddPickResult::Added);
    EXPECT_EQ(AddPick(state, &image, {52, 45}), AddPickResult::Added);
    EXPECT_EQ(state.m_nPickCount, 3);

    // With S = 2 centres one pixel apart are accepted; the same centre is not.
    PickState small = PickingState("/x/a.tif", 2);
    EXPECT_EQ(AddPick(small, &image, {10, 10}), AddPickResult::Added);
    EXPECT_EQ(AddPick(small, &image, {11, 11}), AddPickResult::Added);
    EXPECT_EQ(AddPick(small, &image, {10, 10}), AddPickResult::TouchesPick);
}

TEST(AddPick, RefusedWithoutPickingImageOrValidSize) {
    DIBSection image = PatternImage(50, 50);
    PickState state = PickingState("/x/a.tif", 4);
    EXPECT_EQ(AddPick(state, static_cast<const PixelStore*>(nullptr), {10, 10}), AddPickResult::NotPicking);
    DIBSection empty;
    EXPECT_EQ(AddPick(state, &empty, {10, 10}), AddPickResult::NotPicking);
    state.m_bPickMode = 0;
    EXPECT_EQ(AddPick(state, &image, {10, 10}), AddPickResult::NotPicking);
    // Sizes outside 2..200 reach the state only when the settings are closed with Esc.
    for (int size : {0, 1, 201, 5000}) {
        PickState escaped = PickingState("/x/a.tif", size);
        EXPECT_EQ(AddPick(escaped, &image, {25, 25}), AddPickResult::InvalidMaskSize) << size;
        EXPECT_EQ(escaped.m_nPickCount, 0);
    }
    EXPECT_EQ(state.m_nPickCount, 0);
}

TEST(AddPick, ListHoldsAtMostMaxPicks) {
    DIBSection image = PatternImage(50, 50);
    PickState state = PickingState("/x/a.tif", 2);
    for (int i = 0; i < MAX_PICKS; ++i)
        ASSERT_EQ(AddPick(state, &image, {1 + i % 40, 1 + i / 40}), AddPickResult::Added) << i;
    EXPECT_EQ(AddPick(state, &image, {45, 45}), AddPickResult::ListFull);
    EXPECT_EQ(state.m_nPickCount, MAX_PICKS);
}

TEST(AddPick, CentreOutsideASmallerImageBlocksFurtherPicks) {
    DIBSection large = PatternImage(200, 200);
    DIBSection small = PatternImage(100, 100);
    PickState state = PickingState("/x/a.tif", 4);
    ASSERT_EQ(AddPick(state, &large, {150, 20}), AddPickResult::Added);
    EXPECT_EQ(AddPick(state, &small, {20, 20}), AddPickResult::StalePick);
    EXPECT_EQ(AddPick(state, &large, {20, 20}), AddPickResult::Added);
}

TEST(RemovePick, RemovesTheOlderOfTwoAndKeepsTheListDense) {
    DIBSection image = PatternImage(100, 100);
    PickState state = PickingState("/x/a.tif", 10);
    ASSERT_EQ(AddPick(state, &image, {50, 50}), AddPickResult::Added);
    ASSERT_EQ(AddPick(state, &image, {55, 50}), AddPickResult::Added);
    ASSERT_EQ(AddPick(state, &image, {20, 20}), AddPickResult::Added);

    EXPECT_FALSE(RemovePick(state, &image, {80, 80}));
    EXPECT_FALSE(RemovePick(state, &image, {45, 50})); // on the border of the test rectangle
    EXPECT_TRUE(RemovePick(state, &image, {53, 51}));  // near both: the older goes
    EXPECT_EQ(Picks(state), (std::vector<PickPoint>{{55, 50}, {20, 20}}));
    EXPECT_EQ(state.m_ptPicks[2], EMPTY_PICK);

    state.m_bPickMode = 0;
    EXPECT_FALSE(RemovePick(state, &image, {55, 50}));
    state.m_bPickMode = 1;
    EXPECT_TRUE(RemovePick(state, &image, {55, 50}));
    EXPECT_TRUE(RemovePick(state, &image, {21, 19}));
    EXPECT_EQ(state.m_nPickCount, 0);
    EXPECT_FALSE(RemovePick(state, &image, {21, 19}));
}

TEST(SavePicks, BoxesCoverTheDocumentedPixels) {
    TempDir dir;
    DIBSection image = PatternImage(40, 30);
    for (int size : {4, 5}) {
        PickState state = PickingState(dir.File("box" + std::to_string(size) + ".tif"), size);
        ASSERT_EQ(AddPick(state, &image, {10, 10}), AddPickResult::Added);
        RecordingMessages messages;
        const SavePicksResult result = SavePicks(state, &image, messages, FixedClock());
        ASSERT_EQ(result.m_outcome, SavePicksOutcome::Saved);
        ASSERT_EQ(result.m_written.size(), 1u);
        const PickFile file(result.m_written[0]);
        ASSERT_EQ(file.m_bytes.size(), static_cast<std::size_t>(MRC_HEADER_SIZE + 4 * size * size));
        // S = 4: columns and rows 8..11; S = 5: 8..12. Rows top first, columns left to right.
        for (int r = 0; r < size; ++r)
            for (int c = 0; c < size; ++c)
                ASSERT_EQ(file.Value(r * size + c), PatternValue(8 + c, 8 + r))
                    << size << " " << r << " " << c;
        EXPECT_EQ(file.Int(0), size);
        EXPECT_EQ(file.Int(4), size);
        EXPECT_EQ(file.Int(8), 1);
        EXPECT_EQ(file.Int(12), MRC_MODE_FLOAT);
        EXPECT_EQ(file.Label(), pick_text::LABEL_SINGLE);
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{pick_text::SAVED});
    }
}

TEST(SavePicks, ColourPixelIsTheTruncatedMean) {
    DIBSection image;
    image.Create(4, 4, 24);
    test::SetPixel(image, 2, 1, 10, 20, 31);
    test::SetPixel(image, 1, 2, 255, 255, 254);
    EXPECT_EQ(PixelStore::FromPicture(image).BoxValue(2, 1), 20.0f);
    EXPECT_EQ(PixelStore::FromPicture(image).BoxValue(1, 2), 254.0f);

    TempDir dir;
    PickState state = PickingState(dir.File("colour.bmp"), 2);
    ASSERT_EQ(AddPick(state, &image, {2, 1}), AddPickResult::Added); // box columns 1..2, rows 0..1
    RecordingMessages messages;
    const auto result = SavePicks(state, &image, messages, FixedClock());
    ASSERT_EQ(result.m_written.size(), 1u);
    const PickFile file(result.m_written[0]);
    EXPECT_EQ(file.Value(3), 20.0f);
    EXPECT_EQ(file.Value(0), 0.0f);
}

TEST(SavePicks, HeaderStatisticsOfOneBox) {
    DIBSection image;
    image.Create(4, 4, 24);
    test::SetPixel(image, 1, 1, 10, 10, 10);
    test::SetPixel(image, 2, 1, 20, 20, 20);
    test::SetPixel(image, 1, 2, 30, 30, 30);
    test::SetPixel(image, 2, 2, 40, 40, 40);
    TempDir dir;
    PickState state = PickingState(dir.File("stats.tif"), 2);
    ASSERT_EQ(AddPick(state, &image, {2, 2}), AddPickResult::Added);
    RecordingMessages messages;
    const auto result = SavePicks(state, &image, messages, FixedClock());
    ASSERT_EQ(result.m_written.size(), 1u);
    const PickFile file(result.m_written[0]);
    EXPECT_EQ(file.Float(76), 10.0f);
    EXPECT_EQ(file.Float(80), 40.0f);
    EXPECT_EQ(file.Float(84), 25.0f);
    // sqrt(|sum of squares - mean²| / m) = sqrt(|3000 - 625| / 4)
    EXPECT_EQ(file.Float(216), static_cast<float>(std::sqrt(593.75)));
}

TEST(SavePicks, SampleBeyondTheImageStaysMinusOne) {
    DIBSection image = PatternImage(10, 10);
    TempDir dir;
    PickState state = PickingState(dir.File("edge.tif"), 3);
    ASSERT_EQ(AddPick(state, &image, {9, 9}), AddPickResult::Added); // R = W and B = H
    RecordingMessages messages;
    const auto result = SavePicks(state, &image, messages, FixedClock());
    ASSERT_EQ(result.m_written.size(), 1u);
    const PickFile file(result.m_written[0]);
    // Columns and rows 8..10: the last column and the last row lie beyond the image.
    EXPECT_EQ(file.Value(0), PatternValue(8, 8));
    EXPECT_EQ(file.Value(4), PatternValue(9, 9));
    for (int index : {2, 5, 6, 7, 8})
        EXPECT_EQ(file.Value(index), -1.0f) << index;
    EXPECT_EQ(file.Float(76), -1.0f); // the statistics describe the values written
}

TEST(SavePicks, CollatedAndSingleFileSizes) {
    TempDir dir;
    DIBSection image = PatternImage(200, 120);
    const std::vector<PickPoint> centres{{30, 30}, {100, 60}, {170, 90}};

    PickState collated = PickingState(dir.File("grid.tif"), 50, true);
    for (PickPoint centre : centres)
        ASSERT_EQ(AddPick(collated, &image, centre), AddPickResult::Added);
    RecordingMessages messages;
    const auto stack = SavePicks(collated, &image, messages, FixedClock());
    ASSERT_EQ(stack.m_written, std::vector<std::string>{dir.File(
                                   "grid_Picked_Image_2007_3_5_14_7_9_45_Collated_Images_Number_3.mrc")});
    const PickFile file(stack.m_written[0]);
    EXPECT_EQ(file.m_bytes.size(), 31024u);
    EXPECT_EQ(file.Int(8), 3);
    EXPECT_EQ(file.Int(36), 3);
    EXPECT_EQ(file.Float(48), 3.0f);
    EXPECT_EQ(file.Label(), pick_text::LABEL_COLLATED);
    // Box j starts at value j·S²; each box's first sample is its top-left pixel.
    for (int j = 0; j < 3; ++j)
        EXPECT_EQ(file.Value(2500 * j), PatternValue(centres[j].x - 25, centres[j].y - 25)) << j;
    EXPECT_EQ(collated.m_bCollate, 0);

    // Uncollated, each box gets its own time stamp.
    PickState single = PickingState(dir.File("grid.tif"), 50);
    for (PickPoint centre : centres)
        ASSERT_EQ(AddPick(single, &image, centre), AddPickResult::Added);
    auto tick = test::PickTestTime();
    PickSaveHooks hooks{[&tick] { return tick += std::chrono::milliseconds(1); }, {}, {}};
    const auto files = SavePicks(single, &image, messages, hooks);
    ASSERT_EQ(files.m_written.size(), 3u);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(files.m_written[j], dir.File("grid_Picked_Image_2007_3_5_14_7_9_" + std::to_string(46 + j) +
                                               "_Image_Number_" + std::to_string(j + 1) + ".mrc"));
        EXPECT_EQ(ReadFileBytes(files.m_written[j]).size(), 11024u);
    }
}

TEST(SavePicks, DoubleClickRemovesThenSavesTheRest) {
    TempDir dir;
    DIBSection image = PatternImage(100, 100);
    PickState state = PickingState(dir.File("dbl.tif"), 10);
    for (PickPoint centre : {PickPoint{20, 20}, PickPoint{60, 20}, PickPoint{20, 60}})
        ASSERT_EQ(AddPick(state, &image, centre), AddPickResult::Added);
    // The first press of a double click is an ordinary left press.
    ASSERT_TRUE(RemovePick(state, &image, {61, 21}));
    RecordingMessages messages;
    const auto result = SavePicks(state, &image, messages, FixedClock());
    ASSERT_EQ(result.m_outcome, SavePicksOutcome::Saved);
    ASSERT_EQ(result.m_written.size(), 2u);
    EXPECT_EQ(PickFile(result.m_written[0]).Value(0), PatternValue(15, 15));
    EXPECT_EQ(PickFile(result.m_written[1]).Value(0), PatternValue(15, 55));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{pick_text::SAVED});

    // Afterwards: the size stays, pick mode and collate are off, the list is empty.
    EXPECT_EQ(state.m_nMaskSize, 10);
    EXPECT_EQ(state.m_bPickMode, 0);
    EXPECT_EQ(state.m_nPickCount, 0);
    for (const PickPoint& slot : state.m_ptPicks)
        ASSERT_EQ(slot, EMPTY_PICK);

    // A double click with no stored pick writes and shows nothing.
    state.m_bPickMode = 1;
    RecordingMessages none;
    EXPECT_EQ(SavePicks(state, &image, none, FixedClock()).m_outcome, SavePicksOutcome::NothingToSave);
    EXPECT_TRUE(none.m_shown.empty());
    // The two boxes and the two coordinate files.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 4);
}

TEST(SavePicks, FailedFilesAreReportedAndTheStateStillClears) {
    TempDir dir;
    DIBSection image = PatternImage(60, 60);
    const auto addTwo = [&image](PickState& state) {
        ASSERT_EQ(AddPick(state, &image, {10, 10}), AddPickResult::Added);
        ASSERT_EQ(AddPick(state, &image, {40, 40}), AddPickResult::Added);
    };

    // The folder of the opened image is gone: neither file can be created.
    PickState missing = PickingState(dir.File("gone/scan.tif"), 8);
    addTwo(missing);
    RecordingMessages messages;
    auto result = SavePicks(missing, &image, messages, FixedClock());
    EXPECT_EQ(result.m_outcome, SavePicksOutcome::WriteFailed);
    EXPECT_TRUE(result.m_written.empty());
    const std::string first = PickFileName(dir.File("gone/scan.tif"), test::PickTestTime(), false, 1);
    const std::string second = PickFileName(dir.File("gone/scan.tif"), test::PickTestTime(), false, 2);
    // Success is not claimed when a file is missing, and no coordinate file names boxes never saved.
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{pick_text::CANNOT_CREATE + first,
                                                          pick_text::CANNOT_CREATE + second}));
    EXPECT_EQ(missing.m_nPickCount, 0);
    EXPECT_EQ(missing.m_bPickMode, 0);

    // A full disk: the data are lost when the buffered bytes are flushed at the close.
    PickState full = PickingState(dir.File("scan.tif"), 8, true);
    addTwo(full);
    PickSaveHooks diskFull{[] { return test::PickTestTime(); },
                           [](const std::string&) { return std::fopen("/dev/full", "wb"); },
                           {}};
    RecordingMessages fullMessages;
    result = SavePicks(full, &image, fullMessages, diskFull);
    EXPECT_EQ(result.m_outcome, SavePicksOutcome::WriteFailed);
    const std::string stack = PickFileName(dir.File("scan.tif"), test::PickTestTime(), true, 2);
    EXPECT_EQ(fullMessages.Texts(), (std::vector<std::string>{pick_text::CANNOT_WRITE_DATA + stack}));

    // Unbuffered, the header write itself fails; the data are still tried and fail as well.
    PickState unbuffered = PickingState(dir.File("scan.tif"), 8);
    ASSERT_EQ(AddPick(unbuffered, &image, {10, 10}), AddPickResult::Added);
    PickSaveHooks noBuffer{[] { return test::PickTestTime(); },
                           [](const std::string&) {
                               std::FILE* file = std::fopen("/dev/full", "wb");
                               std::setvbuf(file, nullptr, _IONBF, 0);
                               return file;
                           },
                           {}};
    RecordingMessages headerMessages;
    result = SavePicks(unbuffered, &image, headerMessages, noBuffer);
    const std::string box = PickFileName(dir.File("scan.tif"), test::PickTestTime(), false, 1);
    EXPECT_EQ(headerMessages.Texts(), (std::vector<std::string>{pick_text::CANNOT_WRITE_HEADER + box,
                                                                pick_text::CANNOT_WRITE_DATA + box}));
    // Nothing of the failed saves is left in the folder, under its own name or a temporary one.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 0);
}

// A stop asked for during a save ends it before its next file: the boxes written stay whole, the
// coordinate files name only them, and success is not claimed.
TEST(SavePicks, AStopEndsTheSaveBeforeItsNextFile) {
    DIBSection image = PatternImage(60, 60);
    for (const bool collate : {false, true}) {
        TempDir dir;
        PickState state = PickingState(dir.File("scan.tif"), 8, collate);
        for (PickPoint centre : {PickPoint{10, 10}, PickPoint{30, 30}, PickPoint{50, 50}})
            ASSERT_EQ(AddPick(state, &image, centre), AddPickResult::Added);
        int looks = 0;
        PickSaveHooks hooks{[] { return test::PickTestTime(); }, {}, [&looks] { return ++looks > 1; }};
        RecordingMessages messages;
        const SavePicksResult result = SavePicks(state, &image, messages, hooks);
        EXPECT_EQ(result.m_outcome, SavePicksOutcome::Interrupted) << collate;
        EXPECT_EQ(result.m_written.size(), collate ? 0u : 1u);
        EXPECT_TRUE(result.m_coordinateFiles.empty());
        EXPECT_TRUE(messages.Texts().empty());
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), collate ? 0 : 1);
        EXPECT_EQ(OutcomeOf(result.m_outcome), Outcome::Interrupted);
    }
}

// An independent reader sees the same sizes, labels, statistics and values.
TEST(SavePicks, ReadableByMrcfile) {
    if (test::RunCommand(std::string(GC_PYTHON) + " -c 'import mrcfile' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3-mrcfile is not installed";
    TempDir dir;
    DIBSection image = PatternImage(120, 80);
    PickState state = PickingState(dir.File("read.back.tif"), 5, true);
    for (PickPoint centre : {PickPoint{10, 10}, PickPoint{60, 40}, PickPoint{100, 70}})
        ASSERT_EQ(AddPick(state, &image, centre), AddPickResult::Added);
    RecordingMessages messages;
    const auto result = SavePicks(state, &image, messages, FixedClock());
    ASSERT_EQ(result.m_written.size(), 1u);
    EXPECT_EQ(result.m_written[0],
              dir.File("read_Picked_Image_2007_3_5_14_7_9_45_Collated_Images_Number_3.mrc"));

    const std::string script = dir.File("read.py");
    const std::string text = "import mrcfile, sys\n"
                             "m = mrcfile.open(sys.argv[1], permissive=True)\n"
                             "h = m.header\n"
                             "d = m.data\n"
                             "print(d.shape, d.dtype, int(h.nlabl), h.label[0].split(b'\\0')[0].decode())\n"
                             "print(float(h.dmin) == d.min(), float(h.dmax) == d.max(),"
                             " abs(float(h.dmean) - d.mean()) < 1e-3)\n"
                             "print(int(d[0, 0, 0]), int(d[1, 2, 2]), int(d[2, 4, 0]))\n";
    test::WriteFileBytes(script, std::vector<unsigned char>(text.begin(), text.end()));
    std::string output;
    ASSERT_EQ(
        test::RunCommand(std::string(GC_PYTHON) + " " + script + " '" + result.m_written[0] + "' 2>/dev/null",
                         &output),
        0)
        << output;
    const std::string expected = "(3, 5, 5) float32 1 " + std::string(pick_text::LABEL_COLLATED) +
                                 "\nTrue True True\n" + std::to_string(PatternValue(8, 8)) + " " +
                                 std::to_string(PatternValue(60, 40)) + " " +
                                 std::to_string(PatternValue(98, 72)) + "\n";
    EXPECT_EQ(output, expected);
}

} // namespace
} // namespace gc
