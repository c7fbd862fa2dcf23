#include "ViewGeometry.h"

#include "ViewMessages.h"
#include "ZoomFactor.h"

#include <algorithm>

namespace gc {

ViewPoint PanTarget(ViewPoint scroll, ViewPoint last, ViewPoint pointer, ViewSize zoomed) {
    const int dx = pointer.x - last.x;
    const int dy = pointer.y - last.y;
    ViewPoint target{scroll.x - dx, scroll.y - dy};
    target.x = std::clamp(target.x, 0, std::max(0, zoomed.cx));
    target.y = std::clamp(target.y, 0, std::max(0, zoomed.cy));
    return target;
}

std::string PositionReadout(ViewPoint start, ViewPoint end) {
    std::string text;
    text += MSG_X_POSITION_START + std::to_string(start.x) + "\n";
    text += MSG_Y_POSITION_START + std::to_string(start.y) + "\n";
    text += MSG_X_POSITION_END + std::to_string(end.x) + "\n";
    text += MSG_Y_POSITION_END + std::to_string(end.y) + "\n";
    return text;
}

PickOutline PickOutlineAt(ViewPoint centre, int maskSize, float zoom, ViewPoint scroll) {
    const int half = maskSize / 2;
    PickOutline outline;
    outline.left = ZoomedLength(centre.x, zoom) - scroll.x - ZoomedLength(half, zoom);
    outline.top = ZoomedLength(centre.y, zoom) - scroll.y - ZoomedLength(half, zoom);
    outline.side = ZoomedLength(maskSize, zoom);
    return outline;
}

ViewSize FitToPage(int width, int height, int pageWidth, int pageHeight) {
    ViewSize printed{pageWidth, pageHeight};
    if (width <= 0 || height <= 0)
        return printed;
    const double ratioX = static_cast<double>(pageWidth) / width;
    const double ratioY = static_cast<double>(pageHeight) / height;
    if (ratioY > ratioX)
        printed.cy = static_cast<int>(height * ratioX);
    else
        printed.cx = static_cast<int>(width * ratioY);
    return printed;
}

} // namespace gc
