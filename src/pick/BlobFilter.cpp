// Fourier-space filtering of the reduced picture: one forward transform of the mirrored picture, one
// inverse transform per Laplacian filter, the inverse transforms spread over a pool of workers; the wide
// smoothing runs on a copy reduced once more. Every transform works in place, so the memory is the
// Fourier transform, one transform buffer per worker and the maps.
#include "BlobFilter.h"

#include "core/WorkerPool.h"

#include <fftw3.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>

namespace gc {
namespace {

// Samples of a filtered picture that give its robust spread.
constexpr std::size_t SPREAD_SAMPLES = 200000;
// The reduced copy that is smoothed has at least this many of its pixels per smoothing width.
constexpr double SMOOTHING_PIXELS = 4.0;
// The background under the darkness: a plane fitted this many times, each time to the pixels at
// most this many spreads on the particles' side of the last one.
constexpr int DARK_FIT_ROUNDS = 5;
constexpr double DARK_FIT_SPREADS = 2.0;
// Radial frequency bins of the averaged power that whitens the picture before the Laplacian filters.
constexpr std::size_t WHITENING_BINS = 256;

// FFTW's planner is not thread-safe; execution of a finished plan is.
std::mutex& PlannerLock() {
    static std::mutex lock;
    return lock;
}

struct FftwFree {
    void operator()(void* memory) const { fftwf_free(memory); }
};
using FrequencyBuffer = std::unique_ptr<fftwf_complex[], FftwFree>;

FrequencyBuffer AllocateFrequencies(std::size_t count) {
    FrequencyBuffer buffer(static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * count)));
    if (!buffer)
        throw std::bad_alloc();
    return buffer;
}

struct PlanDestroy {
    void operator()(fftwf_plan plan) const {
        std::lock_guard<std::mutex> guard(PlannerLock());
        fftwf_destroy_plan(plan);
    }
};
using Plan = std::unique_ptr<std::remove_pointer_t<fftwf_plan>, PlanDestroy>;

// Index into 0..size-1 of position `i` of the picture mirrored at both ends (edge pixels repeated).
int Mirrored(int i, int size) {
    const int period = 2 * size;
    int k = i % period;
    if (k < 0)
        k += period;
    return k < size ? k : period - 1 - k;
}

// The padded picture's Fourier transform and the in-place inverse plan every filter runs through. The real
// picture of a transform buffer has rows of 2 · (width / 2 + 1) floats.
class PaddedTransform {
public:
    PaddedTransform(int planeWidth, int planeHeight, int margin)
        : m_planeWidth(planeWidth), m_planeHeight(planeHeight), m_margin(margin),
          m_width(FastTransformSize(planeWidth + 2 * margin)),
          m_height(FastTransformSize(planeHeight + 2 * margin)), m_halfWidth(m_width / 2 + 1) {}

    bool Transform(const PickPlane& plane, bool whiten) {
        m_frequencies = AllocateFrequencies(FrequencyCount());
        float* padded = RealOf(m_frequencies.get());
        Plan forward;
        {
            // FFTW_ESTIMATE leaves the arrays alone while planning, and the inverse plan runs on every
            // thread's buffer (same alignment, also in place).
            std::lock_guard<std::mutex> guard(PlannerLock());
            forward.reset(
                fftwf_plan_dft_r2c_2d(m_height, m_width, padded, m_frequencies.get(), FFTW_ESTIMATE));
            m_inverse.reset(
                fftwf_plan_dft_c2r_2d(m_height, m_width, m_frequencies.get(), padded, FFTW_ESTIMATE));
        }
        if (!forward || !m_inverse)
            return false;
        std::vector<int> columns(static_cast<std::size_t>(m_width));
        for (int x = 0; x < m_width; ++x)
            columns[static_cast<std::size_t>(x)] = Mirrored(x - m_margin, m_planeWidth);
        for (int y = 0; y < m_height; ++y) {
            const float* source =
                plane.m_values.data() + plane.Index(0, Mirrored(y - m_margin, m_planeHeight));
            float* row = padded + RowOffset(y);
            for (int x = 0; x < m_width; ++x)
                row[x] = source[columns[static_cast<std::size_t>(x)]];
        }
        fftwf_execute(forward.get());
        if (whiten)
            Whiten();
        return true;
    }

    // Divides the Fourier transform by the square root of its radially averaged power, so that every
    // frequency carries noise of about the same strength: slow, particle-sized background variation
    // no longer outweighs the particles' edges.
    void Whiten() {
        std::vector<double> power(WHITENING_BINS, 0.0), counts(WHITENING_BINS, 0.0);
        ForEachFrequency([&](std::size_t bin, fftwf_complex& value) {
            power[bin] += static_cast<double>(value[0]) * value[0] + static_cast<double>(value[1]) * value[1];
            counts[bin] += 1;
        });
        std::vector<float> gain(WHITENING_BINS, 0.0f);
        for (std::size_t bin = 0; bin < WHITENING_BINS; ++bin) {
            // A few bins on either side even out the estimate.
            double sum = 0, count = 0;
            for (std::size_t k = bin >= 2 ? bin - 2 : 0; k <= std::min(WHITENING_BINS - 1, bin + 2); ++k) {
                sum += power[k];
                count += counts[k];
            }
            if (count > 0 && sum > 0)
                gain[bin] = static_cast<float>(1.0 / std::sqrt(sum / count));
        }
        gain[0] = 0.0f;
        ForEachFrequency([&](std::size_t bin, fftwf_complex& value) {
            value[0] *= gain[bin];
            value[1] *= gain[bin];
        });
    }

    // Calls `visit` with the value at every frequency and the bin of its radial frequency.
    template <typename Visit> void ForEachFrequency(Visit visit) {
        const double binsPerCycle = WHITENING_BINS / (0.5 * std::numbers::sqrt2);
        for (int y = 0; y < m_height; ++y) {
            const int ky = y <= m_height / 2 ? y : y - m_height;
            const double fy = static_cast<double>(ky) / m_height;
            fftwf_complex* row = m_frequencies.get() + static_cast<std::size_t>(y) * m_halfWidth;
            for (int x = 0; x < m_halfWidth; ++x) {
                const double fx = static_cast<double>(x) / m_width;
                const auto bin = static_cast<std::size_t>(std::sqrt(fx * fx + fy * fy) * binsPerCycle);
                visit(std::min(bin, WHITENING_BINS - 1), row[x]);
            }
        }
    }

    // The picture filtered by a Gaussian of width² `s2` (times −s2·ω², the scale-normalised Laplacian,
    // when `laplacian`) and by `gain`, into the calling thread's buffer `work` (PlaneRow reads it).
    // The Gaussian factors by axis, so it costs one exponential per row and column.
    void Filter(double s2, bool laplacian, double gain, fftwf_complex* work) const {
        const double scale = gain / (static_cast<double>(m_width) * m_height);
        std::vector<float> wx2(static_cast<std::size_t>(m_halfWidth)), gx(wx2.size());
        for (int x = 0; x < m_halfWidth; ++x) {
            const double w = 2.0 * std::numbers::pi * x / m_width;
            wx2[static_cast<std::size_t>(x)] = static_cast<float>(w * w);
            gx[static_cast<std::size_t>(x)] = static_cast<float>(std::exp(-0.5 * s2 * w * w));
        }
        const auto minusS2 = static_cast<float>(-s2);
        for (int y = 0; y < m_height; ++y) {
            const int ky = y <= m_height / 2 ? y : y - m_height;
            const double wy = 2.0 * std::numbers::pi * ky / m_height;
            const auto rowGain = static_cast<float>(scale * std::exp(-0.5 * s2 * wy * wy));
            const auto wy2 = static_cast<float>(wy * wy);
            const fftwf_complex* source = m_frequencies.get() + static_cast<std::size_t>(y) * m_halfWidth;
            fftwf_complex* target = work + static_cast<std::size_t>(y) * m_halfWidth;
            for (std::size_t x = 0; x < wx2.size(); ++x) {
                float factor = rowGain * gx[x];
                if (laplacian)
                    factor *= minusS2 * (wx2[x] + wy2);
                target[x][0] = source[x][0] * factor;
                target[x][1] = source[x][1] * factor;
            }
        }
        fftwf_execute_dft_c2r(m_inverse.get(), work, RealOf(work));
    }

    // Row `y` of the plane's part of a filtered buffer.
    const float* PlaneRow(const fftwf_complex* work, int y) const {
        return RealOf(work) + RowOffset(y + m_margin) + m_margin;
    }

    // The median and robust spread of the plane's part of a filtered buffer.
    RobustSpread SpreadOf(const fftwf_complex* work) const { return RobustSpreadOfSamples(Samples(work)); }

    // About SPREAD_SAMPLES evenly spaced values of the plane's part of a filtered buffer.
    std::vector<float> Samples(const fftwf_complex* work) const {
        const std::size_t count = static_cast<std::size_t>(m_planeWidth) * m_planeHeight;
        const std::size_t step = std::max<std::size_t>(1, count / SPREAD_SAMPLES);
        std::vector<float> samples;
        samples.reserve(count / step + 1);
        for (std::size_t i = 0; i < count; i += step)
            samples.push_back(PlaneRow(work, static_cast<int>(i / m_planeWidth))[i % m_planeWidth]);
        return samples;
    }

    std::size_t FrequencyCount() const { return static_cast<std::size_t>(m_height) * m_halfWidth; }

private:
    static float* RealOf(fftwf_complex* buffer) { return reinterpret_cast<float*>(buffer); }
    static const float* RealOf(const fftwf_complex* buffer) { return reinterpret_cast<const float*>(buffer); }
    std::size_t RowOffset(int y) const { return static_cast<std::size_t>(y) * 2 * m_halfWidth; }

    const int m_planeWidth, m_planeHeight, m_margin;
    const int m_width, m_height, m_halfWidth;
    FrequencyBuffer m_frequencies;
    Plan m_inverse;
};

// The median and the spread of the values below it alone (1.4826 × their median distance from it):
// where large areas lie on the other side, they widen the spread of all values but not this.
RobustSpread LowerSpreadOf(const std::vector<float>& samples) {
    const RobustSpread whole = RobustSpreadOfSamples(samples);
    std::vector<float> below;
    for (float value : samples)
        if (value < whole.m_dMedian)
            below.push_back(static_cast<float>(whole.m_dMedian - value));
    if (below.empty())
        return whole;
    const auto middle = below.begin() + static_cast<std::ptrdiff_t>(below.size() / 2);
    std::nth_element(below.begin(), middle, below.end());
    const double sigma = 1.4826 * *middle;
    return {whole.m_dMedian, sigma > 0 && std::isfinite(sigma) ? sigma : whole.m_dSigma};
}

// A plane a + b·x + c·y over a picture's pixels.
struct Slope {
    double a = 0, b = 0, c = 0;
    double At(int x, int y) const { return a + b * x + c * y; }
};

// The least-squares plane through the pixels of `map` that `keep` marks (a constant level when they
// do not span a plane, 0 when there are none).
Slope FitSlope(const PickPlane& map, const std::vector<char>& keep) {
    double n = 0, sx = 0, sy = 0, sv = 0, sxx = 0, syy = 0, sxy = 0, sxv = 0, syv = 0;
    for (int y = 0; y < map.m_nHeight; ++y)
        for (int x = 0; x < map.m_nWidth; ++x) {
            if (!keep[map.Index(x, y)])
                continue;
            const double value = map.At(x, y);
            n += 1;
            sx += x, sy += y, sv += value;
            sxx += 1.0 * x * x, syy += 1.0 * y * y, sxy += 1.0 * x * y;
            sxv += x * value, syv += y * value;
        }
    if (n == 0)
        return {};
    // The sums about the kept pixels' centre.
    const double cxx = sxx - sx * sx / n, cyy = syy - sy * sy / n, cxy = sxy - sx * sy / n;
    const double cxv = sxv - sx * sv / n, cyv = syv - sy * sv / n;
    const double determinant = cxx * cyy - cxy * cxy;
    Slope slope;
    if (determinant > 1e-9 * (cxx * cyy) && determinant > 0) {
        slope.b = (cxv * cyy - cyv * cxy) / determinant;
        slope.c = (cyv * cxx - cxv * cxy) / determinant;
    }
    slope.a = (sv - slope.b * sx - slope.c * sy) / n;
    return slope;
}

// Turns the smoothed picture `map` (particles' side positive) into darkness: its height above the
// background in units of the background's spread below it. The background is a plane fitted
// DARK_FIT_ROUNDS times, each time to the pixels not more than DARK_FIT_SPREADS spreads above the
// last one, so that large dark areas, which may fill a corner or much of the picture, neither bend
// nor lift it.
void LevelDarkness(PickPlane& map) {
    std::vector<char> keep(map.m_values.size(), 1);
    std::vector<float> residual(map.m_values.size()), kept;
    RobustSpread spread;
    for (int round = 0; round < DARK_FIT_ROUNDS; ++round) {
        const Slope slope = FitSlope(map, keep);
        kept.clear();
        for (int y = 0; y < map.m_nHeight; ++y)
            for (int x = 0; x < map.m_nWidth; ++x) {
                const std::size_t i = map.Index(x, y);
                residual[i] = static_cast<float>(map.m_values[i] - slope.At(x, y));
                if (keep[i])
                    kept.push_back(residual[i]);
            }
        spread = LowerSpreadOf(kept);
        const double limit = spread.m_dMedian + DARK_FIT_SPREADS * spread.m_dSigma;
        for (std::size_t i = 0; i < residual.size(); ++i)
            keep[i] = residual[i] < limit ? 1 : 0;
    }
    for (std::size_t i = 0; i < residual.size(); ++i)
        map.m_values[i] = static_cast<float>((residual[i] - spread.m_dMedian) / spread.m_dSigma);
}

// Mirroring more than the plane's own size adds nothing, and keeps the padded sizes in range.
int MarginFor(double sigma, const PickPlane& plane) {
    return static_cast<int>(
        std::min(std::ceil(3.0 * sigma), 1.0 * std::max(plane.m_nWidth, plane.m_nHeight)));
}

// Plane rows as a row source, so that ShrinkImage can reduce the plane again.
class PlaneRows final : public PickRowSource {
public:
    explicit PlaneRows(const PickPlane& plane) : m_plane(plane) {}
    bool ReadRow(int row, int left, int count, float* values) override {
        const float* source = m_plane.m_values.data() + m_plane.Index(left, row);
        std::copy(source, source + count, values);
        return true;
    }

private:
    const PickPlane& m_plane;
};

// The smoothed picture on the plane reduced so that the smoothing is SMOOTHING_PIXELS of its
// pixels wide, turned so that the particles' side is positive and levelled (LevelDarkness).
bool SmoothDarkness(const PickPlane& plane, const BlobFilterSettings& settings, BlobMaps& maps) {
    const int step = std::clamp(static_cast<int>(settings.m_dSmoothingSigma / SMOOTHING_PIXELS), 1,
                                std::min(plane.m_nWidth, plane.m_nHeight));
    PlaneRows rows(plane);
    PickPlane reduced;
    if (!ShrinkImage(rows, plane.m_nWidth, plane.m_nHeight, step, reduced))
        return false;
    const double sigma = settings.m_dSmoothingSigma / step;
    PaddedTransform fourier(reduced.m_nWidth, reduced.m_nHeight, MarginFor(sigma, reduced));
    if (!fourier.Transform(reduced, false))
        return false;
    FrequencyBuffer work = AllocateFrequencies(fourier.FrequencyCount());
    fourier.Filter(sigma * sigma, false, settings.m_bBrightParticles ? 1.0 : -1.0, work.get());
    maps.m_darkness = std::move(reduced);
    maps.m_nDarknessStep = step;
    for (int y = 0; y < maps.m_darkness.m_nHeight; ++y) {
        const float* source = fourier.PlaneRow(work.get(), y);
        std::copy(source, source + maps.m_darkness.m_nWidth,
                  maps.m_darkness.m_values.begin() +
                      static_cast<std::ptrdiff_t>(maps.m_darkness.Index(0, y)));
    }
    LevelDarkness(maps.m_darkness);
    return true;
}

// Runs the Laplacian filters on a pool of workers, each filter in a transform buffer of its own, and
// merges each filtered picture into the maps as it is done.
class FilterJobs {
public:
    FilterJobs(const PaddedTransform& fourier, const BlobFilterSettings& settings, BlobMaps& maps)
        : m_frequencies(fourier), m_settings(settings), m_maps(maps) {}

    // Throws std::bad_alloc when a buffer cannot be had.
    void Run() {
        const std::size_t count = m_settings.m_sigmas.size();
        WorkerPool pool(std::clamp(m_settings.m_nThreads, 1, static_cast<int>(count)));
        pool.ParallelFor(count, [this](std::size_t job) {
            const FrequencyBuffer work = AllocateFrequencies(m_frequencies.FrequencyCount());
            RunJob(static_cast<int>(job), work.get());
        });
    }

private:
    void RunJob(int job, fftwf_complex* work) {
        const double sigma = m_settings.m_sigmas[static_cast<std::size_t>(job)];
        // sigma² times the Laplacian of the Gaussian: positive at the centre of a dark blob.
        m_frequencies.Filter(sigma * sigma, true, m_settings.m_bBrightParticles ? -1.0 : 1.0, work);
        const RobustSpread spread = m_frequencies.SpreadOf(work);
        const auto median = static_cast<float>(spread.m_dMedian);
        const auto inverse = static_cast<float>(1.0 / spread.m_dSigma);
        const auto scale = static_cast<unsigned char>(job);
        std::lock_guard<std::mutex> guard(m_mergeLock);
        for (int y = 0; y < m_maps.m_response.m_nHeight; ++y) {
            const float* source = m_frequencies.PlaneRow(work, y);
            const std::size_t row = m_maps.m_response.Index(0, y);
            float* response = m_maps.m_response.m_values.data() + row;
            float* opposite = m_maps.m_opposite.m_values.data() + row;
            unsigned char* scales = m_maps.m_scale.data() + row;
            for (int x = 0; x < m_maps.m_response.m_nWidth; ++x) {
                const float value = (source[x] - median) * inverse;
                if (value > response[x]) {
                    response[x] = value;
                    scales[x] = scale;
                }
                opposite[x] = std::max(opposite[x], -value);
            }
        }
    }

    const PaddedTransform& m_frequencies;
    const BlobFilterSettings& m_settings;
    BlobMaps& m_maps;
    std::mutex m_mergeLock;
};

} // namespace

bool BlobFiltersValid(const BlobFilterSettings& settings) {
    const auto valid = [](double sigma) {
        return std::isfinite(sigma) && sigma > 0 && sigma <= MAX_BLOB_SIGMA;
    };
    return !settings.m_sigmas.empty() &&
           settings.m_sigmas.size() <= static_cast<std::size_t>(MAX_BLOB_SIZES) &&
           std::all_of(settings.m_sigmas.begin(), settings.m_sigmas.end(), valid) &&
           valid(settings.m_dSmoothingSigma);
}

int FastTransformSize(int size) {
    for (int candidate = std::max(size, 1); candidate < INT_MAX; ++candidate) {
        int rest = candidate;
        for (int factor : {2, 3, 5, 7})
            while (rest % factor == 0)
                rest /= factor;
        if (rest == 1)
            return candidate;
    }
    return size;
}

bool FilterBlobs(PickPlane plane, const BlobFilterSettings& settings, BlobMaps& maps) {
    // A padded side of up to three times the plane's stays far from the int range of the transforms.
    if (plane.m_nWidth <= 0 || plane.m_nHeight <= 0 ||
        std::max(plane.m_nWidth, plane.m_nHeight) > INT_MAX / 4 || !BlobFiltersValid(settings))
        return false;
    try {
        // The darkness sees the picture before levelling: a quadratic surface would partly take in
        // large dark areas in the corners.
        if (!SmoothDarkness(plane, settings, maps))
            return false;
        RemoveQuadraticBackground(plane);
        const double widest = *std::max_element(settings.m_sigmas.begin(), settings.m_sigmas.end());
        PaddedTransform fourier(plane.m_nWidth, plane.m_nHeight, MarginFor(widest, plane));
        if (!fourier.Transform(plane, true))
            return false;
        const std::size_t count = plane.m_values.size();
        maps.m_response = {plane.m_nWidth, plane.m_nHeight, {}};
        plane = {};
        maps.m_response.m_values.assign(count, -HUGE_VALF);
        maps.m_scale.assign(count, 0);
        maps.m_opposite = maps.m_response;
        FilterJobs(fourier, settings, maps).Run();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace gc
