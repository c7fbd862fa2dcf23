// Block-average reduction of an image read row by row, the quadratic background fit and robust
// statistics for the particle search.
#include "PickPlane.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

namespace gc {
namespace {

constexpr int SURFACE_TERMS = 6;
using SurfaceVector = std::array<double, SURFACE_TERMS>;
using SurfaceMatrix = std::array<SurfaceVector, SURFACE_TERMS>;

// The terms 1, u, v, u², uv, v² at (u, v), coordinates scaled to -1..1 to keep the system well
// conditioned.
SurfaceVector SurfaceTerms(double u, double v) {
    return {1.0, u, v, u * u, u * v, v * v};
}

// Solves matrix · x = right by Gaussian elimination with partial pivoting; false when singular.
bool SolveSurface(SurfaceMatrix matrix, SurfaceVector right, SurfaceVector& solution) {
    for (int column = 0; column < SURFACE_TERMS; ++column) {
        int pivot = column;
        for (int row = column + 1; row < SURFACE_TERMS; ++row)
            if (std::fabs(matrix[row][column]) > std::fabs(matrix[pivot][column]))
                pivot = row;
        if (std::fabs(matrix[pivot][column]) < 1e-12)
            return false;
        std::swap(matrix[pivot], matrix[column]);
        std::swap(right[pivot], right[column]);
        for (int row = column + 1; row < SURFACE_TERMS; ++row) {
            const double ratio = matrix[row][column] / matrix[column][column];
            for (int k = column; k < SURFACE_TERMS; ++k)
                matrix[row][k] -= ratio * matrix[column][k];
            right[row] -= ratio * right[column];
        }
    }
    for (int row = SURFACE_TERMS - 1; row >= 0; --row) {
        double value = right[row];
        for (int k = row + 1; k < SURFACE_TERMS; ++k)
            value -= matrix[row][k] * solution[k];
        solution[row] = value / matrix[row][row];
    }
    return true;
}

double Scaled(int position, int size) {
    return size > 1 ? 2.0 * position / (size - 1) - 1.0 : 0.0;
}

} // namespace

bool ShrinkImage(PickRowSource& rows, int width, int height, int factor, PickPlane& shrunk) {
    if (width <= 0 || height <= 0 || factor <= 0)
        return false;
    try {
        shrunk.m_nWidth = (width + factor - 1) / factor;
        shrunk.m_nHeight = (height + factor - 1) / factor;
        shrunk.m_values.assign(static_cast<std::size_t>(shrunk.m_nWidth) * shrunk.m_nHeight, 0.0f);
        std::vector<float> row(static_cast<std::size_t>(width));
        std::vector<double> sums(static_cast<std::size_t>(shrunk.m_nWidth));
        for (int top = 0, target = 0; top < height; top += factor, ++target) {
            std::fill(sums.begin(), sums.end(), 0.0);
            const int blockRows = std::min(factor, height - top);
            for (int r = 0; r < blockRows; ++r) {
                if (!rows.ReadRow(top + r, 0, width, row.data()))
                    return false;
                for (int x = 0; x < width; ++x)
                    sums[static_cast<std::size_t>(x / factor)] += row[static_cast<std::size_t>(x)];
            }
            for (int column = 0; column < shrunk.m_nWidth; ++column) {
                const int blockColumns = std::min(factor, width - column * factor);
                shrunk.m_values[shrunk.Index(column, target)] =
                    static_cast<float>(sums[static_cast<std::size_t>(column)] / (blockRows * blockColumns));
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void RemoveQuadraticBackground(PickPlane& plane) {
    SurfaceMatrix normal{};
    SurfaceVector right{};
    // Every second pixel in both directions is plenty for six numbers.
    for (int y = 0; y < plane.m_nHeight; y += 2)
        for (int x = 0; x < plane.m_nWidth; x += 2) {
            const SurfaceVector terms = SurfaceTerms(Scaled(x, plane.m_nWidth), Scaled(y, plane.m_nHeight));
            const double value = plane.At(x, y);
            for (int i = 0; i < SURFACE_TERMS; ++i) {
                right[i] += terms[i] * value;
                for (int j = 0; j < SURFACE_TERMS; ++j)
                    normal[i][j] += terms[i] * terms[j];
            }
        }
    SurfaceVector surface{};
    if (!SolveSurface(normal, right, surface)) {
        // Too few pixels for a surface: a constant level.
        surface = {};
        surface[0] = normal[0][0] > 0 ? right[0] / normal[0][0] : 0.0;
    }
    for (int y = 0; y < plane.m_nHeight; ++y)
        for (int x = 0; x < plane.m_nWidth; ++x) {
            const SurfaceVector terms = SurfaceTerms(Scaled(x, plane.m_nWidth), Scaled(y, plane.m_nHeight));
            double level = 0;
            for (int i = 0; i < SURFACE_TERMS; ++i)
                level += terms[i] * surface[i];
            plane.m_values[plane.Index(x, y)] -= static_cast<float>(level);
        }
}

RobustSpread RobustSpreadOf(const float* values, std::size_t count, std::size_t samples) {
    if (count == 0)
        return {};
    const std::size_t step = std::max<std::size_t>(1, count / std::max<std::size_t>(samples, 1));
    std::vector<float> picked;
    picked.reserve(count / step + 1);
    for (std::size_t i = 0; i < count; i += step)
        picked.push_back(values[i]);
    const auto middle = picked.begin() + static_cast<std::ptrdiff_t>(picked.size() / 2);
    std::nth_element(picked.begin(), middle, picked.end());
    const double median = *middle;
    for (float& value : picked)
        value = static_cast<float>(std::fabs(value - median));
    std::nth_element(picked.begin(), middle, picked.end());
    const double sigma = 1.4826 * *middle;
    return {median, sigma > 0 ? sigma : 1.0};
}

} // namespace gc
