// The particle search: reduce, level, band-pass, local maxima, suppression, the rejections and the
// automatic threshold.
#include "AutoPicker.h"

#include "BlobFilter.h"
#include "PickOperations.h"
#include "PickPlane.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <thread>
#include <utility>

namespace gc {
namespace {

// Reduced size of the smallest particle: the factor is the smallest that brings it to 24 pixels.
constexpr double REDUCED_DIAMETER = 24.0;
// Sizes searched between the smallest and the largest diameter: one per this ratio, at most MAX_SCALES.
constexpr double SCALE_RATIO = 1.35;
constexpr int MAX_SCALES = 5;
// Local maxima below this response (noise units) are not candidates.
constexpr float CANDIDATE_FLOOR = 1.0f;
// Where the smoothed picture is this many spreads of its background darker than that background, it
// is not a particle's background.
constexpr float DARK_AREA_LIMIT = 8.0f;

struct PlaneCandidate {
    int x = 0, y = 0;
    float score = 0;
    int scale = 0;
};

int ThreadCount(int requested) {
    if (requested > 0)
        return requested;
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// The Gaussian widths of the Laplacian filters: diameters spread evenly on a log scale from the
// smallest to the largest, each filter's width the diameter / (2·√2), where its response to a disc
// of that diameter peaks.
std::vector<double> DiameterSizes(double reducedMin, double reducedMax) {
    const double ratio = reducedMax / reducedMin;
    // The steps are counted in floating point and capped before they become an int.
    const double steps = std::ceil(std::log(ratio) / std::log(SCALE_RATIO));
    const int count = ratio < 1.15 ? 1 : 1 + static_cast<int>(std::min(steps, MAX_SCALES - 1.0));
    std::vector<double> diameters;
    diameters.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        diameters.push_back(count == 1 ? std::sqrt(reducedMin * reducedMax)
                                       : reducedMin * std::pow(ratio, static_cast<double>(k) / (count - 1)));
    return diameters;
}

// Pixels larger than their eight neighbours (ties broken toward the later pixel) and at least the
// floor; a value that is not a finite number is never a maximum.
std::vector<PlaneCandidate> LocalMaxima(const PickPlane& response, const std::vector<unsigned char>& scales) {
    std::vector<PlaneCandidate> maxima;
    const auto width = static_cast<std::size_t>(response.m_nWidth);
    for (int y = 1; y + 1 < response.m_nHeight; ++y) {
        const float* row = response.m_values.data() + response.Index(0, y);
        const float* above = row - width;
        const float* below = row + width;
        for (int x = 1; x + 1 < response.m_nWidth; ++x) {
            const float value = row[x];
            if (!(value >= CANDIDATE_FLOOR) || std::isinf(value))
                continue;
            // Earlier neighbours must be lower or equal, later ones lower.
            if (row[x - 1] > value || row[x + 1] >= value || above[x - 1] > value || above[x] > value ||
                above[x + 1] > value || below[x - 1] >= value || below[x] >= value || below[x + 1] >= value)
                continue;
            maxima.push_back({x, y, value, scales.empty() ? 0 : scales[response.Index(x, y)]});
        }
    }
    std::sort(maxima.begin(), maxima.end(),
              [](const PlaneCandidate& a, const PlaneCandidate& b) { return a.score > b.score; });
    return maxima;
}

// Keeps, best first, the maxima no closer than `distance` to a better kept one (a grid of cells of
// that side finds the neighbours).
std::vector<PlaneCandidate> SuppressNeighbours(const std::vector<PlaneCandidate>& maxima, double distance,
                                               int width, int height) {
    const int cell = std::max(1, static_cast<int>(std::ceil(distance)));
    const int columns = width / cell + 1, rows = height / cell + 1;
    std::vector<std::vector<int>> grid(static_cast<std::size_t>(columns) * rows);
    std::vector<PlaneCandidate> kept;
    const double limit = distance * distance;
    for (const PlaneCandidate& candidate : maxima) {
        const int cx = candidate.x / cell, cy = candidate.y / cell;
        bool free = true;
        for (int gy = std::max(0, cy - 1); gy <= std::min(rows - 1, cy + 1) && free; ++gy)
            for (int gx = std::max(0, cx - 1); gx <= std::min(columns - 1, cx + 1) && free; ++gx)
                for (int index : grid[static_cast<std::size_t>(gy) * columns + gx]) {
                    const double dx = kept[static_cast<std::size_t>(index)].x - candidate.x;
                    const double dy = kept[static_cast<std::size_t>(index)].y - candidate.y;
                    if (dx * dx + dy * dy < limit) {
                        free = false;
                        break;
                    }
                }
        if (!free)
            continue;
        grid[static_cast<std::size_t>(cy) * columns + cx].push_back(static_cast<int>(kept.size()));
        kept.push_back(candidate);
    }
    return kept;
}

// Whether the candidate lies where the picture, smoothed over a particle, is darker than its
// background by DARK_AREA_LIMIT.
bool OnDarkArea(const BlobMaps& maps, const PlaneCandidate& candidate) {
    return maps.DarknessAt(candidate.x, candidate.y) > DARK_AREA_LIMIT;
}

// The peak's position refined along one axis by a parabola through it and its two neighbours.
double Refined(float before, float at, float after) {
    const double curvature = before - 2.0 * at + after;
    const double offset = 0.5 * (before - after) / curvature;
    // A flat or hollow top, or neighbours that are not finite numbers: the peak's own pixel.
    if (!(curvature < 0) || !std::isfinite(offset))
        return 0;
    return std::clamp(offset, -0.5, 0.5);
}

// The candidate in image pixels.
PickPoint ImagePosition(const PickPlane& response, const PlaneCandidate& candidate, int shrink, int width,
                        int height) {
    const double dx = Refined(response.At(candidate.x - 1, candidate.y), candidate.score,
                              response.At(candidate.x + 1, candidate.y));
    const double dy = Refined(response.At(candidate.x, candidate.y - 1), candidate.score,
                              response.At(candidate.x, candidate.y + 1));
    const auto place = [shrink](double reduced, int size) {
        const long position = std::lround((reduced + 0.5) * shrink - 0.5);
        return static_cast<std::int32_t>(std::clamp<long>(position, 0, size - 1));
    };
    return {place(candidate.x + dx, width), place(candidate.y + dy, height)};
}

// Whether a box of `boxSize` around `centre` stays inside the image (the rule AddPick applies to a
// pick made by hand: its test rectangle may reach the last column and row but not beyond).
bool BoxFits(PickPoint centre, int boxSize, int width, int height) {
    if (boxSize <= 0)
        return true;
    const PickRect rect = PickTestRect(centre, boxSize);
    return rect.left >= 0 && rect.top >= 0 && rect.right <= width && rect.bottom <= height;
}

// The search on the reduced picture once its maps are made.
struct Search {
    const AutoPickSettings& settings;
    int width, height, shrink;
    std::vector<double> diameters; // reduced pixels
    BlobMaps maps;

    // The candidates of `map` that pass the rejections, best first; the drops are counted in `result`.
    std::vector<AutoPickCandidate> Candidates(const PickPlane& map, const std::vector<unsigned char>& scales,
                                              AutoPickResult& result) const {
        const std::vector<PlaneCandidate> maxima = LocalMaxima(map, scales);
        const std::vector<PlaneCandidate> kept =
            SuppressNeighbours(maxima, diameters.front(), map.m_nWidth, map.m_nHeight);
        result.m_nTooClose = static_cast<int>(maxima.size() - kept.size());
        std::vector<AutoPickCandidate> candidates;
        for (const PlaneCandidate& candidate : kept) {
            if (OnDarkArea(maps, candidate)) {
                ++result.m_nOnDarkArea;
                continue;
            }
            const PickPoint centre = ImagePosition(map, candidate, shrink, width, height);
            if (!BoxFits(centre, settings.m_nBoxSize, width, height)) {
                ++result.m_nLeavingImage;
                continue;
            }
            const double diameter = diameters[static_cast<std::size_t>(candidate.scale)] * shrink;
            candidates.push_back({centre, candidate.score, static_cast<float>(diameter)});
        }
        return candidates;
    }

    // The scores of the maxima of both contrasts once they are suppressed together (off large dark
    // areas): noise makes maxima of either contrast alike, but next to a particle the bright gap
    // between it and its neighbours is a maximum of the opposite contrast, which a better candidate
    // now suppresses, so crowded particles no longer pass for noise. The opposite blobs are marked by
    // scale 1.
    void JointScores(std::vector<float>& scores, std::vector<float>& noiseScores) const {
        std::vector<PlaneCandidate> maxima = LocalMaxima(maps.m_response, {});
        for (PlaneCandidate blob : LocalMaxima(maps.m_opposite, {})) {
            blob.scale = 1;
            maxima.push_back(blob);
        }
        std::stable_sort(maxima.begin(), maxima.end(),
                         [](const PlaneCandidate& a, const PlaneCandidate& b) { return a.score > b.score; });
        for (const PlaneCandidate& kept : SuppressNeighbours(
                 maxima, diameters.front(), maps.m_response.m_nWidth, maps.m_response.m_nHeight))
            if (!OnDarkArea(maps, kept))
                (kept.scale == 0 ? scores : noiseScores).push_back(kept.score);
    }

    void Collect(AutoPickResult& result) const {
        // Blobs of the opposite contrast pass the same tests; their scores are what noise scores.
        AutoPickResult opposite;
        std::vector<float> noiseScores;
        for (const AutoPickCandidate& candidate : Candidates(maps.m_opposite, {}, opposite))
            noiseScores.push_back(candidate.m_fScore);
        result.m_candidates = Candidates(maps.m_response, maps.m_scale, result);
        std::vector<float> scores, jointScores, jointNoiseScores;
        for (const AutoPickCandidate& candidate : result.m_candidates)
            scores.push_back(candidate.m_fScore);
        JointScores(jointScores, jointNoiseScores);
        const bool particles = OutnumberNoise(scores, std::move(noiseScores)) ||
                               DominateNoise(jointScores, std::move(jointNoiseScores));
        const double kept = KeptShare(jointScores.size(), scores.size());
        result.m_dAutomaticThreshold = AutomaticThreshold(std::move(scores), particles, kept);
    }
};

// Otsu's split of the scores (sorted best first): the cut maximising n1·n2·(mean1 − mean2)², halfway
// between the two scores it falls between.
double OtsuSplit(const std::vector<float>& scores) {
    double total = 0;
    for (float score : scores)
        total += score;
    double above = 0, bestSpread = -1, best = scores.front();
    const auto count = static_cast<double>(scores.size());
    for (std::size_t i = 1; i < scores.size(); ++i) {
        above += scores[i - 1];
        const double n1 = static_cast<double>(i), n2 = count - n1;
        const double difference = above / n1 - (total - above) / n2;
        const double spread = n1 * n2 * difference * difference;
        if (spread > bestSpread && scores[i] < scores[i - 1]) {
            bestSpread = spread;
            best = 0.5 * (scores[i - 1] + scores[i]);
        }
    }
    return best;
}

} // namespace

bool AutoPickDiametersFit(double diameterMin, double diameterMax, int width, int height) {
    return std::isfinite(diameterMin) && std::isfinite(diameterMax) &&
           diameterMin >= MIN_AUTO_PICK_DIAMETER && diameterMin <= diameterMax && width > 0 && height > 0 &&
           diameterMax <= std::min(width, height);
}

AutoPickResult FindParticles(PickRowSource& rows, int width, int height, const AutoPickSettings& settings) {
    AutoPickResult result;
    if (!AutoPickDiametersFit(settings.m_dDiameterMin, settings.m_dDiameterMax, width, height))
        return result;
    const int shrink = std::max(1, static_cast<int>(std::ceil(settings.m_dDiameterMin / REDUCED_DIAMETER)));
    result.m_nShrink = shrink;
    PickPlane plane;
    if (!ShrinkImage(rows, width, height, shrink, plane)) {
        result.m_outcome = AutoPickOutcome::Unreadable;
        return result;
    }
    Search search{settings,
                  width,
                  height,
                  shrink,
                  DiameterSizes(settings.m_dDiameterMin / shrink, settings.m_dDiameterMax / shrink),
                  {}};
    BlobFilterSettings filters;
    for (double diameter : search.diameters)
        filters.m_sigmas.push_back(diameter / (2.0 * std::numbers::sqrt2));
    filters.m_dSmoothingSigma = search.diameters.back();
    filters.m_bBrightParticles = settings.m_bBrightParticles;
    filters.m_nThreads = ThreadCount(settings.m_nThreads);
    if (!FilterBlobs(std::move(plane), filters, search.maps)) {
        result.m_outcome = AutoPickOutcome::OutOfMemory;
        return result;
    }
    search.Collect(result);
    result.m_outcome = AutoPickOutcome::Searched;
    return result;
}

bool OutnumberNoise(std::vector<float> scores, std::vector<float> noiseScores) {
    std::sort(scores.begin(), scores.end(), std::greater<>());
    std::sort(noiseScores.begin(), noiseScores.end(), std::greater<>());
    double most = 0, count = 0;
    std::size_t noise = 0;
    for (std::size_t i = 0; i < scores.size(); ++i) {
        while (noise < noiseScores.size() && noiseScores[noise] >= scores[i])
            ++noise;
        const double difference = static_cast<double>(i + 1) - static_cast<double>(noise);
        if (difference > most) {
            most = difference;
            count = static_cast<double>(i + 1 + noise);
        }
    }
    return most > 0 && most > NOISE_MARGIN * std::sqrt(count) + 1.0;
}

bool DominateNoise(std::vector<float> scores, std::vector<float> noiseScores) {
    std::sort(scores.begin(), scores.end(), std::greater<>());
    std::sort(noiseScores.begin(), noiseScores.end(), std::greater<>());
    std::size_t noise = 0;
    for (std::size_t i = 0; i < scores.size(); ++i) {
        while (noise < noiseScores.size() && noiseScores[noise] >= scores[i])
            ++noise;
        const auto count = static_cast<double>(i + 1), blobs = static_cast<double>(noise);
        if (count >= NOISE_RATIO * blobs &&
            count - blobs > NOISE_MARGIN * std::sqrt(count + blobs) + NOISE_SMALL_COUNTS)
            return true;
    }
    return false;
}

double KeptShare(std::size_t jointCount, std::size_t count) {
    if (count == 0)
        return 1.0;
    return std::min(1.0, static_cast<double>(jointCount) / static_cast<double>(count));
}

double AutomaticThreshold(std::vector<float> scores, bool particles, double kept) {
    std::sort(scores.begin(), scores.end(), std::greater<>());
    if (scores.size() < 2 || !particles)
        return std::max(MIN_AUTOMATIC_THRESHOLD, (scores.empty() ? 0.0 : scores.front()) + 1.0);
    const double share = OTSU_SHARE + SPARSE_SLOPE * std::max(0.0, CROWDED_KEPT - std::clamp(kept, 0.0, 1.0));
    return std::max(MIN_AUTOMATIC_THRESHOLD, share * OtsuSplit(scores));
}

bool ParseDiameterRange(const std::string& text, double& diameterMin, double& diameterMax) {
    const auto parse = [](const std::string& part, double& value) {
        char* end = nullptr;
        value = std::strtod(part.c_str(), &end);
        return !part.empty() && end == part.c_str() + part.size();
    };
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        diameterMax = 0;
        return parse(text, diameterMin) && parse(text, diameterMax);
    }
    return parse(text.substr(0, colon), diameterMin) && parse(text.substr(colon + 1), diameterMax);
}

int SuggestedBoxSize(double diameterMax) {
    // A diameter the form has not accepted (NaN, negative) must not reach the integer cast.
    if (!(diameterMax > 0))
        return MIN_MASK_SIZE;
    const int size = 2 * static_cast<int>(std::ceil(0.75 * std::min(diameterMax, 1.0 * MAX_MASK_SIZE)));
    return std::clamp(size, MIN_MASK_SIZE, MAX_MASK_SIZE);
}

int CountAtOrAbove(const std::vector<AutoPickCandidate>& candidates, double threshold) {
    const auto end =
        std::partition_point(candidates.begin(), candidates.end(),
                             [threshold](const AutoPickCandidate& c) { return c.m_fScore >= threshold; });
    return static_cast<int>(end - candidates.begin());
}

} // namespace gc
