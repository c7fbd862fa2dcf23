#include "split/RunSettings.h"
#include "split/ScanCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tiffio.h>

namespace gc {
namespace {

// The scan's sampling at a magnification: the scanner step (one over pixels per unit) over it.
TEST(ScanPixelSize, FromTheResolutionTags) {
    const struct {
        std::uint16_t unit;
        float x, y;
        double magnification;
        double expected; // 0: refused
    } cases[] = {
        {RESUNIT_CENTIMETER, 1e4f / 7, 1e4f / 7, 50000, 1.4}, // 7 µm step at 50,000×
        {RESUNIT_INCH, 2540.0f / 0.7f, 2540.0f / 0.7f, 50000, 1.4},
        {RESUNIT_CENTIMETER, 1e4f / 7, 1e4f / 7, 25000, 2.8},
        {RESUNIT_NONE, 300, 300, 50000, 0},            // no unit
        {0, 300, 300, 50000, 0},                       // no tag
        {RESUNIT_INCH, 0, 300, 50000, 0},              // no x
        {RESUNIT_INCH, 3690.9375f, 3632.2f, 50000, 0}, // x and y differ
        {RESUNIT_INCH, 3000, 3000, 0, 0},              // no magnification
    };
    for (const auto& c : cases) {
        ScanGeometry geometry;
        geometry.m_nResolutionUnit = c.unit;
        geometry.m_fXResolution = c.x;
        geometry.m_fYResolution = c.y;
        EXPECT_NEAR(ScanPixelSize(geometry, c.magnification), c.expected, 1e-5)
            << c.unit << " " << c.x << " " << c.y << " " << c.magnification;
    }
}

TEST(PixelSizeText, FieldTextsReadAndShown) {
    const struct {
        const char* text;
        bool accepted;
        double value;
    } cases[] = {{"", true, 0},     {"  ", true, 0},    {"1.4", true, 1.4},  {" 0.85 ", true, 0.85},
                 {"0", false, 0},   {"-1", false, 0},   {"1.4A", false, 0},  {"abc", false, 0},
                 {"nan", false, 0}, {"1001", false, 0}, {"1000", true, 1000}};
    for (const auto& c : cases) {
        double value = -7;
        EXPECT_EQ(PixelSizeFromText(c.text, value), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(value, c.value) << c.text;
        }
    }
    EXPECT_EQ(PixelSizeText(1.4), "1.4");
    EXPECT_EQ(PixelSizeText(2.8000001), "2.8");
}

// The summary names the MRC2014 style and the pixel size only when they are set.
TEST(RunSummary, NamesTheMrcStyleAndPixelSizeWhenSet) {
    RunSettings parameters;
    parameters.m_strInputFiles = {"/scans/a.tif"};
    const std::string classic = BuildRunSummary(parameters);
    EXPECT_EQ(classic.find("MRC2014"), std::string::npos);
    EXPECT_EQ(classic.find("Pixel size"), std::string::npos);
    parameters.mrc = {MrcStyle::Mrc2014, 1.4};
    const std::string modern = BuildRunSummary(parameters);
    EXPECT_NE(modern.find("NOTE: MRC files will be written as MRC2014 (unsigned 16-bit).\n"),
              std::string::npos);
    EXPECT_NE(modern.find("Pixel size (A): 1.4\n"), std::string::npos);
    parameters.m_bOutputTiff = true;
    EXPECT_EQ(BuildRunSummary(parameters).find("MRC2014"), std::string::npos);
}

} // namespace
} // namespace gc
