// Optical density of a pixel value: y = y0 + a·ln|x − x0| on the 8-bit or the 16-bit scale, with the
// float32 and double steps of the conversion, and the running statistics of the values written.
#pragma once

#include <cstdint>
#include <vector>

namespace gc {

// The scale a pixel value is taken on; the values are those of the dialog's output-format list.
inline constexpr int OUTPUT_FORMAT_AUTO = 0;
inline constexpr int OUTPUT_FORMAT_8_BIT = 1;
inline constexpr int OUTPUT_FORMAT_16_BIT = 2;

// The fit constants as Convert uses them: the field values rounded to float32.
struct FitConstants {
    float m_fA = 0.0f;
    float m_fX0 = 0.0f;
    float m_fY0 = 0.0f;
};

// One pixel value of an image of `bitsPerSample` (8 or 16) bits on `scale` (OUTPUT_FORMAT_8_BIT or
// OUTPUT_FORMAT_16_BIT): x = value as float32, brought to the scale (×257 or ÷257, float32), taken
// as negative on that scale when asked (float32), then y = a·ln|x − x0| + y0 in double, as float32.
// x equal to x0 gives an infinite y.
float OpticalDensity(unsigned value, int bitsPerSample, int scale, bool negative, const FitConstants& fit);

// OpticalDensity of every value an image of `bitsPerSample` bits can hold (256 or 65536 entries).
std::vector<float> OpticalDensityTable(int bitsPerSample, int scale, bool negative, const FitConstants& fit);

// Start values of the extremes: the minimum is replaced only by a smaller value and the maximum only
// by a larger one, so they bound the values written (the maximum stays -1 when every value is below).
inline constexpr float OD_MINIMUM_START = 1000000.0f;
inline constexpr float OD_MAXIMUM_START = -1.0f;

// Minimum, maximum, sum and sum of squares of the values written (sums in double precision).
struct OdStatistics {
    float m_fMinimum;
    float m_fMaximum;
    double m_dSum = 0.0;
    double m_dSumOfSquares = 0.0;
    // The sum of the current strip, added to m_dSum by EndStrip.
    double m_dStripSum = 0.0;

    OdStatistics();
    // Adds `value` to the sum directly.
    void Add(float value) {
        AddExtremesAndSquare(value);
        m_dSum += value;
    }
    // Adds `value` to the current strip's sum.
    void AddToStrip(float value) {
        AddExtremesAndSquare(value);
        m_dStripSum += value;
    }
    void EndStrip() {
        m_dSum += m_dStripSum;
        m_dStripSum = 0.0;
    }

private:
    void AddExtremesAndSquare(float value) {
        if (value < m_fMinimum)
            m_fMinimum = value;
        if (value > m_fMaximum)
            m_fMaximum = value;
        const double y = value;
        m_dSumOfSquares += y * y;
    }
};

} // namespace gc
