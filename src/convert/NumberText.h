// Numbers as the Convert / Cut dialog reads and shows them: lenient decimal reading in the manner of
// the C library (text that is not a number reads as 0), and the two general notations it writes.
// Every conversion uses the "C" numeric locale, whatever locale the program runs in.
#pragma once

#include <string>

namespace gc {

// The number at the start of `text` (leading blanks skipped, the rest ignored), or 0 without one.
double ParseDecimal(const std::string& text);

// The integer at the start of `text` (leading blanks and a sign taken, the rest ignored), or 0
// without digits. Values beyond the range of long long saturate.
long long ParseLeadingInteger(const std::string& text);

// General notation with `digits` significant digits: fixed-point for magnitudes from 0.1 up to
// below 10^digits, exponent form otherwise (0 is written in fixed-point); trailing zeros after the
// decimal point are dropped and the point itself is always kept ("0.", "-309.", "1.e-05").
std::string FormatGeneral(double value, int digits);

// The C library's "%.<digits>g": no trailing zeros and no point for a whole number ("-309").
std::string FormatShortest(double value, int digits);

} // namespace gc
