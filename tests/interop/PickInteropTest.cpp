// RELION's particle extraction (relion_preprocess --extract, without normalisation or inversion) fed
// with the _picks.star files that `pick` writes cuts out the very boxes `pick` saved: as stored for an
// MRC micrograph, upside down for a TIFF one (RELION reads TIFF rows bottom-up). Skipped when
// relion_preprocess is not on PATH.
#include "image/MrcHeader.h"
#include "pick/PickTestImages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <sstream>
#include <string>
#include <vector>

namespace gc {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr int WIDTH = 64, HEIGHT = 48, BOX = 10;
const char* const CENTRES = "20,20 40,30 5,43 58,5";
constexpr int BOXES = 4;

// The values of an MRC file (mode 2, little-endian, as both programs write boxes), box after box.
std::vector<float> BoxValues(const std::string& path) {
    const Bytes bytes = test::ReadFileBytes(path);
    if (bytes.size() < static_cast<std::size_t>(MRC_HEADER_SIZE))
        return {};
    unsigned char headerBytes[MRC_HEADER_SIZE];
    std::copy(bytes.begin(), bytes.begin() + MRC_HEADER_SIZE, headerBytes);
    MrcHeader header;
    header.SetFromBytes(headerBytes);
    EXPECT_EQ(header.m_nMode, MRC_MODE_FLOAT) << path;
    std::vector<float> values;
    for (std::size_t at = MRC_HEADER_SIZE + static_cast<std::size_t>(header.m_nNSymBT);
         at + 4 <= bytes.size(); at += 4)
        values.push_back(GetFloatLE(bytes.data() + at));
    return values;
}

// Box `box`'s row `row` of a stack of BOX × BOX boxes.
std::vector<float> Row(const std::vector<float>& stack, int box, int row) {
    const auto start = stack.begin() + (box * BOX + row) * BOX;
    return {start, start + BOX};
}

// An 8-bit greyscale TIFF of the test pattern, one strip per row, as micrographs and scans are.
bool WriteGreyTiff(const std::string& path) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    if (tiff == nullptr)
        return false;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, WIDTH);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, HEIGHT);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
    bool written = true;
    std::vector<unsigned char> row(WIDTH);
    for (int y = 0; y < HEIGHT && written; ++y) {
        for (int x = 0; x < WIDTH; ++x)
            row[x] = static_cast<unsigned char>(test::PatternValue(x, y));
        written = TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    }
    TIFFClose(tiff);
    return written;
}

// Runs `pick` on `micrograph` and returns the collated stack it wrote.
std::string Pick(const test::TempDir& dir, const std::string& micrograph) {
    std::string out;
    EXPECT_EQ(test::RunCommand("cd '" + dir.Path().string() + "' && " + GC_CLI + " pick " + micrograph +
                                   " --size " + std::to_string(BOX) + " --collate " + CENTRES,
                               &out),
              0);
    // One line per file written: the stack is the one line naming an MRC file.
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        if (line.ends_with(".mrc") || line.ends_with(".mrcs"))
            return dir.File(line);
    ADD_FAILURE() << "pick named no stack:\n" << out;
    return {};
}

TEST(PickInterop, RelionExtractsThePickedBoxes) {
    if (test::RunCommand("command -v relion_preprocess >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "relion_preprocess is not on PATH (Debian package relion): RELION's extraction was "
                        "not compared";
    test::TempDir dir;
    // The MRC micrograph holds fractions and negative values; the TIFF one grey levels above 127.
    MrcHeader header;
    header.SetImage(WIDTH, HEIGHT, MRC_MODE_FLOAT);
    const auto headerBytes = header.Bytes();
    Bytes mrc(headerBytes.begin(), headerBytes.end());
    mrc.resize(MRC_HEADER_SIZE + std::size_t{4} * WIDTH * HEIGHT);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x)
            PutFloatLE(mrc.data() + MRC_HEADER_SIZE + 4 * (y * WIDTH + x),
                       test::PatternValue(x, y) * 0.5f - 60.25f);
    test::WriteFileBytes(dir.File("mic.v1.mrc"), mrc);
    ASSERT_TRUE(WriteGreyTiff(dir.File("film.tif")));

    const std::string mrcBoxes = Pick(dir, "mic.v1.mrc");
    const std::string tiffBoxes = Pick(dir, "film.tif");
    const std::string micrographs = "data_optics\nloop_\n_rlnOpticsGroupName #1\n_rlnOpticsGroup #2\n"
                                    "_rlnMicrographPixelSize #3\n_rlnVoltage #4\n_rlnSphericalAberration #5\n"
                                    "_rlnAmplitudeContrast #6\nopticsGroup1 1 1.0 300 2.7 0.1\n\n"
                                    "data_micrographs\nloop_\n_rlnMicrographName #1\n_rlnOpticsGroup #2\n"
                                    "mic.v1.mrc 1\nfilm.tif 1\n";
    test::WriteFileBytes(dir.File("micrographs.star"), Bytes(micrographs.begin(), micrographs.end()));
    std::string log;
    ASSERT_EQ(
        test::RunCommand("cd '" + dir.Path().string() +
                             "' && relion_preprocess --i micrographs.star --coord_dir ./ --coord_suffix "
                             "_picks.star --part_star particles.star --part_dir Particles/ --extract "
                             "--extract_size " +
                             std::to_string(BOX) + " 2>&1",
                         &log),
        0)
        << log;

    const std::vector<float> ours = BoxValues(mrcBoxes);
    const std::vector<float> relion = BoxValues(dir.File("Particles/mic.v1.mrcs"));
    ASSERT_EQ(ours.size(), std::size_t{BOXES * BOX * BOX});
    EXPECT_EQ(relion, ours) << log;

    const std::vector<float> oursTiff = BoxValues(tiffBoxes);
    const std::vector<float> relionTiff = BoxValues(dir.File("Particles/film.mrcs"));
    ASSERT_EQ(oursTiff.size(), std::size_t{BOXES * BOX * BOX});
    ASSERT_EQ(relionTiff.size(), oursTiff.size()) << log;
    for (int box = 0; box < BOXES; ++box)
        for (int row = 0; row < BOX; ++row)
            EXPECT_EQ(Row(relionTiff, box, row), Row(oursTiff, box, BOX - 1 - row))
                << "box " << box << " row " << row;
}

} // namespace
} // namespace gc
