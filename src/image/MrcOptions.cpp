#include "MrcOptions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace gc {

std::string PixelSizeText(double angstrom) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", angstrom);
    return text;
}

bool PixelSizeFromText(const std::string& text, double& angstrom) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        angstrom = 0;
        return true;
    }
    const std::string trimmed = text.substr(first, text.find_last_not_of(' ') - first + 1);
    char* end = nullptr;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(value) || value <= 0 ||
        value > MAX_PIXEL_SIZE)
        return false;
    angstrom = value;
    return true;
}

} // namespace gc
