// A separable Gaussian blur (LowPass.h).
#include "LowPass.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace gc {
namespace {

std::vector<float> Kernel(double sigma, int radius) {
    std::vector<float> kernel(static_cast<std::size_t>(2 * radius + 1));
    double sum = 0;
    for (int i = -radius; i <= radius; ++i) {
        const double weight = std::exp(-0.5 * i * i / (sigma * sigma));
        const int tap = i + radius;
        kernel[static_cast<std::size_t>(tap)] = static_cast<float>(weight);
        sum += weight;
    }
    for (float& weight : kernel)
        weight = static_cast<float>(weight / sum);
    return kernel;
}

// One pass along lines of `length` values `step` apart; `count` lines starting `lineStep` apart.
void BlurLines(float* values, int count, std::ptrdiff_t lineStep, int length, std::ptrdiff_t step,
               const std::vector<float>& kernel, int radius) {
    std::vector<float> line(static_cast<std::size_t>(length));
    for (int l = 0; l < count; ++l) {
        float* start = values + l * lineStep;
        for (int i = 0; i < length; ++i)
            line[static_cast<std::size_t>(i)] = start[i * step];
        for (int i = 0; i < length; ++i) {
            double sum = 0;
            for (int tap = 0; tap <= 2 * radius; ++tap)
                sum += kernel[static_cast<std::size_t>(tap)] *
                       line[static_cast<std::size_t>(std::clamp(i + tap - radius, 0, length - 1))];
            start[i * step] = static_cast<float>(sum);
        }
    }
}

} // namespace

int LowPassMargin(double sigma) {
    return static_cast<int>(std::ceil(3.0 * std::min(sigma, MAX_LOW_PASS_SIGMA)));
}

void GaussianBlur(float* values, int width, int height, int channels, double sigma) {
    sigma = std::min(sigma, MAX_LOW_PASS_SIGMA);
    if (!(sigma > 0) || width <= 0 || height <= 0)
        return;
    const int radius = LowPassMargin(sigma);
    const std::vector<float> kernel = Kernel(sigma, radius);
    const std::ptrdiff_t rowStep = static_cast<std::ptrdiff_t>(width) * channels;
    for (int k = 0; k < channels; ++k) {
        BlurLines(values + k, height, rowStep, width, channels, kernel, radius);
        BlurLines(values + k, width, channels, height, rowStep, kernel, radius);
    }
}

double LowPassSigmaPixels(double width, double pixelSize) {
    return pixelSize > 0 ? width / pixelSize : width;
}

} // namespace gc
