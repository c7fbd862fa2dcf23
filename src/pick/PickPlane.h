// The picture a particle search works on: the image reduced by whole-pixel block averages (so that a
// particle is a few tens of pixels across) and levelled by removing a smooth quadratic background.
// Reading goes row by row through a PickRowSource, so the whole image is never copied: the memory
// is the reduced picture, one image row and one row of sums.
#pragma once

#include "PickValues.h"

#include <cstddef>
#include <vector>

namespace gc {

// A picture of floats, row by row from the top.
struct PickPlane {
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<float> m_values;

    float At(int x, int y) const { return m_values[Index(x, y)]; }
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_nWidth) + static_cast<std::size_t>(x);
    }
};

// The `width` × `height` image of `rows` reduced by `factor`: each value is the mean of the
// factor × factor block it covers (blocks at the right and bottom edges that are cut short average
// the pixels they hold). Values that are not finite numbers are left out of the means; a block
// without a finite value takes the mean of the others. False when a row cannot be read or memory
// runs out.
bool ShrinkImage(PickRowSource& rows, int width, int height, int factor, PickPlane& shrunk);

// Subtracts the least-squares quadratic surface a + bx + cy + dx² + exy + fy² from the plane, which
// takes out uneven illumination and thickness gradients while leaving particle-sized detail.
void RemoveQuadraticBackground(PickPlane& plane);

// The median and the robust spread (1.4826 × the median absolute deviation) of about `samples`
// evenly spaced values of `values`, leaving out those that are not finite numbers; the spread is
// never 0 (1 when all values are equal or none is finite).
struct RobustSpread {
    double m_dMedian = 0;
    double m_dSigma = 1;
};
RobustSpread RobustSpreadOf(const float* values, std::size_t count, std::size_t samples = 200000);
// The same of the values given.
RobustSpread RobustSpreadOfSamples(std::vector<float> samples);

} // namespace gc
