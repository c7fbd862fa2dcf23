// Generated micrographs with known particle centres for the particle search's tests: projected balls
// darker (or brighter) than a background with a gradient, white noise, optionally waves two and a half
// particles long, and optionally one large dark contamination that holds no particle.
#pragma once

#include "image/DIBSection.h"
#include "image/MrcHeader.h"
#include "pick/PickState.h"
#include "pick/PickValues.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace gc::test {

struct SyntheticMicrograph {
    int m_nWidth = 0, m_nHeight = 0;
    std::vector<float> m_values; // row by row from the top
    std::vector<PickPoint> m_centres;
    PickPoint m_contamination{-1, -1}; // centre of the dark area, if any
    double m_dContaminationRadius = 0;
};

struct MicrographRecipe {
    unsigned seed = 1;
    int width = 1024, height = 1024;
    double diameter = 40; // pixels
    int particles = 100;  // attempted; fewer when they do not fit
    double noise = 1.0;   // white noise in units of a particle's peak contrast
    double waves = 0;     // amplitude of the waves across and down, in the same units
    bool bright = false;
    bool contamination = false;
    // Where the contamination lies (the default: a third across, halfway down) and its radius in
    // particle diameters.
    PickPoint contaminationCentre{-1, -1};
    double contaminationRadius = 2.5;
};

// Centres at least 1.2 diameters apart and a diameter from the edges (and the contamination).
inline SyntheticMicrograph MakeMicrograph(const MicrographRecipe& recipe) {
    SyntheticMicrograph m;
    m.m_nWidth = recipe.width;
    m.m_nHeight = recipe.height;
    std::mt19937 random(recipe.seed);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const double d = recipe.diameter, radius = d / 2;
    if (recipe.contamination) {
        m.m_contamination = recipe.contaminationCentre.x < 0 ? PickPoint{recipe.width / 3, recipe.height / 2}
                                                             : recipe.contaminationCentre;
        m.m_dContaminationRadius = recipe.contaminationRadius * d;
    }
    const auto free = [&](double x, double y) {
        for (const PickPoint& c : m.m_centres)
            if (std::hypot(c.x - x, c.y - y) < 1.2 * d)
                return false;
        return !recipe.contamination ||
               std::hypot(m.m_contamination.x - x, m.m_contamination.y - y) > m.m_dContaminationRadius + d;
    };
    for (int attempt = 0;
         attempt < recipe.particles * 30 && static_cast<int>(m.m_centres.size()) < recipe.particles;
         ++attempt) {
        const double x = d + uniform(random) * (recipe.width - 2 * d);
        const double y = d + uniform(random) * (recipe.height - 2 * d);
        if (free(x, y))
            m.m_centres.push_back({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)});
    }
    std::normal_distribution<double> normal(0.0, recipe.noise);
    const double sign = recipe.bright ? 1.0 : -1.0;
    m.m_values.resize(static_cast<std::size_t>(recipe.width) * recipe.height);
    for (int y = 0; y < recipe.height; ++y)
        for (int x = 0; x < recipe.width; ++x) {
            double value = 20.0 + 1.5 * x / recipe.width - 1.0 * y / recipe.height + normal(random) +
                           recipe.waves * (std::sin(2.5 * x / d) + std::sin(2.5 * y / d));
            if (recipe.contamination) {
                const double r = std::hypot(x - m.m_contamination.x, y - m.m_contamination.y);
                value -= r < m.m_dContaminationRadius ? 3.0 : 0.0;
            }
            m.m_values[static_cast<std::size_t>(y) * recipe.width + x] = static_cast<float>(value);
        }
    for (const PickPoint& c : m.m_centres)
        for (int y = std::max(0, c.y - static_cast<int>(radius));
             y <= std::min(recipe.height - 1, c.y + static_cast<int>(radius)); ++y)
            for (int x = std::max(0, c.x - static_cast<int>(radius));
                 x <= std::min(recipe.width - 1, c.x + static_cast<int>(radius)); ++x) {
                const double r2 = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
                if (r2 < radius * radius)
                    m.m_values[static_cast<std::size_t>(y) * recipe.width + x] +=
                        static_cast<float>(sign * std::sqrt(1.0 - r2 / (radius * radius)));
            }
    return m;
}

// The micrograph's values as a picking source.
class MicrographRows final : public PickRowSource {
public:
    explicit MicrographRows(const SyntheticMicrograph& m) : m_micrograph(m) {}
    bool ReadRow(int row, int left, int count, float* values) override {
        std::memcpy(values,
                    m_micrograph.m_values.data() + static_cast<std::size_t>(row) * m_micrograph.m_nWidth +
                        left,
                    sizeof(float) * static_cast<std::size_t>(count));
        return true;
    }

private:
    const SyntheticMicrograph& m_micrograph;
};

// The micrograph as a float MRC file, rows as stored from the top.
inline std::vector<unsigned char> MicrographMrcBytes(const SyntheticMicrograph& m) {
    MrcHeader header;
    header.SetImage(m.m_nWidth, m.m_nHeight, MRC_MODE_FLOAT, 1);
    const auto headerBytes = header.Bytes();
    std::vector<unsigned char> file(headerBytes.begin(), headerBytes.end());
    for (float value : m.m_values) {
        unsigned char bytes[4];
        PutFloatLE(bytes, value);
        file.insert(file.end(), bytes, bytes + 4);
    }
    return file;
}

// The micrograph as an 8-bit grey picture: values scaled from their range onto 0..255.
inline DIBSection MicrographPicture(const SyntheticMicrograph& m) {
    const auto [low, high] = std::minmax_element(m.m_values.begin(), m.m_values.end());
    DIBSection picture;
    picture.Create(m.m_nWidth, m.m_nHeight, 24);
    for (int y = 0; y < m.m_nHeight; ++y) {
        unsigned char* row = picture.MemoryRow(m.m_nHeight - 1 - y);
        for (int x = 0; x < m.m_nWidth; ++x) {
            const double value =
                (m.m_values[static_cast<std::size_t>(y) * m.m_nWidth + x] - *low) / (*high - *low);
            std::fill(row + 3 * x, row + 3 * x + 3, static_cast<unsigned char>(std::lround(255 * value)));
        }
    }
    return picture;
}

// How many of `found` lie within `tolerance` of a true centre not matched before (each true centre
// matches once).
inline int MatchedCount(const std::vector<PickPoint>& found, const std::vector<PickPoint>& truth,
                        double tolerance) {
    std::vector<bool> used(truth.size(), false);
    int matched = 0;
    for (const PickPoint& f : found)
        for (std::size_t i = 0; i < truth.size(); ++i)
            if (!used[i] && std::hypot(f.x - truth[i].x, f.y - truth[i].y) <= tolerance) {
                used[i] = true;
                ++matched;
                break;
            }
    return matched;
}

} // namespace gc::test
