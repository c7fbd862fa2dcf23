#include "ZoomFactor.h"

namespace gc {

float ZoomIn(float zoom) {
    return static_cast<float>(static_cast<double>(zoom) + ZOOM_STEP);
}

float ZoomOut(float zoom) {
    float result = static_cast<float>(static_cast<double>(zoom) - ZOOM_STEP);
    if (result < ZOOM_MINIMUM)
        result = static_cast<float>(ZOOM_MINIMUM);
    return result;
}

int ZoomedLength(int value, float zoom) {
    return static_cast<int>(static_cast<double>(value) * static_cast<double>(zoom));
}

int UnzoomedLength(int value, float zoom) {
    return static_cast<int>(static_cast<double>(value) / static_cast<double>(zoom));
}

int ImageCoordinate(int window, int scroll, float zoom) {
    return UnzoomedLength(window, zoom) + UnzoomedLength(scroll, zoom);
}

} // namespace gc
