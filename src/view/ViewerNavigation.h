// Window-free arithmetic of the viewer's navigation commands: the factor that fits an image in the
// window, the factor after a Ctrl+wheel step, the scroll position that keeps the image point under
// the pointer in place while the factor changes, and the image pixel under the pointer.
//
// These complement the documented zoom steps (ZoomFactor.h), which stay as they are.
#pragma once

#include "ViewGeometry.h"

#include <optional>

namespace gc {

// Ctrl+wheel: each notch (120 units of angle) multiplies or divides the factor by this much.
inline constexpr double WHEEL_ZOOM_STEP = 1.25;
inline constexpr double WHEEL_ZOOM_MINIMUM = 0.01;
inline constexpr double WHEEL_ZOOM_MAXIMUM = 32.0;
inline constexpr int WHEEL_NOTCH = 120;

// The largest factor at which a width × height image lies wholly inside a client area of
// clientWidth × clientHeight pixels (both displayed lengths trunc(length × factor) fit); 1.0 for
// an empty image or client area.
float FitZoom(int width, int height, int clientWidth, int clientHeight);

// The factor after a wheel turn of `angleDelta` units (positive: away from the user, zoom in),
// held within WHEEL_ZOOM_MINIMUM .. WHEEL_ZOOM_MAXIMUM.
float WheelZoom(float zoom, int angleDelta);

// The scroll position after the factor changed from `oldZoom` to `newZoom` such that the image
// point under the pointer (window position `pointer`) stays under it; never negative.
ViewPoint ScrollKeepingPoint(ViewPoint scroll, ViewPoint pointer, float oldZoom, float newZoom);

// The image pixel (0-based, y from the top) that the view shows at window position `pointer` when a
// width × height image is displayed at `zoom`: floor((pointer + scroll) / zoom), as the view paints;
// nothing beyond the displayed picture (trunc(width × zoom) × trunc(height × zoom)).
std::optional<ViewPoint> PixelUnderPointer(ViewPoint pointer, ViewPoint scroll, float zoom, int width,
                                           int height);

// The zoom factor after one + or − key step (WHEEL_ZOOM_STEP), within WHEEL_ZOOM_MINIMUM ..
// WHEEL_ZOOM_MAXIMUM.
float KeyZoom(float zoom, bool in);

} // namespace gc
