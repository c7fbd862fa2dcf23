// The viewer's zoom factor: a single-precision value stepped by 0.05 with a floor of 0.05, and the
// conversions between image pixels, displayed pixels and pointer positions that depend on it.
//
// Every step is taken in double precision and stored back as single precision, so repeated steps
// drift slightly (ten zoom-outs from 1.0 give 0.49999988). Products and quotients with the factor are
// formed in double precision and truncated toward zero, never rounded.
#pragma once

namespace gc {

inline constexpr float ZOOM_DEFAULT = 1.0f;
inline constexpr double ZOOM_STEP = 0.05;
inline constexpr double ZOOM_MINIMUM = 0.05;

// One zoom-in step; there is no upper limit.
float ZoomIn(float zoom);
// One zoom-out step; a result below 0.05 becomes 0.05.
float ZoomOut(float zoom);
// The factor after Reset Zoom.
inline float ResetZoom() {
    return ZOOM_DEFAULT;
}

// An image length (or coordinate) as displayed: trunc(value × zoom).
int ZoomedLength(int value, float zoom);
// A window or scroll coordinate back in image pixels: trunc(value ÷ zoom).
int UnzoomedLength(int value, float zoom);
// The image coordinate under a pointer: trunc(window ÷ zoom) + trunc(scroll ÷ zoom), each on its own.
int ImageCoordinate(int window, int scroll, float zoom);

} // namespace gc
