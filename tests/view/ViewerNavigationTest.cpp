// The viewer's navigation and read-outs without windows: the fitting factor, the pixel under the
// pointer as the view's own resampling shows it, the scroll that keeps a point in place, an MRC
// file's values as stored, and the display-only contrast table.
#include "view/ViewerNavigation.h"
#include "view/ImageRenderer.h"
#include "view/PixelReadout.h"
#include "view/ZoomFactor.h"

#include "image/MrcHeader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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

// Each pixel carries its own column and row as values; at every magnification and scroll position
// the pixel the read-out names is the one the renderer painted there.
TEST(ViewerNavigation, PixelUnderPointerIsThePixelTheViewShows) {
    PixelStore image;
    ASSERT_TRUE(image.Allocate(37, 23, SampleType::UInt8, 3));
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            image.MutableRow(y)[3 * x] = static_cast<unsigned char>(x);
            image.MutableRow(y)[3 * x + 1] = static_cast<unsigned char>(y);
        }
    ImageRenderer renderer;
    renderer.SetImage(&image);
    for (const float zoom : {1.0f, 1.05f, 2.5f, 7.0f}) {
        const ViewSize zoomed{ZoomedLength(37, zoom), ZoomedLength(23, zoom)};
        for (const ViewPoint scroll : {ViewPoint{0, 0}, ViewPoint{3, 2}}) {
            std::vector<std::uint32_t> shown(static_cast<std::size_t>(zoomed.cx * zoomed.cy));
            renderer.Render({zoom, scroll.x, scroll.y, zoomed.cx, zoomed.cy}, shown.data(), zoomed.cx);
            for (int wy = 0; wy + scroll.y < zoomed.cy; ++wy)
                for (int wx = 0; wx + scroll.x < zoomed.cx; ++wx) {
                    const auto pixel = PixelUnderPointer({wx, wy}, scroll, zoom, 37, 23);
                    ASSERT_TRUE(pixel.has_value());
                    const std::uint32_t word = shown[static_cast<std::size_t>(wy * zoomed.cx + wx)];
                    ASSERT_EQ(pixel->x, static_cast<int>(word >> 16 & 0xff)) << zoom;
                    ASSERT_EQ(pixel->y, static_cast<int>(word >> 8 & 0xff)) << zoom;
                }
        }
        EXPECT_FALSE(PixelUnderPointer({zoomed.cx, 0}, {0, 0}, zoom, 37, 23));
        EXPECT_FALSE(PixelUnderPointer({0, -1}, {0, 0}, zoom, 37, 23));
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
TEST(PixelReadout, PaneTexts) {
    EXPECT_EQ(MrcValuePaneText(-0.375, MRC_MODE_FLOAT), "value -0.375");
    EXPECT_EQ(MrcValuePaneText(60000, MRC_MODE_UINT16), "value 60000");
    EXPECT_EQ(PositionPaneText(0, 9), "x 1, y 10");
    EXPECT_EQ(ZoomPaneText(0.0769f), "Zoom 7.7%");
    EXPECT_EQ(ZoomPaneText(1.0f), "Zoom 100%");
    EXPECT_EQ(PictureValuePaneText(7, 7, 7), "grey 7");
    EXPECT_EQ(PictureValuePaneText(1, 2, 3), "RGB 1, 2, 3");
}

TEST(DisplayMapping, AutoWindowLiesBetweenTheQuantiles) {
    // 1000 values: 4 at 0 (below 0.5 %), the rest 100..139, 4 at 255 (above 99.5 %).
    std::vector<float> values(1000);
    for (int x = 0; x < 1000; ++x)
        values[static_cast<std::size_t>(x)] = static_cast<float>(x < 4 ? 0 : x >= 996 ? 255 : 100 + (x % 40));
    const DisplayMapping mapping = AutoMapping(HistogramOf(values.data(), values.size()));
    EXPECT_NEAR(mapping.low, 100, 1.0);
    EXPECT_NEAR(mapping.high, 140, 1.0);
    EXPECT_EQ(mapping.Grey(0), 0);
    EXPECT_EQ(mapping.Grey(255), 255);
    DisplayMapping inverted = mapping;
    inverted.invert = true;
    EXPECT_EQ(inverted.Grey(0), 255);
    const std::vector<float> flat(64, 7.0f);
    const DisplayMapping one = AutoMapping(HistogramOf(flat.data(), flat.size()));
    EXPECT_LT(one.low, one.high);
}

} // namespace
} // namespace gc
