// Block-average reduction of an image read row by row, the quadratic background fit and robust
// statistics for the particle search.
#include "PickPlane.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <utility>

namespace gc {
namespace {

constexpr int SURFACE_TERMS = 6;
using SurfaceVector = std::array<double, SURFACE_TERMS>;
using SurfaceMatrix = std::array<SurfaceVector, SURFACE_TERMS>;

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

// Coordinates scaled to -1..1 keep the system well conditioned.
double Scaled(int position, int size) {
    return size > 1 ? 2.0 * position / (size - 1) - 1.0 : 0.0;
}

// The powers of u and v in each of the terms 1, u, v, u², uv, v².
constexpr int TERM_POWERS[SURFACE_TERMS][2] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1}, {0, 2}};

void AddPowers(std::array<double, 5>& sums, double value) {
    double power = 1.0;
    for (double& sum : sums) {
        sum += power;
        power *= value;
    }
}

// Block sums of the rows of one band of blocks. Values that are not finite numbers (NaN or infinite
// samples of a float image) are left out of their block's mean; a block without any is marked NaN
// for FillEmptyBlocks.
class BlockSums {
public:
    explicit BlockSums(int columns)
        : m_sums(static_cast<std::size_t>(columns)), m_counts(static_cast<std::size_t>(columns)) {}
    void Clear() {
        std::fill(m_sums.begin(), m_sums.end(), 0.0);
        std::fill(m_counts.begin(), m_counts.end(), 0);
    }
    void Add(const float* row, int width, int factor) {
        for (std::size_t column = 0; column < m_sums.size(); ++column) {
            const int left = static_cast<int>(column) * factor;
            const int count = std::min(factor, width - left);
            float sum = 0;
            for (int x = left; x < left + count; ++x)
                sum += row[x];
            if (std::isfinite(sum)) {
                m_sums[column] += sum;
                m_counts[column] += count;
                continue;
            }
            // Rare: a value that is not finite, or finite ones whose float sum overflows.
            for (int x = left; x < left + count; ++x)
                if (std::isfinite(row[x])) {
                    m_sums[column] += row[x];
                    ++m_counts[column];
                }
        }
    }
    float Mean(int column) const {
        const auto index = static_cast<std::size_t>(column);
        return m_counts[index] > 0 ? static_cast<float>(m_sums[index] / m_counts[index]) : NAN;
    }

private:
    std::vector<double> m_sums;
    std::vector<int> m_counts;
};

// Gives the blocks that held no finite value the mean of the others (0 when there are none), so that
// they add no detail of their own.
void FillEmptyBlocks(std::vector<float>& values) {
    double sum = 0;
    std::size_t count = 0, empty = 0;
    for (float value : values) {
        if (std::isnan(value)) {
            ++empty;
            continue;
        }
        sum += value;
        ++count;
    }
    if (empty == 0)
        return;
    const auto mean = static_cast<float>(count > 0 ? sum / static_cast<double>(count) : 0.0);
    for (float& value : values)
        if (std::isnan(value))
            value = mean;
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
        BlockSums sums(shrunk.m_nWidth);
        for (int top = 0, target = 0; top < height; top += factor, ++target) {
            sums.Clear();
            for (int r = 0; r < std::min(factor, height - top); ++r) {
                if (!rows.ReadRow(top + r, 0, width, row.data()))
                    return false;
                sums.Add(row.data(), width, factor);
            }
            float* out = shrunk.m_values.data() + shrunk.Index(0, target);
            for (int column = 0; column < shrunk.m_nWidth; ++column)
                out[column] = sums.Mean(column);
        }
        FillEmptyBlocks(shrunk.m_values);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void RemoveQuadraticBackground(PickPlane& plane) {
    // Every second pixel in both directions is plenty for six numbers. The normal equations of the
    // terms u^a·v^b need only the sums of u^p and v^q (p, q <= 4) and, per row, of u^a·value.
    std::vector<double> u(static_cast<std::size_t>(plane.m_nWidth));
    for (int x = 0; x < plane.m_nWidth; ++x)
        u[static_cast<std::size_t>(x)] = Scaled(x, plane.m_nWidth);
    std::array<double, 5> powersU{}, powersV{};
    for (int x = 0; x < plane.m_nWidth; x += 2)
        AddPowers(powersU, u[static_cast<std::size_t>(x)]);
    SurfaceVector right{};
    for (int y = 0; y < plane.m_nHeight; y += 2) {
        const double v = Scaled(y, plane.m_nHeight);
        AddPowers(powersV, v);
        std::array<double, 3> rowSums{};
        const float* values = plane.m_values.data() + plane.Index(0, y);
        for (int x = 0; x < plane.m_nWidth; x += 2) {
            const double value = values[x], ux = u[static_cast<std::size_t>(x)];
            rowSums[0] += value;
            rowSums[1] += ux * value;
            rowSums[2] += ux * ux * value;
        }
        for (int i = 0; i < SURFACE_TERMS; ++i)
            right[i] += rowSums[TERM_POWERS[i][0]] * std::pow(v, TERM_POWERS[i][1]);
    }
    SurfaceMatrix normal{};
    for (int i = 0; i < SURFACE_TERMS; ++i)
        for (int j = 0; j < SURFACE_TERMS; ++j)
            normal[i][j] = powersU[TERM_POWERS[i][0] + TERM_POWERS[j][0]] *
                           powersV[TERM_POWERS[i][1] + TERM_POWERS[j][1]];
    SurfaceVector surface{};
    if (!SolveSurface(normal, right, surface)) {
        // Too few pixels for a surface: a constant level.
        surface = {};
        surface[0] = normal[0][0] > 0 ? right[0] / normal[0][0] : 0.0;
    }
    for (int y = 0; y < plane.m_nHeight; ++y) {
        // The surface along one row: c0 + c1·u + c2·u².
        const double v = Scaled(y, plane.m_nHeight);
        const double c0 = surface[0] + surface[2] * v + surface[5] * v * v;
        const double c1 = surface[1] + surface[4] * v, c2 = surface[3];
        float* values = plane.m_values.data() + plane.Index(0, y);
        for (int x = 0; x < plane.m_nWidth; ++x) {
            const double ux = u[static_cast<std::size_t>(x)];
            values[x] -= static_cast<float>(c0 + (c1 + c2 * ux) * ux);
        }
    }
}

RobustSpread RobustSpreadOf(const float* values, std::size_t count, std::size_t samples) {
    const std::size_t step = std::max<std::size_t>(1, count / std::max<std::size_t>(samples, 1));
    std::vector<float> picked;
    picked.reserve(count / step + 1);
    for (std::size_t i = 0; i < count; i += step)
        picked.push_back(values[i]);
    return RobustSpreadOfSamples(std::move(picked));
}

RobustSpread RobustSpreadOfSamples(std::vector<float> picked) {
    // Values that are not finite numbers have no place in an order.
    picked.erase(
        std::remove_if(picked.begin(), picked.end(), [](float value) { return !std::isfinite(value); }),
        picked.end());
    if (picked.empty())
        return {};
    const auto middle = picked.begin() + static_cast<std::ptrdiff_t>(picked.size() / 2);
    std::nth_element(picked.begin(), middle, picked.end());
    const double median = *middle;
    for (float& value : picked)
        value = static_cast<float>(std::fabs(value - median));
    std::nth_element(picked.begin(), middle, picked.end());
    const double sigma = 1.4826 * *middle;
    return {median, sigma > 0 && std::isfinite(sigma) ? sigma : 1.0};
}

} // namespace gc
