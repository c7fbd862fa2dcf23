#include "ViewerNavigation.h"

#include "ZoomFactor.h"

#include <algorithm>
#include <cmath>

namespace gc {

float FitZoom(int width, int height, int clientWidth, int clientHeight) {
    if (width <= 0 || height <= 0 || clientWidth <= 0 || clientHeight <= 0)
        return 1.0f;
    auto zoom = static_cast<float>(
        std::min(static_cast<double>(clientWidth) / width, static_cast<double>(clientHeight) / height));
    // Single precision may round the quotient up by a hair; step down until both lengths fit.
    while (zoom > 0 && (ZoomedLength(width, zoom) > clientWidth || ZoomedLength(height, zoom) > clientHeight))
        zoom = std::nextafter(zoom, 0.0f);
    return zoom;
}

float WheelZoom(float zoom, int angleDelta) {
    const double notches = static_cast<double>(angleDelta) / WHEEL_NOTCH;
    const double next = static_cast<double>(zoom) * std::pow(WHEEL_ZOOM_STEP, notches);
    return static_cast<float>(std::clamp(next, WHEEL_ZOOM_MINIMUM, WHEEL_ZOOM_MAXIMUM));
}

ViewPoint ScrollKeepingPoint(ViewPoint scroll, ViewPoint pointer, float oldZoom, float newZoom) {
    const double ratio = static_cast<double>(newZoom) / static_cast<double>(oldZoom);
    auto keep = [ratio](int scrollCoordinate, int pointerCoordinate) {
        const double picture = (static_cast<double>(scrollCoordinate) + pointerCoordinate) * ratio;
        return std::max(0, static_cast<int>(std::lround(picture - pointerCoordinate)));
    };
    return {keep(scroll.x, pointer.x), keep(scroll.y, pointer.y)};
}

std::optional<ViewPoint> PixelUnderPointer(ViewPoint pointer, ViewPoint scroll, float zoom, int width,
                                           int height) {
    const long long shownX = static_cast<long long>(pointer.x) + scroll.x;
    const long long shownY = static_cast<long long>(pointer.y) + scroll.y;
    if (width <= 0 || height <= 0 || !(zoom > 0) || shownX < 0 || shownY < 0 ||
        shownX >= ZoomedLength(width, zoom) || shownY >= ZoomedLength(height, zoom))
        return std::nullopt;
    const auto source = [zoom](long long shown, int length) {
        return std::min(static_cast<int>(static_cast<double>(shown) / static_cast<double>(zoom)), length - 1);
    };
    return ViewPoint{source(shownX, width), source(shownY, height)};
}

float KeyZoom(float zoom, bool in) {
    return WheelZoom(zoom, in ? WHEEL_NOTCH : -WHEEL_NOTCH);
}

} // namespace gc
