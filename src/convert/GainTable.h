// The GAIN calibration: one row of fit constants a, x0, y0 of y = y0 + a·ln|x − x0| for each of the
// scanner's 41 GAIN settings, the default row, and the last-run file that records the GAIN and
// constants of every Convert so they can be loaded again.
#pragma once

#include "core/Messages.h"

#include <array>
#include <optional>
#include <string>

namespace gc {

struct GainSetting {
    double gain;
    double a;
    double x0;
    double y0;
};

inline constexpr int GAIN_COUNT = 41;
// Row i has the GAIN 2.0 − i/10, in the order of the dialog's GAIN list.
inline constexpr std::array<GainSetting, GAIN_COUNT> GAIN_TABLE = {{
    {2.0, -0.7913, -12420, 9.194},  {1.9, -0.7286, -9926, 8.451},   {1.8, -0.6785, -8036, 7.86},
    {1.7, -0.6351, -6486, 7.348},   {1.6, -0.5973, -5230, 6.904},   {1.5, -0.5665, -4277, 6.543},
    {1.4, -0.5278, -3205, 6.093},   {1.3, -0.5068, -2633, 5.842},   {1.2, -0.4924, -2248, 5.663},
    {1.1, -0.4727, -1777, 5.425},   {1.0, -0.4577, -1444, 5.237},   {0.9, -0.4418, -1151, 5.054},
    {0.8, -0.4277, -901, 4.883},    {0.7, -0.4196, -750.8, 4.775},  {0.6, -0.4126, -630.5, 4.679},
    {0.5, -0.4061, -527.3, 4.589},  {0.4, -0.4029, -438.9, 4.526},  {0.3, -0.4022, -397.4, 4.491},
    {0.2, -0.402, -365.2, 4.461},   {0.1, -0.4018, -336.6, 4.431},  {0.0, -0.4016, -309, 4.402},
    {-0.1, -0.4012, -281.2, 4.37},  {-0.2, -0.4009, -255.1, 4.339}, {-0.3, -0.4006, -232.6, 4.308},
    {-0.4, -0.4002, -211.6, 4.277}, {-0.5, -0.4004, -195.9, 4.251}, {-0.6, -0.4004, -180, 4.225},
    {-0.7, -0.3998, -158.3, 4.191}, {-0.8, -0.3998, -143.9, 4.163}, {-0.9, -0.3993, -127.6, 4.131},
    {-1.0, -0.399, -114.5, 4.101},  {-1.1, -0.3987, -100.6, 4.071}, {-1.2, -0.3983, -87.68, 4.039},
    {-1.3, -0.398, -76.8, 4.01},    {-1.4, -0.3981, -68.07, 3.983}, {-1.5, -0.3979, -58.85, 3.955},
    {-1.6, -0.3968, -44.33, 3.915}, {-1.7, -0.3966, -36.97, 3.886}, {-1.8, -0.3961, -28.76, 3.855},
    {-1.9, -0.396, -22.17, 3.826},  {-2.0, -0.3934, -13.4, 3.779},
}};

// The items of the GAIN list, "2.0" … "-2.0", one per table row.
inline constexpr std::array<const char*, GAIN_COUNT> GAIN_LIST_ITEMS = {
    "2.0",  "1.9",  "1.8",  "1.7",  "1.6",  "1.5",  "1.4",  "1.3",  "1.2",  "1.1",  "1.0",
    "0.9",  "0.8",  "0.7",  "0.6",  "0.5",  "0.4",  "0.3",  "0.2",  "0.1",  "0.0",  "-0.1",
    "-0.2", "-0.3", "-0.4", "-0.5", "-0.6", "-0.7", "-0.8", "-0.9", "-1.0", "-1.1", "-1.2",
    "-1.3", "-1.4", "-1.5", "-1.6", "-1.7", "-1.8", "-1.9", "-2.0"};

inline constexpr int DEFAULT_GAIN_INDEX = 20;
inline constexpr GainSetting DEFAULT_GAIN_SETTING = {0.0, -0.4016, -309, 4.402};

// The row whose GAIN equals `gain` exactly, or -1.
int FindGainIndex(double gain);

// Significant digits of the numbers in the last-run file.
inline constexpr int LAST_RUN_DIGITS = 20;
// Characters of a last-run line taken at a time (one less than its read buffer).
inline constexpr int LAST_RUN_LINE_BUFFER = 100;

// The four lines of the last-run file: the GAIN at full precision, then a, x0 and y0 (float32 values).
std::string LastRunText(double gain, float a, float x0, float y0);

// Writes LastRunText under a temporary name beside `path` and renames it over `path`; false (errno
// set, the temporary removed, an earlier file at `path` untouched) when it cannot.
bool SaveLastRun(const std::string& path, double gain, float a, float x0, float y0);

// What LoadLastRun took from the file; a value stays empty when its line was not taken.
struct LastRunValues {
    int m_nGainIndex = -1;
    std::optional<double> m_dGain;
    std::optional<double> m_dA;
    std::optional<double> m_dX0;
    std::optional<double> m_dY0;
};

// Reads the last-run file at `path`: the GAIN (one of the table's values exactly), then a, x0 and y0
// with no range check. Shows the missing-file, unknown-gain or corrupt-data message when reading
// stops early; the values read before that are returned.
LastRunValues LoadLastRun(const std::string& path, Messages& messages);

} // namespace gc
