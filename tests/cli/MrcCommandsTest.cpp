// gridcarver-cli on MRC files: export and properties of the Run's own outputs, picking on an opened
// MRC image and browsing the collated pick file box by box, refused files.
#include "CliRun.h"
#include "document/DocumentMessages.h"
#include "document/ImageDocument.h"
#include "image/ImageMessages.h"
#include "image/MrcHeader.h"
#include "pick/PickMessages.h"
#include "split/ImageOutput.h"
#include "split/SplitMessages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace gc {
namespace {

using test::CliRun;
using test::Lines;
using test::RunCliIn;
using test::TempDir;
using Bytes = std::vector<unsigned char>;

constexpr int WIDTH = 37, HEIGHT = 23;

// Values over the whole 0..255 range, the upper half included; with a 0 and a 255 planted in the
// two 6 × 6 boxes picked below, so that each box spans the full scale.
Bytes Pattern() {
    Bytes pixels(static_cast<std::size_t>(WIDTH) * HEIGHT);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x)
            pixels[static_cast<std::size_t>(y) * WIDTH + x] =
                static_cast<unsigned char>((x * 37 + y * 11) % 256);
    const auto at = [&pixels](int x, int y) -> unsigned char& {
        return pixels[static_cast<std::size_t>(y) * WIDTH + x];
    };
    at(7, 5) = 0; // box around (10, 8): x 7..12, y 5..10
    at(12, 10) = 255;
    at(22, 12) = 0; // box around (25, 15): x 22..27, y 12..17
    at(27, 17) = 255;
    return pixels;
}

// The Run's writer makes plate_1.mrc and its 2 × 2 binned copy plate_1_2X2.mrc from `pixels`.
void WriteRunOutputs(const TempDir& dir, const Bytes& pixels) {
    OutputSettings settings;
    settings.m_nBinning = 2;
    settings.m_nWidth = WIDTH;
    settings.m_nHeight = HEIGHT;
    settings.m_nBinnedWidth = WIDTH / 2;
    settings.m_nBinnedHeight = HEIGHT / 2;
    const std::string name = dir.File("plate_1.tif");
    ImageOutput output;
    ASSERT_EQ(output.Open({name, name.rfind('.')}, settings).outcome, RunOutcome::Done);
    for (int y = 0; y < HEIGHT; ++y)
        ASSERT_EQ(output.WriteRow(pixels.data() + static_cast<std::size_t>(y) * WIDTH).outcome,
                  RunOutcome::Done);
    ASSERT_EQ(output.Finish().outcome, RunOutcome::Done);
}

// The grey levels of an image file opened as the viewer does, first row first; empty when it does
// not open or a pixel is not grey.
Bytes GreysOf(const std::string& path, int image = 0) {
    ImageDocument document;
    SilentMessages silent;
    if (document.OpenFile(path, silent) != OpenOutcome::Opened || document.GetImage(image) == nullptr)
        return {};
    DIBSection picture;
    document.GetPicture(image, picture);
    Bytes greys;
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x) {
            unsigned char rgba[4];
            picture.GetPixelColor(static_cast<unsigned>(x), static_cast<unsigned>(y), rgba);
            if (rgba[0] != rgba[1] || rgba[1] != rgba[2])
                return {};
            greys.push_back(rgba[0]);
        }
    return greys;
}

TEST(CliMrc, ExportOfTheRunsOutputsEqualsTheirPixels) {
    TempDir dir;
    const Bytes pixels = Pattern();
    WriteRunOutputs(dir, pixels);
    for (const char* input : {"plate_1.mrc", "plate_1_2X2.mrc"}) {
        const Bytes file = test::ReadFileBytes(dir.File(input));
        ASSERT_GT(file.size(), static_cast<std::size_t>(MRC_HEADER_SIZE));
        const Bytes data(file.begin() + MRC_HEADER_SIZE, file.end());
        if (std::string(input) == "plate_1.mrc") {
            ASSERT_EQ(data, pixels);
        }
        for (const char* output : {"out.tif", "out.bmp"}) {
            const CliRun run = RunCliIn(dir, std::string("export ") + input + " " + output);
            EXPECT_EQ(run.m_nStatus, 0) << input << " " << run.m_strErr;
            EXPECT_EQ(run.m_strErr, "");
            EXPECT_EQ(GreysOf(dir.File(output)), data) << input << " to " << output;
        }
    }
    // JPEG is lossy, but it is written.
    EXPECT_EQ(RunCliIn(dir, "export plate_1.mrc out.jpg").m_nStatus, 0);
    EXPECT_EQ(GreysOf(dir.File("out.jpg")).size(), pixels.size());
}

TEST(CliMrc, PropertiesListTheRunsHeader) {
    TempDir dir;
    WriteRunOutputs(dir, Pattern());
    const CliRun run = RunCliIn(dir, "properties plate_1_2X2.mrc");
    EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
    const std::vector<std::string> lines = Lines(run.m_strOut);
    ASSERT_EQ(lines.size(), 13u) << run.m_strOut;
    EXPECT_EQ(lines[0], "plate_1_2X2.mrc has the following properties:");
    EXPECT_EQ(lines[1], "NX NY NZ = 18 11 1");
    EXPECT_EQ(lines[2], "MODE = 0 (8-bit integers)");
    EXPECT_EQ(lines[3], "CELLA = 18 11 1");
    EXPECT_EQ(lines[5], "DMIN = 0");
    EXPECT_EQ(lines[6], "DMAX = 255");
    EXPECT_EQ(lines[7].rfind("DMEAN = ", 0), 0u);
    EXPECT_EQ(lines[8].rfind("RMS = ", 0), 0u);
    EXPECT_EQ(lines[10], "NLABL = 1");
    EXPECT_EQ(lines[11], std::string("LABEL 1 = ") + MRC_SPLIT_LABEL);
    EXPECT_EQ(lines[12], "");

    test::WriteFileBytes(dir.File("picture.png"), {0x89, 'P', 'N', 'G'});
    const CliRun other = RunCliIn(dir, "properties picture.png");
    EXPECT_EQ(other.m_nStatus, 2);
    EXPECT_NE(other.m_strErr.find(std::string(MSG_PROPERTIES_TIFF_ONLY) + "picture.png"), std::string::npos);
}

// Picking reads the grey levels of the opened MRC image; the collated file opens with one image
// per box, and each box shows the picked pixels again (each box spans 0..255, so its scale is 1:1).
TEST(CliMrc, PicksOnAnMrcImageAndBrowsesTheCollatedBoxes) {
    TempDir dir;
    const Bytes pixels = Pattern();
    WriteRunOutputs(dir, pixels);
    const CliRun pick = RunCliIn(dir, "pick plate_1.mrc --size 6 --collate 10,8 25,15");
    ASSERT_EQ(pick.m_nStatus, 0) << pick.m_strErr;
    const std::vector<std::string> lines = Lines(pick.m_strOut);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.back(), pick_text::SAVED);
    const std::string collated = dir.File(lines[0]);

    struct Box {
        int x0, y0;
    };
    const Box boxes[] = {{7, 5}, {22, 12}};
    for (int k = 0; k < 2; ++k) {
        Bytes expected;
        for (int y = boxes[k].y0; y < boxes[k].y0 + 6; ++y)
            for (int x = boxes[k].x0; x < boxes[k].x0 + 6; ++x)
                expected.push_back(pixels[static_cast<std::size_t>(y) * WIDTH + x]);
        EXPECT_EQ(GreysOf(collated, k), expected) << "box " << k + 1;
        const std::string output = "box" + std::to_string(k + 1) + ".bmp";
        const CliRun run =
            RunCliIn(dir, "export " + lines[0] + " " + output + " --image " + std::to_string(k + 1));
        EXPECT_EQ(run.m_nStatus, 0) << run.m_strErr;
        EXPECT_EQ(GreysOf(dir.File(output)), expected) << "box " << k + 1;
    }
    const CliRun third = RunCliIn(dir, "export " + lines[0] + " box3.bmp --image 3");
    EXPECT_EQ(third.m_nStatus, 2);
    EXPECT_NE(third.m_strErr.find(std::string(MSG_NO_SUCH_IMAGE) + "3 of 2 in "), std::string::npos);
}

TEST(CliMrc, ARefusedFileEndsWithItsReason) {
    TempDir dir;
    WriteRunOutputs(dir, Pattern());
    Bytes bytes = test::ReadFileBytes(dir.File("plate_1.mrc"));
    bytes.resize(bytes.size() - WIDTH);
    test::WriteFileBytes(dir.File("cut.mrc"), bytes);
    const CliRun run = RunCliIn(dir, "export cut.mrc out.bmp");
    EXPECT_EQ(run.m_nStatus, 4);
    EXPECT_EQ(run.m_strOut, "");
    EXPECT_EQ(run.m_strErr, std::string(MSG_MRC_TRUNCATED) + "\n" + MSG_NO_IMAGE_READ + "cut.mrc\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bmp")));
    // Its properties come from the header alone, which is whole.
    const CliRun properties = RunCliIn(dir, "properties cut.mrc");
    EXPECT_EQ(properties.m_nStatus, 0);
    EXPECT_NE(properties.m_strOut.find("NX NY NZ = "), std::string::npos);
}

} // namespace
} // namespace gc
