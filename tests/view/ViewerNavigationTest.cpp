// The viewer's navigation and read-outs without windows: the fitting factor, the pixel under the
// pointer as the view's own resampling shows it, the scroll that keeps a point in place, an MRC
// file's values as stored, and the display-only contrast table.
#include "view/ViewerNavigation.h"
#include "view/PixelReadout.h"
#include "view/ZoomFactor.h"

#include "image/MrcHeader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace gc {
namespace {

TEST(ViewerNavigation, FitZoomIsTheLargestFactorThatShowsTheWholeImage) {
    struct Case {
        int width, height, clientWidth, clientHeight;
    };
    const Case cases[] = {{11625, 14300, 880, 600}, {400, 300, 800, 600}, {3, 1000, 997, 333},
                          {1000, 7, 333, 997},      {640, 480, 640, 480}, {4097, 4099, 1021, 1019}};
    for (const Case& c : cases) {
        const float zoom = FitZoom(c.width, c.height, c.clientWidth, c.clientHeight);
        EXPECT_LE(ZoomedLength(c.width, zoom), c.clientWidth) << c.width;
        EXPECT_LE(ZoomedLength(c.height, zoom), c.clientHeight) << c.height;
        // One side fills the client area to within a pixel.
        EXPECT_TRUE(ZoomedLength(c.width, zoom) >= c.clientWidth - 1 ||
                    ZoomedLength(c.height, zoom) >= c.clientHeight - 1)
            << c.width << " × " << c.height;
    }
    EXPECT_EQ(FitZoom(0, 10, 100, 100), 1.0f);
}

TEST(ViewerNavigation, WheelStepsAreBoundedAndReversible) {
    EXPECT_FLOAT_EQ(WheelZoom(1.0f, 120), 1.25f);
    EXPECT_FLOAT_EQ(WheelZoom(WheelZoom(0.3f, 240), -240), 0.3f);
    EXPECT_FLOAT_EQ(WheelZoom(0.011f, -1200), static_cast<float>(WHEEL_ZOOM_MINIMUM));
    EXPECT_FLOAT_EQ(WheelZoom(30.0f, 1200), static_cast<float>(WHEEL_ZOOM_MAXIMUM));
}

// Each pixel of a test image carries its own coordinates; the pixel the read-out names must be the
// one StretchTo put at that place of the displayed picture, at every factor and scroll position.
TEST(ViewerNavigation, PixelUnderPointerIsThePixelTheViewShows) {
    DIBSection image;
    image.Create(37, 23, 24);
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            unsigned char* pixel = image.MemoryRow(22 - y) + 3 * x;
            pixel[0] = static_cast<unsigned char>(x);
            pixel[1] = static_cast<unsigned char>(y);
        }
    for (const float zoom : {1.0f, 0.05f, 0.35f, 0.75f, 1.05f, 2.5f, 7.0f}) {
        const ViewSize zoomed{ZoomedLength(37, zoom), ZoomedLength(23, zoom)};
        DIBSection shown;
        image.StretchTo(shown, zoomed.cx, zoomed.cy);
        if (!shown.IsValid())
            continue;
        for (const ViewPoint scroll : {ViewPoint{0, 0}, ViewPoint{3, 2}})
            for (int wy = 0; wy + scroll.y < zoomed.cy; ++wy)
                for (int wx = 0; wx + scroll.x < zoomed.cx; ++wx) {
                    const auto pixel = PixelUnderPointer({wx, wy}, scroll, zoomed, 37, 23);
                    ASSERT_TRUE(pixel.has_value());
                    unsigned char rgba[4];
                    shown.GetPixelColor(wx + scroll.x, wy + scroll.y, rgba);
                    ASSERT_EQ(pixel->x, rgba[2]) << zoom;
                    ASSERT_EQ(pixel->y, rgba[1]) << zoom;
                }
        EXPECT_FALSE(PixelUnderPointer({zoomed.cx, 0}, {0, 0}, zoomed, 37, 23));
        EXPECT_FALSE(PixelUnderPointer({0, -1}, {0, 0}, zoomed, 37, 23));
    }
}

TEST(ViewerNavigation, ZoomingKeepsThePointUnderThePointer) {
    for (const float from : {1.0f, 0.25f, 3.0f})
        for (const float to : {0.5f, 1.25f, 4.0f}) {
            const ViewPoint scroll{120, 40}, pointer{200, 150};
            const ViewPoint after = ScrollKeepingPoint(scroll, pointer, from, to);
            SCOPED_TRACE(std::to_string(from) + " → " + std::to_string(to));
            if (after.x > 0) { // else the point lies left of what can be scrolled to
                EXPECT_NEAR((scroll.x + pointer.x) / from, (after.x + pointer.x) / to, 1.0 / to);
            }
            if (after.y > 0) { // else the point lies above what can be scrolled to
                EXPECT_NEAR((scroll.y + pointer.y) / from, (after.y + pointer.y) / to, 1.0 / to);
            }
        }
    // Zooming out near the corner cannot scroll before the start.
    EXPECT_EQ(ScrollKeepingPoint({0, 0}, {10, 10}, 2.0f, 1.0f), (ViewPoint{0, 0}));
}

// Values as stored, for every mode and byte order, at section, row and column offsets.
TEST(PixelReadout, MrcProbeReadsTheFilesOwnValues) {
    test::TempDir dir;
    struct Case {
        int mode;
        bool bigEndian;
        double expected; // value at section 1, (2, 1) of a 3 × 2 × 2 stack filled by index
    };
    const Case cases[] = {{MRC_MODE_BYTE, false, 200},     {MRC_MODE_INT16, false, -9},
                          {MRC_MODE_UINT16, false, 60000}, {MRC_MODE_FLOAT, false, -0.375},
                          {MRC_MODE_FLOAT, true, -0.375},  {MRC_MODE_INT16, true, -9}};
    for (const Case& c : cases) {
        MrcHeader header;
        header.SetImage(3, 2, c.mode, 2);
        header.m_nNSymBT = 8;
        if (c.bigEndian)
            header.m_cMachineStamp[0] = MRC_STAMP_BIG_ENDIAN;
        auto bytes = header.Bytes();
        if (c.bigEndian)                          // the header's numbers in the file's order too
            for (int word = 0; word < 53; ++word) // up to the machine stamp
                std::swap(bytes[4 * word], bytes[4 * word + 3]),
                    std::swap(bytes[4 * word + 1], bytes[4 * word + 2]);
        std::vector<unsigned char> file(bytes.begin(), bytes.end());
        file.resize(file.size() + 8, 0xEE); // extended header
        const int size = MrcBytesPerSample(c.mode);
        for (int i = 0; i < 12; ++i) {
            unsigned char sample[4] = {};
            const bool target = i == 11; // section 1, row 1, column 2
            if (c.mode == MRC_MODE_FLOAT) {
                const float value = target ? -0.375f : static_cast<float>(i);
                std::memcpy(sample, &value, 4);
            } else {
                const int value = target ? static_cast<int>(c.expected) : i;
                sample[0] = static_cast<unsigned char>(value);
                sample[1] = static_cast<unsigned char>(value >> 8);
            }
            if (c.bigEndian)
                std::reverse(sample, sample + size);
            file.insert(file.end(), sample, sample + size);
        }
        const std::string path = dir.File("stack.mrc");
        test::WriteFileBytes(path, file);
        MrcValueProbe probe;
        ASSERT_TRUE(probe.Open(path)) << c.mode;
        EXPECT_EQ(probe.ValueAt(1, 2, 1), c.expected) << c.mode << c.bigEndian;
        EXPECT_EQ(probe.ValueAt(0, 1, 0), 1.0) << c.mode << c.bigEndian;
        EXPECT_FALSE(probe.ValueAt(2, 0, 0));
        EXPECT_FALSE(probe.ValueAt(0, 3, 0));
    }
    EXPECT_EQ(MrcValuePaneText(-0.375, MRC_MODE_FLOAT), "value -0.375");
    EXPECT_EQ(MrcValuePaneText(60000, MRC_MODE_UINT16), "value 60000");
    EXPECT_EQ(PositionPaneText(0, 9), "x 1, y 10");
    EXPECT_EQ(ZoomPaneText(0.0769f), "Zoom 7.7%");
    EXPECT_EQ(ZoomPaneText(1.0f), "Zoom 100%");
    EXPECT_EQ(PictureValuePaneText(7, 7, 7), "grey 7");
    EXPECT_EQ(PictureValuePaneText(1, 2, 3), "RGB 1, 2, 3");
}

TEST(PixelReadout, AutoContrastStretchesBetweenTheQuantiles) {
    // 1000 pixels: 4 at 0 (below 0.5 %), the rest 100..139, 4 at 255 (above 99.5 %).
    DIBSection image;
    image.Create(1000, 1, 24);
    for (int x = 0; x < 1000; ++x) {
        const int level = x < 4 ? 0 : x >= 996 ? 255 : 100 + (x % 40);
        std::memset(image.MemoryRow(0) + 3 * x, level, 3);
    }
    const DIBSection copy = image;
    const ContrastTable table = AutoContrastTable(image);
    EXPECT_EQ(table[100], 0);
    EXPECT_EQ(table[139], 255);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[255], 255);
    EXPECT_GT(table[120], table[110]);
    EXPECT_EQ(std::memcmp(copy.MemoryRow(0), image.MemoryRow(0), 3000), 0); // the image is only read

    DIBSection flat;
    flat.Create(8, 8, 24);
    EXPECT_EQ(AutoContrastTable(flat), IdentityContrast());
}

} // namespace
} // namespace gc
