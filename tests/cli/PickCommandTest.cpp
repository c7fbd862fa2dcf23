#include "CliRun.h"
#include "document/ImageDocument.h"
#include "image/MrcHeader.h"
#include "image/TiffCodec.h"
#include "pick/PickMessages.h"
#include "pick/PickOperations.h"
#include "pick/PickTestImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace gc {
namespace {

using test::Lines;
using test::TempDir;

// Runs the command line in `dir`; returns its status, standard output and standard error.
int RunCli(const TempDir& dir, const std::string& arguments, std::string& out, std::string& err) {
    const test::CliRun run = test::RunCliIn(dir, arguments);
    out = run.m_strOut;
    err = run.m_strErr;
    return run.m_nStatus;
}

// True when `name` is base + "_Picked_Image_" + seven numbers joined by "_" + tail.
bool IsPickName(const std::string& name, const std::string& base, const std::string& tail) {
    const std::string head = base + "_Picked_Image_";
    if (name.rfind(head, 0) != 0 || name.size() < head.size() + tail.size() ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
        return false;
    const std::string stamp = name.substr(head.size(), name.size() - head.size() - tail.size());
    int numbers = 0;
    bool inNumber = false;
    for (char c : stamp) {
        if (c >= '0' && c <= '9') {
            numbers += inNumber ? 0 : 1;
            inNumber = true;
        } else if (c == '_' && inNumber) {
            inNumber = false;
        } else {
            return false;
        }
    }
    return numbers == 7 && inNumber;
}

class PickCommand : public testing::Test {
protected:
    void SetUp() override {
        SilentMessages silent;
        ASSERT_EQ(WriteTiffFile(m_dir.File("scan.tif"), test::PatternImage(80, 60), silent), 80 * 60);
    }
    TempDir m_dir;
};

TEST_F(PickCommand, AddsInOrderReportsRefusalsAndPrintsTheCollatedFile) {
    std::string out, err;
    // Refused centres end the command with status 3, after the others are saved.
    ASSERT_EQ(RunCli(m_dir, "pick scan.tif --size 10 --collate 20,20 22,20 70,30 78,30 40,40", out, err), 3)
        << err;
    EXPECT_EQ(Lines(err), (std::vector<std::string>{std::string(pick_text::REFUSED_TOO_CLOSE) + "22,20",
                                                    std::string(pick_text::REFUSED_OUTSIDE) + "78,30"}));
    // One line per file written, the tally, then the completion.
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 5u) << out;
    EXPECT_TRUE(IsPickName(lines[0], "scan", "_Collated_Images_Number_3.mrc")) << lines[0];
    EXPECT_EQ(lines[1], "scan_picks.box");
    EXPECT_EQ(lines[2], "scan_picks.star");
    EXPECT_EQ(lines[3], "3 files written");
    EXPECT_EQ(lines[4], pick_text::SAVED);

    const auto bytes = test::ReadFileBytes(m_dir.File(lines[0]));
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(MRC_HEADER_SIZE + 4 * 100 * 3));
    EXPECT_EQ(GetInt32LE(bytes.data() + 8), 3);
    // Boxes in the order given: (20,20), (70,30), (40,40); first samples at centre - 5, as the viewer
    // reads the file.
    ImageDocument document;
    SilentMessages silent;
    ASSERT_EQ(document.OpenFile(m_dir.File("scan.tif"), silent), OpenOutcome::Opened);
    const PixelStore& image = *document.GetImage(0);
    EXPECT_EQ(GetFloatLE(bytes.data() + MRC_HEADER_SIZE), image.BoxValue(15, 15));
    EXPECT_EQ(GetFloatLE(bytes.data() + MRC_HEADER_SIZE + 400), image.BoxValue(65, 25));
    EXPECT_EQ(GetFloatLE(bytes.data() + MRC_HEADER_SIZE + 800), image.BoxValue(35, 35));
    EXPECT_NE(image.BoxValue(15, 15), image.BoxValue(16, 15));
}

TEST_F(PickCommand, SingleFilesEachNamed) {
    std::string out, err;
    ASSERT_EQ(RunCli(m_dir, "pick scan.tif --size 5 10,10 30,30", out, err), 0) << err;
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 6u) << out;
    for (int j = 1; j <= 2; ++j) {
        const std::string& name = lines[static_cast<std::size_t>(j - 1)];
        EXPECT_TRUE(IsPickName(name, "scan", "_Image_Number_" + std::to_string(j) + ".mrc")) << name;
        EXPECT_EQ(test::ReadFileBytes(m_dir.File(name)).size(), 1124u);
    }
    EXPECT_EQ(lines[4], "4 files written");
}

TEST_F(PickCommand, UsageErrorsAndUnreadableImages) {
    std::string out, err;
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 1 10,10", out, err), 2);
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 201 10,10", out, err), 2);
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif 10,10", out, err), 2);
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 4 '10;10'", out, err), 2);
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 4 10,x", out, err), 2);
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 4 --image 2 10,10", out, err), 2);
    EXPECT_EQ(RunCli(m_dir, "pick missing.tif --size 4 10,10", out, err), 4);
    // Nothing accepted: nothing written, the refusal and that no centre is left shown, status 3.
    out.clear();
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 4 1,1", out, err), 3);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, std::string(pick_text::REFUSED_OUTSIDE) + "1,1\n" + pick_text::NO_CENTRE_LEFT + "\n");
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
        files += entry.path().extension() == ".mrc";
    EXPECT_EQ(files, 0);
}

// The files one pick run wrote, each keyed by what it is (the time stamp left out), with its bytes.
std::map<std::string, std::vector<unsigned char>> PickOutputs(const TempDir& dir) {
    std::map<std::string, std::vector<unsigned char>> outputs;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        std::string key;
        if (IsPickName(name, "scan", "_Collated_Images_Number_3.mrc"))
            key = "stack";
        else if (name == "scan_picks.box" || name == "scan_picks.star")
            key = name;
        else if (name.find(".mrc") != std::string::npos || name.find("scan_picks") == 0)
            key = "unexpected " + name;
        if (!key.empty()) {
            outputs[key] = test::ReadFileBytes(entry.path().string());
            std::filesystem::remove(entry.path());
        }
    }
    return outputs;
}

TEST_F(PickCommand, CoordinateFilesGiveTheSameFilesAsTheArguments) {
    std::string out, err;
    ASSERT_EQ(RunCli(m_dir, "pick scan.tif --size 10 --collate 20,20 70,30 40,40", out, err), 0) << err;
    const auto expected = PickOutputs(m_dir);
    ASSERT_EQ(expected.size(), 3u);

    // The same centres as other programs write them: EMAN2 boxes of another size with a mode column
    // (lower-left corners, y from the bottom of the 60 rows), RELION with decimals and more columns
    // (centre rows from the bottom too: 60 − y for an even box), and the files this run wrote.
    const std::vector<unsigned char>& ownStar = expected.at("scan_picks.star");
    const std::vector<unsigned char>& ownBox = expected.at("scan_picks.box");
    const struct {
        std::string name;
        std::string text;
        std::string arguments;
    } files[] = {
        {"c.csv", "x,y\n20,20\n70,30\n40,40\n", ""},
        {"c.box", "14\t34\t12\t12\t-3\n64\t24\t12\t12\t-3\n34\t14\t12\t12\t-3\n", ""},
        {"c.star",
         "\ndata_\n\nloop_\n_rlnCoordinateX #1\n_rlnCoordinateY #2\n_rlnAutopickFigureOfMerit #3\n"
         "20.000000 40.000000 1.5\n70.000000 30.000000 0.5\n\n",
         " 40,40"},
        {"own.star", std::string(ownStar.begin(), ownStar.end()), ""},
        {"own.box", std::string(ownBox.begin(), ownBox.end()), ""},
        // The file's centres come first, then the arguments.
        {"d.csv", "20,20\n", " 70,30 40,40"},
    };
    for (const auto& file : files) {
        test::WriteFileBytes(m_dir.File(file.name),
                             std::vector<unsigned char>(file.text.begin(), file.text.end()));
        ASSERT_EQ(RunCli(m_dir, "pick scan.tif --size 10 --collate --coords " + file.name + file.arguments,
                         out, err),
                  0)
            << file.name << err;
        EXPECT_EQ(err, "") << file.name;
        EXPECT_TRUE(PickOutputs(m_dir) == expected) << file.name;
    }
}

// An MRC file by its content, whatever its name: boxes of the section's own values, coordinate files
// named to the last extension with rows as stored, and both read back to the same boxes.
TEST_F(PickCommand, MrcMicrographBoxesHoldTheFilesValuesAndCoordinatesRoundTrip) {
    const int width = 80, height = 60, sections = 2;
    const auto value = [](int x, int y, int section) {
        return x * 0.5f + y * 100.0f + section * 10000.0f - 3.25f;
    };
    MrcHeader header;
    header.SetImage(width, height, MRC_MODE_FLOAT, sections);
    const auto headerBytes = header.Bytes();
    std::vector<unsigned char> file(headerBytes.begin(), headerBytes.end());
    file.resize(MRC_HEADER_SIZE + std::size_t{4} * width * height * sections);
    for (int s = 0; s < sections; ++s)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                PutFloatLE(file.data() + MRC_HEADER_SIZE + 4 * ((s * height + y) * width + x),
                           value(x, y, s));
    test::WriteFileBytes(m_dir.File("m.v1.map"), file);

    std::string out, err;
    ASSERT_EQ(RunCli(m_dir, "pick m.v1.map --image 2 --size 10 --collate 20,20 70,31", out, err), 0) << err;
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 5u) << out;
    EXPECT_TRUE(IsPickName(lines[0], "m", "_Collated_Images_Number_2.mrc")) << lines[0];
    EXPECT_EQ(lines[1], "m.v1_picks.box");
    EXPECT_EQ(lines[2], "m.v1_picks.star");
    const auto stack = test::ReadFileBytes(m_dir.File(lines[0]));
    ASSERT_EQ(stack.size(), static_cast<std::size_t>(MRC_HEADER_SIZE + 4 * 100 * 2));
    // The first value of each box is the section's own; the coordinates are rows as stored.
    EXPECT_EQ(GetFloatLE(stack.data() + MRC_HEADER_SIZE), value(15, 15, 1));
    EXPECT_EQ(GetFloatLE(stack.data() + MRC_HEADER_SIZE + 400), value(65, 26, 1));
    const auto box = test::ReadFileBytes(m_dir.File("m.v1_picks.box"));
    EXPECT_EQ(std::string(box.begin(), box.end()), "15\t15\t10\t10\n65\t26\t10\t10\n");

    for (const char* coordinates : {"m.v1_picks.star", "m.v1_picks.box"}) {
        std::filesystem::copy_file(m_dir.File(coordinates), m_dir.File(std::string("copy_") + coordinates));
        out.clear();
        ASSERT_EQ(
            RunCli(m_dir,
                   std::string("pick m.v1.map --image 2 --size 10 --collate --coords copy_") + coordinates,
                   out, err),
            0)
            << err;
        const auto again = Lines(out);
        ASSERT_EQ(again.size(), 5u) << out;
        EXPECT_EQ(test::ReadFileBytes(m_dir.File(again[0])), stack) << coordinates;
    }
}

TEST_F(PickCommand, MalformedCoordinateFileWritesNothing) {
    const struct {
        std::string name;
        std::string text;
        std::string line;
    } files[] = {
        {"bad.csv", "20,20\n70;30\n", " line 2: "},
        {"bad.box", "15\t35\t10\t10\n\n65\t25\t10\n", " line 3: "},
        {"bad.star", "data_\nloop_\n_rlnCoordinateX\n_rlnCoordinateY\n20 20\n70 30.5\n", " line 6: "},
        {"none.star", "data_\nloop_\n_rlnCoordinateX\n_rlnDefocusU\n20 20\n", ": "},
    };
    for (const auto& file : files) {
        test::WriteFileBytes(m_dir.File(file.name),
                             std::vector<unsigned char>(file.text.begin(), file.text.end()));
        std::string out, err;
        EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 10 --coords " + file.name + " 40,40", out, err), 2)
            << file.name;
        EXPECT_EQ(out, "") << file.name;
        EXPECT_EQ(err.rfind(file.name + file.line, 0), 0u) << err;
        EXPECT_TRUE(PickOutputs(m_dir).empty()) << file.name;
    }
    std::string out, err;
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 10 --coords picks.txt", out, err), 2);
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 10", out, err), 2);
    EXPECT_EQ(RunCli(m_dir, "pick scan.tif --size 10 --coords missing.csv", out, err), 1);
    EXPECT_EQ(err, "reading missing.csv: No such file or directory\n" +
                       std::string(pick_text::COORDS_UNREADABLE) + "missing.csv\n");
    EXPECT_TRUE(PickOutputs(m_dir).empty());
}

} // namespace
} // namespace gc
