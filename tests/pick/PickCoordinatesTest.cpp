// The coordinate files written beside the picked boxes, read back by an independent STAR reader and
// by a few lines of our own for EMAN2's box format; reading centres from coordinate files; and saves
// that fail part-way leaving nothing behind.
#include "pick/PickCoordinates.h"
#include "PickTestImages.h"
#include "convert/OutputChecks.h"
#include "image/MrcHeader.h"
#include "pick/PickMessages.h"
#include "pick/PickOperations.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace gc {
namespace {

using test::FixedClock;
using test::PatternImage;
using test::PatternValue;
using test::PickingState;
using test::TempDir;

std::string ReadText(const std::string& path) {
    const auto bytes = test::ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

struct BoxLine {
    int left, bottom, width, height;
};

// EMAN2's box file as its documentation describes it: per line, tab-separated, the lower-left corner
// of the box (counted from the image's bottom-left, y upwards), then width and height.
std::vector<BoxLine> ReadBoxFile(const std::string& path) {
    std::vector<BoxLine> boxes;
    std::istringstream in(ReadText(path));
    for (std::string line; std::getline(in, line);) {
        BoxLine box{};
        char tab1 = 0, tab2 = 0, tab3 = 0;
        std::istringstream fields(line);
        fields >> box.left >> std::noskipws >> tab1 >> box.bottom >> tab2 >> box.width >> tab3 >> box.height;
        EXPECT_TRUE(fields && tab1 == '\t' && tab2 == '\t' && tab3 == '\t') << line;
        boxes.push_back(box);
    }
    return boxes;
}

// The saved centres, read by the box file's own rules and by gemmi's STAR reader, are the picks; the
// lower-left corner of each box is the bottom-left pixel of the box saved in the MRC file.
TEST(PickCoordinateFiles, ReadBackByEmanRulesAndByGemmi) {
    const bool haveGemmi = test::RunCommand(std::string(GC_PYTHON) + " -c 'import gemmi' 2>/dev/null") == 0;
    const int width = 90, height = 70;
    const DIBSection image = PatternImage(width, height);
    for (const int size : {5, 6}) {
        TempDir dir;
        PickState state = PickingState(dir.File("plate.7.tif"), size, false);
        // Left edge, bottom edge (B = H is accepted), anywhere.
        const std::vector<PickPoint> centres = {{size / 2, 30}, {50, height - size / 2}, {71, 12}};
        for (PickPoint centre : centres)
            ASSERT_EQ(AddPick(state, &image, centre), AddPickResult::Added);
        test::RecordingMessages messages;
        const SavePicksResult result = SavePicks(state, &image, messages, FixedClock());
        ASSERT_EQ(result.m_outcome, SavePicksOutcome::Saved);
        ASSERT_EQ(result.m_coordinateFiles,
                  (std::vector<std::string>{dir.File("plate.7_picks.box"), dir.File("plate.7_picks.star")}));

        const std::vector<BoxLine> boxes = ReadBoxFile(dir.File("plate.7_picks.box"));
        ASSERT_EQ(boxes.size(), centres.size());
        for (std::size_t j = 0; j < boxes.size(); ++j) {
            const BoxLine& box = boxes[j];
            EXPECT_EQ(box.width, size);
            EXPECT_EQ(box.height, size);
            // Top row of the box counted from the top of the image.
            const int top = height - (box.bottom + box.height);
            EXPECT_EQ(box.left + size / 2, centres[j].x) << size;
            EXPECT_EQ(top + size / 2, centres[j].y) << size;
            // The MRC box starts with its top-left pixel and ends with its bottom-right one.
            const auto bytes = test::ReadFileBytes(result.m_written[j]);
            EXPECT_EQ(GetFloatLE(bytes.data() + MRC_HEADER_SIZE), PatternValue(box.left, top));
            // A box of odd size may reach one row below the image; that sample stays -1.
            const int bottomRow = height - 1 - box.bottom;
            const int rightColumn = box.left + size - 1;
            const float last = bottomRow < height && rightColumn < width
                                   ? static_cast<float>(PatternValue(rightColumn, bottomRow))
                                   : -1.0f;
            EXPECT_EQ(GetFloatLE(bytes.data() + bytes.size() - 4), last) << size << " box " << j;
        }

        if (!haveGemmi)
            continue;
        const std::string script =
            "import gemmi, sys\n"
            "block = gemmi.cif.read_file(sys.argv[1]).sole_block()\n"
            "xs = block.find_loop('_rlnCoordinateX')\n"
            "ys = block.find_loop('_rlnCoordinateY')\n"
            "print(' '.join('%g,%g' % (float(x), float(y)) for x, y in zip(xs, ys)))\n";
        test::WriteFileBytes(dir.File("read.py"), std::vector<unsigned char>(script.begin(), script.end()));
        std::string output;
        ASSERT_EQ(test::RunCommand(std::string(GC_PYTHON) + " '" + dir.File("read.py") + "' '" +
                                       dir.File("plate.7_picks.star") + "'",
                                   &output),
                  0);
        // A TIFF micrograph's rows count from the bottom: the centre row of the same box in RELION.
        std::string expected;
        for (PickPoint centre : centres)
            expected += (expected.empty() ? "" : " ") + std::to_string(centre.x) + "," +
                        std::to_string(height - centre.y - size % 2);
        EXPECT_EQ(output, expected + "\n");
    }
    if (!haveGemmi)
        GTEST_SKIP() << "python3-gemmi is not installed; the STAR file was not read back";
}

TEST(PickCoordinateFiles, WrittenFilesReadBackAsTheSameCentres) {
    const std::vector<PickPoint> centres = {{10, 10}, {0, 59}, {123, 4}};
    for (const RowOrder rows : {RowOrder::AsStored, RowOrder::BottomUp})
        for (const int size : {2, 5, 200}) {
            const CoordinateFrame frame{60, size, rows};
            for (const CoordinateFormat format : {CoordinateFormat::EmanBox, CoordinateFormat::RelionStar}) {
                const std::string text = format == CoordinateFormat::EmanBox ? EmanBoxText(centres, frame)
                                                                             : RelionStarText(centres, frame);
                const CoordinateReading reading = ParseCoordinates(text, format, frame);
                EXPECT_TRUE(reading.Ok()) << reading.m_strProblem;
                EXPECT_EQ(reading.m_centres, centres) << text;
            }
        }
}

// The numbers each reader is given for a box around (10, 10) in an image 60 rows high: columns 8..11
// and rows 8..11 from the top for S = 4 (rows 48..51 from the bottom), 8..12 for S = 5 (47..51).
TEST(PickCoordinateFiles, RowsCountAsTheMicrographsReadersCountThem) {
    const struct {
        RowOrder rows;
        int size;
        const char* box;
        int starY;
    } cases[] = {
        {RowOrder::AsStored, 4, "8\t8\t4\t4\n", 10},
        {RowOrder::AsStored, 5, "8\t8\t5\t5\n", 10},
        {RowOrder::BottomUp, 4, "8\t48\t4\t4\n", 50}, // H − y
        {RowOrder::BottomUp, 5, "8\t47\t5\t5\n", 49}, // H − 1 − y
    };
    for (const auto& c : cases) {
        const CoordinateFrame frame{60, c.size, c.rows};
        EXPECT_EQ(EmanBoxText({{10, 10}}, frame), c.box);
        const std::string star = RelionStarText({{10, 10}}, frame);
        EXPECT_NE(star.find("\n10\t" + std::to_string(c.starY) + "\n"), std::string::npos) << star;
    }
}

// Coordinate files keep the image's name up to its last extension; the boxes keep theirs.
TEST(PickCoordinateFiles, NamesKeepTheWholeNameUpToTheLastExtension) {
    EXPECT_EQ(PickStarFileName("/d/a.b/m.v1.mrc"), "/d/a.b/m.v1_picks.star");
    EXPECT_EQ(PickBoxFileName("/d/a.b/m.v1.mrc"), "/d/a.b/m.v1_picks.box");
    EXPECT_EQ(PickStarFileName("/d/a.b/m"), "/d/a.b/m_picks.star");
    EXPECT_EQ(PickStarFileName("m.tif"), "m_picks.star");
    EXPECT_EQ(
        PickFileName("/d/a.b/m.v1.mrc", test::PickTestTime(), false, 1).rfind("/d/a.b/m_Picked_Image_", 0),
        0u);
}

TEST(PickCoordinateFiles, FilesOfOtherProgramsAndMalformedLines) {
    const struct {
        CoordinateFormat format;
        std::string text;
        std::vector<PickPoint> centres;
        int badLine; // -1: no problem
    } cases[] = {
        // EMAN2: optional fifth column; a box of another size still gives its own centre.
        {CoordinateFormat::EmanBox, "8\t47\t5\t5\n\n 90  0  20  20  -3\r\n", {{10, 10}, {100, 50}}, -1},
        {CoordinateFormat::EmanBox, "8\t47\t5\t5\n8\t47\t5\n", {}, 2},
        {CoordinateFormat::EmanBox, "8\t47.5\t5\t5\n", {}, 1},
        {CoordinateFormat::EmanBox, "8\t47\t0\t5\n", {}, 1},
        {CoordinateFormat::EmanBox, "8 47 5 5 mode\n", {}, 1},
        // RELION: values written as decimals, more columns, more blocks and single values.
        {CoordinateFormat::RelionStar,
         "# comment\ndata_\n_rlnVersion 30001\nloop_\n_rlnAutopickFigureOfMerit #1\n_rlnCoordinateY #2\n"
         "_rlnCoordinateX #3\n0.5 20.000000 10.000000\n  0.1  40 30 # last\n\ndata_other\nloop_\n_a\nx\n",
         {{10, 20}, {30, 40}},
         -1},
        {CoordinateFormat::RelionStar, "data_\nloop_\n_rlnCoordinateX\n_rlnCoordinateY\n1 2\n3\n", {}, 6},
        {CoordinateFormat::RelionStar, "data_\nloop_\n_rlnCoordinateX\n_rlnCoordinateY\n1 2.5\n", {}, 5},
        {CoordinateFormat::RelionStar, "data_\nloop_\n_rlnCoordinateX\n_rlnOther\n1 2\n", {}, 0},
        {CoordinateFormat::RelionStar, "data_\nloop_\n_rlnCoordinateX\n_rlnCoordinateY\n", {}, -1},
        // CSV: a header only on the first line.
        {CoordinateFormat::Csv, "x,y\n10, 20\n 30 ,40\n", {{10, 20}, {30, 40}}, -1},
        {CoordinateFormat::Csv, "10,20\nx,y\n", {}, 2},
        // A spreadsheet's byte-order mark before the first number (no header line).
        {CoordinateFormat::Csv,
         "\xEF\xBB\xBF"
         "10,20\n30,40\n",
         {{10, 20}, {30, 40}},
         -1},
        {CoordinateFormat::Csv, "10;20\n", {}, 1},
        {CoordinateFormat::Csv, "10,20,30\n", {}, 1},
        {CoordinateFormat::Csv, "10,20\n30,\n", {}, 2},
        {CoordinateFormat::Csv, "10,99999999999\n", {}, 1},
    };
    for (const auto& c : cases) {
        // Box lines as EMAN2 reads a TIFF's rows; STAR rows as stored, so the numbers are our centres.
        const RowOrder rows = c.format == CoordinateFormat::EmanBox ? RowOrder::BottomUp : RowOrder::AsStored;
        const CoordinateReading reading = ParseCoordinates(c.text, c.format, {60, 5, rows});
        EXPECT_EQ(reading.m_centres, c.centres) << c.text;
        if (c.badLine < 0) {
            EXPECT_TRUE(reading.Ok()) << c.text << reading.m_strProblem;
        } else {
            EXPECT_FALSE(reading.Ok()) << c.text;
            EXPECT_EQ(reading.m_nBadLine, c.badLine) << c.text << reading.m_strProblem;
        }
    }
    EXPECT_EQ(CoordinateFormatOf("/a.b/picks.BOX"), CoordinateFormat::EmanBox);
    EXPECT_EQ(CoordinateFormatOf("picks.star"), CoordinateFormat::RelionStar);
    EXPECT_EQ(CoordinateFormatOf("picks.csv"), CoordinateFormat::Csv);
    EXPECT_EQ(CoordinateFormatOf("/a.box/picks"), std::nullopt);
    EXPECT_EQ(CoordinateFormatOf("picks.txt"), std::nullopt);
}

// A save whose stack cannot be written completely (the files of the process may not grow beyond a
// limit) leaves no part of it, shows no success and names the file and the reason.
TEST(PickCoordinateFiles, FailedBoxWriteLeavesNothingAndClaimsNoSuccess) {
    TempDir dir;
    const DIBSection image = PatternImage(100, 100);
    const std::string stack = PickFileName(dir.File("scan.tif"), test::PickTestTime(), true, 3);
    const int status = test::RunWithFileSizeLimit(3000, [&] {
        PickState state = PickingState(dir.File("scan.tif"), 20, true);
        for (PickPoint centre : {PickPoint{20, 20}, PickPoint{50, 50}, PickPoint{80, 80}})
            if (AddPick(state, &image, centre) != AddPickResult::Added)
                return 10;
        test::DetailMessages messages;
        const SavePicksResult result = SavePicks(state, &image, messages, FixedClock());
        const std::vector<std::string> expected = {"detail: writing " + stack + ": File too large",
                                                   pick_text::CANNOT_WRITE_DATA + stack};
        if (result.m_outcome != SavePicksOutcome::WriteFailed || !result.m_written.empty())
            return 11;
        return messages.m_texts == expected ? 0 : 12;
    });
    EXPECT_EQ(status, 0);
    // The stack left nothing, not even its temporary, and no coordinate file names its boxes.
    EXPECT_EQ(test::FileNames(dir.Path()), std::set<std::string>{});
}

} // namespace
} // namespace gc
