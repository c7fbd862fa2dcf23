#include "NumberText.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace gc {
namespace {

// Switches the calling thread to the "C" locale for its lifetime.
class CLocaleScope {
public:
    CLocaleScope() {
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
        m_previous =
            cLocale != static_cast<locale_t>(nullptr) ? uselocale(cLocale) : static_cast<locale_t>(nullptr);
    }
    ~CLocaleScope() {
        if (m_previous != static_cast<locale_t>(nullptr))
            uselocale(m_previous);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_previous;
};

} // namespace

double ParseDecimal(const std::string& text) {
    CLocaleScope scope;
    return std::strtod(text.c_str(), nullptr);
}

long long ParseLeadingInteger(const std::string& text) {
    CLocaleScope scope;
    return std::strtoll(text.c_str(), nullptr, 10);
}

std::string FormatGeneral(double value, int digits) {
    if (std::isnan(value))
        return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    if (digits < 1)
        digits = 1;
    const std::string sign = std::signbit(value) && value != 0.0 ? "-" : "";
    if (value == 0.0)
        return "0.";

    // The rounded significant digits and the decimal exponent, exactly as printf rounds them.
    std::string scientific;
    {
        CLocaleScope scope;
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, std::fabs(value));
        scientific = buffer;
    }
    const std::size_t exponentAt = scientific.find('e');
    std::string significant = scientific.substr(0, 1);
    if (digits > 1)
        significant += scientific.substr(2, exponentAt - 2);
    const int exponent = std::atoi(scientific.c_str() + exponentAt + 1);

    auto dropTrailingZeros = [](std::string fraction) {
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        return fraction;
    };

    if (exponent >= -1 && exponent < digits) {
        std::string whole;
        std::string fraction;
        if (exponent < 0) {
            whole = "0";
            fraction = significant;
        } else {
            whole = significant.substr(0, static_cast<std::size_t>(exponent) + 1);
            fraction = significant.substr(static_cast<std::size_t>(exponent) + 1);
        }
        return sign + whole + "." + dropTrailingZeros(fraction);
    }
    char exponentText[16];
    std::snprintf(exponentText, sizeof exponentText, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return sign + significant.substr(0, 1) + "." + dropTrailingZeros(significant.substr(1)) + exponentText;
}

std::string FormatShortest(double value, int digits) {
    CLocaleScope scope;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
    return buffer;
}

} // namespace gc
