// Fourier-space filtering of the reduced picture: one forward transform of the mirrored picture, one
// inverse transform per filter, the inverse transforms spread over threads.
#include "BlobFilter.h"

#include <fftw3.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <numbers>
#include <thread>

namespace gc {
namespace {

// FFTW's planner is not thread-safe; execution of a finished plan is.
std::mutex& PlannerLock() {
    static std::mutex lock;
    return lock;
}

struct FftwFree {
    void operator()(void* memory) const { fftwf_free(memory); }
};
template <typename T> using FftwBuffer = std::unique_ptr<T[], FftwFree>;

template <typename T> FftwBuffer<T> AllocateFftw(std::size_t count) {
    FftwBuffer<T> buffer(static_cast<T*>(fftwf_malloc(sizeof(T) * count)));
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

// The padded picture and its spectrum, with the inverse plan every filter runs through.
class PaddedSpectrum {
public:
    PaddedSpectrum(const PickPlane& plane, int margin)
        : m_plane(plane), m_margin(margin), m_width(FastTransformSize(plane.m_nWidth + 2 * margin)),
          m_height(FastTransformSize(plane.m_nHeight + 2 * margin)), m_halfWidth(m_width / 2 + 1) {}

    bool Transform() {
        m_spectrum = AllocateFftw<fftwf_complex>(SpectrumSize());
        FftwBuffer<float> padded = AllocateFftw<float>(RealSize());
        FftwBuffer<fftwf_complex> work = AllocateFftw<fftwf_complex>(SpectrumSize());
        FftwBuffer<float> out = AllocateFftw<float>(RealSize());
        {
            std::lock_guard<std::mutex> guard(PlannerLock());
            m_forward.reset(
                fftwf_plan_dft_r2c_2d(m_height, m_width, padded.get(), m_spectrum.get(), FFTW_ESTIMATE));
            m_inverse.reset(fftwf_plan_dft_c2r_2d(m_height, m_width, work.get(), out.get(), FFTW_ESTIMATE));
        }
        if (!m_forward || !m_inverse)
            return false;
        for (int y = 0; y < m_height; ++y) {
            const int sourceRow = Mirrored(y - m_margin, m_plane.m_nHeight);
            float* row = padded.get() + static_cast<std::size_t>(y) * m_width;
            for (int x = 0; x < m_width; ++x)
                row[x] = m_plane.At(Mirrored(x - m_margin, m_plane.m_nWidth), sourceRow);
        }
        fftwf_execute(m_forward.get());
        return true;
    }

    // The picture filtered by a Gaussian of width² `s2` (times −s2·ω², the scale-normalised Laplacian,
    // when `laplacian`) and by `gain`, cropped to the plane into `target`; `work` and `out` are the
    // calling thread's buffers. The Gaussian factors by axis, so it costs one exponential per row and
    // column.
    void Filter(double s2, bool laplacian, double gain, fftwf_complex* work, float* out,
                std::vector<float>& target) const {
        const double scale = gain / (static_cast<double>(m_width) * m_height);
        std::vector<double> wx2(static_cast<std::size_t>(m_halfWidth)), gx(wx2.size());
        for (int x = 0; x < m_halfWidth; ++x) {
            const double w = 2.0 * std::numbers::pi * x / m_width;
            wx2[static_cast<std::size_t>(x)] = w * w;
            gx[static_cast<std::size_t>(x)] = std::exp(-0.5 * s2 * w * w);
        }
        for (int y = 0; y < m_height; ++y) {
            const int ky = y <= m_height / 2 ? y : y - m_height;
            const double wy = 2.0 * std::numbers::pi * ky / m_height;
            const double rowGain = scale * std::exp(-0.5 * s2 * wy * wy);
            const std::size_t row = static_cast<std::size_t>(y) * m_halfWidth;
            for (std::size_t x = 0; x < wx2.size(); ++x) {
                double factor = rowGain * gx[x];
                if (laplacian)
                    factor *= -s2 * (wx2[x] + wy * wy);
                work[row + x][0] = static_cast<float>(m_spectrum[row + x][0] * factor);
                work[row + x][1] = static_cast<float>(m_spectrum[row + x][1] * factor);
            }
        }
        fftwf_execute_dft_c2r(m_inverse.get(), work, out);
        target.resize(static_cast<std::size_t>(m_plane.m_nWidth) * m_plane.m_nHeight);
        for (int y = 0; y < m_plane.m_nHeight; ++y) {
            const float* source = out + static_cast<std::size_t>(y + m_margin) * m_width + m_margin;
            std::copy(source, source + m_plane.m_nWidth,
                      target.begin() + static_cast<std::ptrdiff_t>(m_plane.Index(0, y)));
        }
    }

    std::size_t SpectrumSize() const { return static_cast<std::size_t>(m_height) * m_halfWidth; }
    std::size_t RealSize() const { return static_cast<std::size_t>(m_height) * m_width; }

private:
    const PickPlane& m_plane;
    const int m_margin;
    const int m_width, m_height, m_halfWidth;
    FftwBuffer<fftwf_complex> m_spectrum;
    Plan m_forward, m_inverse;
};

// Divides by the robust spread after taking away the median.
void Standardise(std::vector<float>& values) {
    const RobustSpread spread = RobustSpreadOf(values.data(), values.size());
    for (float& value : values)
        value = static_cast<float>((value - spread.m_dMedian) / spread.m_dSigma);
}

// Runs filter jobs 0..count-1 on `threads` threads, each with its own transform buffers.
class FilterJobs {
public:
    FilterJobs(const PaddedSpectrum& spectrum, const BlobFilterSettings& settings, BlobMaps& maps)
        : m_spectrum(spectrum), m_settings(settings), m_maps(maps) {}

    bool Run() {
        const int count = static_cast<int>(m_settings.m_sigmas.size()) + 1;
        const int threads = std::clamp(m_settings.m_nThreads, 1, count);
        std::vector<std::thread> helpers;
        for (int t = 1; t < threads; ++t) {
            try {
                helpers.emplace_back([this, count] { Work(count); });
            } catch (const std::system_error&) {
                break; // fewer helpers: the calling thread does their share
            }
        }
        Work(count);
        for (std::thread& helper : helpers)
            helper.join();
        return !m_failed;
    }

private:
    void Work(int count) {
        try {
            FftwBuffer<fftwf_complex> work = AllocateFftw<fftwf_complex>(m_spectrum.SpectrumSize());
            FftwBuffer<float> out = AllocateFftw<float>(m_spectrum.RealSize());
            std::vector<float> result;
            for (int job = m_next++; job < count && !m_failed; job = m_next++)
                RunJob(job, work.get(), out.get(), result);
        } catch (const std::bad_alloc&) {
            m_failed = true;
        }
    }

    void RunJob(int job, fftwf_complex* work, float* out, std::vector<float>& result) {
        const double sign = m_settings.m_bBrightParticles ? -1.0 : 1.0;
        if (job == static_cast<int>(m_settings.m_sigmas.size())) {
            // Smoothing, turned so that the particles' side is positive.
            m_spectrum.Filter(m_settings.m_dSmoothingSigma * m_settings.m_dSmoothingSigma, false, -sign, work,
                              out, m_maps.m_darkness.m_values);
            Standardise(m_maps.m_darkness.m_values);
            return;
        }
        const double sigma = m_settings.m_sigmas[static_cast<std::size_t>(job)];
        // sigma² times the Laplacian of the Gaussian: positive at the centre of a dark blob.
        m_spectrum.Filter(sigma * sigma, true, sign, work, out, result);
        Standardise(result);
        std::lock_guard<std::mutex> guard(m_mergeLock);
        const auto scale = static_cast<unsigned char>(job);
        for (std::size_t i = 0; i < result.size(); ++i) {
            if (result[i] > m_maps.m_response.m_values[i]) {
                m_maps.m_response.m_values[i] = result[i];
                m_maps.m_scale[i] = scale;
            }
            m_maps.m_opposite.m_values[i] = std::max(m_maps.m_opposite.m_values[i], -result[i]);
        }
    }

    const PaddedSpectrum& m_spectrum;
    const BlobFilterSettings& m_settings;
    BlobMaps& m_maps;
    std::atomic<int> m_next{0};
    std::atomic<bool> m_failed{false};
    std::mutex m_mergeLock;
};

} // namespace

int FastTransformSize(int size) {
    for (int candidate = std::max(size, 1);; ++candidate) {
        int rest = candidate;
        for (int factor : {2, 3, 5, 7})
            while (rest % factor == 0)
                rest /= factor;
        if (rest == 1)
            return candidate;
    }
}

bool FilterBlobs(const PickPlane& plane, const BlobFilterSettings& settings, BlobMaps& maps) {
    if (plane.m_nWidth <= 0 || plane.m_nHeight <= 0 || settings.m_sigmas.empty())
        return false;
    try {
        double widest = settings.m_dSmoothingSigma;
        for (double sigma : settings.m_sigmas)
            widest = std::max(widest, sigma);
        PaddedSpectrum spectrum(plane, static_cast<int>(std::ceil(3.0 * widest)));
        if (!spectrum.Transform())
            return false;
        const std::size_t count = plane.m_values.size();
        maps.m_response = {plane.m_nWidth, plane.m_nHeight, std::vector<float>(count, -HUGE_VALF)};
        maps.m_scale.assign(count, 0);
        maps.m_opposite = maps.m_response;
        maps.m_darkness = {plane.m_nWidth, plane.m_nHeight, {}};
        FilterJobs jobs(spectrum, settings, maps);
        return jobs.Run();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace gc
