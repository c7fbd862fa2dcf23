// pick --auto end to end: generated MRC and TIFF micrographs with known centres, the coordinate
// files in each micrograph's row order, the boxes, the pick limit and the refused inputs.
#include "CliRun.h"
#include "image/MrcHeader.h"
#include "image/TiffCodec.h"
#include "pick/PickMessages.h"
#include "pick/SyntheticMicrograph.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace gc {
namespace {

using test::Lines;
using test::TempDir;

constexpr int SIDE = 512;
constexpr double DIAMETER = 32;

test::SyntheticMicrograph Micrograph(int particles = 50) {
    return test::MakeMicrograph({.seed = 5,
                                 .width = SIDE,
                                 .height = SIDE,
                                 .diameter = DIAMETER,
                                 .particles = particles,
                                 .noise = 1.5});
}

// The micrograph written as `name` (.mrc: float values, .tif: 8-bit grey levels).
void WriteMicrograph(const TempDir& dir, const std::string& name, const test::SyntheticMicrograph& m) {
    if (name.ends_with(".mrc")) {
        test::WriteFileBytes(dir.File(name), test::MicrographMrcBytes(m));
        return;
    }
    SilentMessages silent;
    ASSERT_EQ(WriteTiffFile(dir.File(name), test::MicrographPicture(m), silent), SIDE * SIDE);
}

// The _rlnCoordinateX / _rlnCoordinateY pairs of a STAR file, as written.
std::vector<PickPoint> StarCoordinates(const std::string& text) {
    std::vector<PickPoint> points;
    bool inLoop = false;
    for (const std::string& line : Lines(text)) {
        if (line.starts_with("_rlnCoordinateY")) {
            inLoop = true;
            continue;
        }
        std::istringstream numbers(line);
        PickPoint point;
        if (inLoop && numbers >> point.x >> point.y)
            points.push_back(point);
    }
    return points;
}

TEST(AutoPickCli, DryRunWritesCoordinatesInTheMicrographsRowOrder) {
    const test::SyntheticMicrograph m = Micrograph();
    struct Case {
        const char* name;
        bool bottomUp; // TIFF rows counted from the bottom; MRC rows as stored
    } cases[] = {{"mic.mrc", false}, {"mic.tif", true}};
    for (const Case& c : cases) {
        TempDir dir;
        WriteMicrograph(dir, c.name, m);
        const test::CliRun run =
            test::RunCliIn(dir, std::string("pick ") + c.name + " --auto --diameter 32 --dry-run");
        ASSERT_EQ(run.m_nStatus, 0) << c.name << run.m_strErr;
        const auto out = Lines(run.m_strOut);
        ASSERT_EQ(out.size(), 3u) << run.m_strOut;
        EXPECT_TRUE(out[0].starts_with(pick_text::AUTO_FOUND)) << out[0];
        EXPECT_NE(out[0].find(pick_text::AUTO_THRESHOLD_AUTOMATIC), std::string::npos) << out[0];
        EXPECT_EQ(out[1], "mic_picks.box");
        EXPECT_EQ(out[2], "mic_picks.star");
        // No boxes on a dry run.
        EXPECT_EQ(test::FilesIn(dir.Path()),
                  (std::vector<std::string>{c.name, "mic_picks.box", "mic_picks.star"}));
        std::vector<PickPoint> expected = m.m_centres;
        // The default box (48) is even: a bottom-up centre row is H - y.
        if (c.bottomUp)
            for (PickPoint& point : expected)
                point.y = SIDE - point.y;
        const std::vector<PickPoint> written = StarCoordinates(test::ReadText(dir.File("mic_picks.star")));
        const int matched = test::MatchedCount(written, expected, 0.3 * DIAMETER);
        EXPECT_GE(matched, 0.9 * static_cast<double>(expected.size())) << c.name;
        EXPECT_GE(matched, 0.9 * static_cast<double>(written.size())) << c.name;
    }
}

TEST(AutoPickCli, KeepsTheBestWithinTheLimitAndWritesTheirBoxes) {
    TempDir dir;
    WriteMicrograph(dir, "mic.mrc", Micrograph());
    const test::CliRun run =
        test::RunCliIn(dir, "pick mic.mrc --auto --diameter 16:48 --max 5 --collate --size 40");
    ASSERT_EQ(run.m_nStatus, 0) << run.m_strErr;
    const auto err = Lines(run.m_strErr);
    ASSERT_FALSE(err.empty());
    EXPECT_NE(err[0].find(std::string(pick_text::AUTO_DROPPED) + "5" + pick_text::AUTO_DROPPED_KEPT),
              std::string::npos)
        << run.m_strErr;
    const auto out = Lines(run.m_strOut);
    ASSERT_EQ(out.size(), 5u) << run.m_strOut;
    EXPECT_TRUE(
        out[0].starts_with(std::string(pick_text::AUTO_FOUND) + "5" + pick_text::AUTO_FOUND_PARTICLES));
    EXPECT_EQ(out[1], pick_text::SAVED);
    const auto stack = test::ReadFileBytes(dir.File(out[2]));
    ASSERT_EQ(stack.size(), static_cast<std::size_t>(MRC_HEADER_SIZE + 4 * 40 * 40 * 5));
    EXPECT_EQ(GetInt32LE(stack.data() + 8), 5);
    EXPECT_EQ(StarCoordinates(test::ReadText(dir.File("mic_picks.star"))).size(), 5u);
}

TEST(AutoPickCli, DiameterInAngstromWithThePixelSize) {
    TempDir dir;
    WriteMicrograph(dir, "mic.mrc", Micrograph());
    const test::CliRun pixels = test::RunCliIn(dir, "pick mic.mrc --auto --diameter 32 --dry-run --size 48");
    const std::string pixelStar = test::ReadText(dir.File("mic_picks.star"));
    const test::CliRun angstrom =
        test::RunCliIn(dir, "pick mic.mrc --auto --diameter 48 --pixel-size 1.5 --dry-run --size 48");
    ASSERT_EQ(pixels.m_nStatus, 0) << pixels.m_strErr;
    ASSERT_EQ(angstrom.m_nStatus, 0) << angstrom.m_strErr;
    EXPECT_EQ(test::ReadText(dir.File("mic_picks.star")), pixelStar);
}

TEST(AutoPickCli, RefusesWhatItCannotSearchForAndSaysWhenNothingIsFound) {
    TempDir dir;
    WriteMicrograph(dir, "mic.tif", Micrograph());
    WriteMicrograph(dir, "blank.mrc", Micrograph(0));
    const struct {
        const char* arguments;
        int status;
        const char* error; // a text on standard error
    } cases[] = {
        {"pick mic.tif --auto --diameter 0", 2, "gridcarver-cli: --diameter"},
        {"pick mic.tif --auto --diameter nan", 2, "gridcarver-cli: --diameter"},
        {"pick mic.tif --auto --diameter 600", 2, "gridcarver-cli: --diameter"},
        {"pick mic.tif --auto --diameter 40:20", 2, "gridcarver-cli: --diameter"},
        {"pick mic.tif --auto --diameter 30x", 2, "gridcarver-cli: --diameter"},
        {"pick mic.tif --auto --diameter 0.5", 2, "gridcarver-cli: --diameter"},
        {"pick mic.tif --auto --diameter 1e-320:30", 2, "gridcarver-cli: --diameter"},
        {"pick blank.mrc --auto --diameter 600", 2, "gridcarver-cli: --diameter"},
        {"pick blank.mrc --auto --diameter 32 --image 2", 2, "gridcarver-cli: "},
        {"pick mic.tif --auto --diameter 32 --threshold nan", 2, pick_text::AUTO_BAD_THRESHOLD},
        {"pick mic.tif --size 40 --threshold nan 100,100", 2, pick_text::AUTO_OPTIONS_ALONE},
        {"pick mic.tif --auto --diameter 30 10,10", 2, "gridcarver-cli: --auto"},
        {"pick mic.tif --auto", 2, "gridcarver-cli: --auto"},
        {"pick mic.tif 100,100", 2, "gridcarver-cli: --size"},
        {"pick mic.tif --size 40 --dry-run 100,100", 2, pick_text::AUTO_OPTIONS_ALONE},
        {"pick blank.mrc --auto --diameter 32", 3, pick_text::AUTO_NONE_FOUND},
    };
    for (const auto& c : cases) {
        const test::CliRun run = test::RunCliIn(dir, c.arguments);
        EXPECT_EQ(run.m_nStatus, c.status) << c.arguments << "\n" << run.m_strErr;
        EXPECT_NE(run.m_strErr.find(c.error), std::string::npos) << c.arguments << "\n" << run.m_strErr;
    }
    EXPECT_EQ(test::FilesIn(dir.Path()), (std::vector<std::string>{"blank.mrc", "mic.tif"}));
}

} // namespace
} // namespace gc
