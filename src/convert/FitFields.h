// The a, x0 and y0 fields of the Convert / Cut dialog as texts: the text each one shows for a value,
// the lenient reading of what was typed, and the "... re-enter." checks. The dialog's form and the
// command line use them to turn fields or options into the FitConstants that Convert takes.
#pragma once

#include "OpticalDensity.h"
#include "core/Messages.h"

#include <string>

namespace gc {

// Bounds of the integer part of a fit constant's magnitude, both included.
inline constexpr int FIT_LOWER_LIMIT = 0;
inline constexpr int FIT_UPPER_LIMIT = 20000;

// A fit constant is accepted when it is not 0 and the integer part of its magnitude lies within
// lower..upper.
bool FitConstantAccepted(float value, int lower, int upper);

// Checks a, x0 and y0 in that order; shows the message of the first refused one and returns false.
bool CheckFitConstants(const FitConstants& fit, int lower, int upper, Messages& messages);

// The value of a typed field: read leniently (ParseDecimal), rounded to float32.
float ReadFitConstant(const std::string& text);

// The three values rounded to float32, as Convert uses them.
FitConstants FitConstantsOf(double a, double x0, double y0);

// Reads the texts of the a, x0 and y0 fields and checks them (CheckFitConstants); `fit` is set only
// when all three are accepted.
bool ReadFitConstants(const std::string& aText, const std::string& x0Text, const std::string& y0Text,
                      int lower, int upper, FitConstants& fit, Messages& messages);

// The fit constants as the three fields hold them: a GAIN choice fills them with up to 15 significant
// digits (FormatGeneral), the defaults and the last-run file with the shortest exact text
// (FormatShortest).
inline constexpr int FIT_FIELD_DIGITS = 15;
struct FitTexts {
    std::string a, x0, y0;
};
FitTexts FitTextsOf(double a, double x0, double y0);
FitTexts FitTextsOfGain(int gainIndex);

} // namespace gc
