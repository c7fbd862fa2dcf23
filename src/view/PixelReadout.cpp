#include "PixelReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <sstream>

namespace gc {

std::string ZoomPaneText(float zoom) {
    char text[32];
    const double percent = std::round(static_cast<double>(zoom) * 1000.0) / 10.0;
    if (percent == std::floor(percent))
        std::snprintf(text, sizeof text, "Zoom %.0f%%", percent);
    else
        std::snprintf(text, sizeof text, "Zoom %.1f%%", percent);
    return text;
}

std::string PositionPaneText(int x, int y) {
    return "x " + std::to_string(x + 1) + ", y " + std::to_string(y + 1);
}

std::string MrcValuePaneText(double value, int mode) {
    if (mode != MRC_MODE_FLOAT)
        return "value " + std::to_string(static_cast<long long>(value));
    std::ostringstream text;
    text.precision(6);
    text << "value " << value;
    return text.str();
}

std::string PictureValuePaneText(unsigned char red, unsigned char green, unsigned char blue) {
    if (red == green && green == blue)
        return "grey " + std::to_string(red);
    return "RGB " + std::to_string(red) + ", " + std::to_string(green) + ", " + std::to_string(blue);
}

std::string StoreValuePaneText(const PixelStore& image, int x, int y) {
    if (image.Channels() == 3)
        return PictureValuePaneText(static_cast<unsigned char>(image.Value(x, y, 0)),
                                    static_cast<unsigned char>(image.Value(x, y, 1)),
                                    static_cast<unsigned char>(image.Value(x, y, 2)));
    const double value = image.Value(x, y);
    switch (image.Type()) {
    case SampleType::UInt8:
        return PictureValuePaneText(static_cast<unsigned char>(value), static_cast<unsigned char>(value),
                                    static_cast<unsigned char>(value));
    case SampleType::Int16:
    case SampleType::UInt16:
        return MrcValuePaneText(value, MRC_MODE_INT16);
    case SampleType::Float32:
        break;
    }
    return MrcValuePaneText(value, MRC_MODE_FLOAT);
}

} // namespace gc
