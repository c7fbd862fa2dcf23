#include "FitFields.h"

#include "ConvertMessages.h"
#include "GainTable.h"
#include "NumberText.h"

#include <cmath>

namespace gc {

bool FitConstantAccepted(float value, int lower, int upper) {
    if (value == 0.0f)
        return false;
    const double wholePart = std::trunc(std::fabs(static_cast<double>(value)));
    return wholePart >= lower && wholePart <= upper; // NaN fails both
}

bool CheckFitConstants(const FitConstants& fit, int lower, int upper, Messages& messages) {
    const struct {
        float value;
        const char* message;
    } fields[] = {
        {fit.m_fA, MSG_A_NOT_CORRECT}, {fit.m_fX0, MSG_X0_NOT_CORRECT}, {fit.m_fY0, MSG_Y0_NOT_CORRECT}};
    for (const auto& field : fields) {
        if (!FitConstantAccepted(field.value, lower, upper)) {
            messages.Warning(field.message);
            return false;
        }
    }
    return true;
}

float ReadFitConstant(const std::string& text) {
    return static_cast<float>(ParseDecimal(text));
}

FitConstants FitConstantsOf(double a, double x0, double y0) {
    return {static_cast<float>(a), static_cast<float>(x0), static_cast<float>(y0)};
}

bool ReadFitConstants(const std::string& aText, const std::string& x0Text, const std::string& y0Text,
                      int lower, int upper, FitConstants& fit, Messages& messages) {
    const FitConstants read{ReadFitConstant(aText), ReadFitConstant(x0Text), ReadFitConstant(y0Text)};
    if (!CheckFitConstants(read, lower, upper, messages))
        return false;
    fit = read;
    return true;
}

FitTexts FitTextsOf(double a, double x0, double y0) {
    return {FormatShortest(a, FIT_FIELD_DIGITS), FormatShortest(x0, FIT_FIELD_DIGITS),
            FormatShortest(y0, FIT_FIELD_DIGITS)};
}

FitTexts FitTextsOfGain(int gainIndex) {
    const bool row = gainIndex >= 0 && gainIndex < GAIN_COUNT;
    const GainSetting& setting = row ? GAIN_TABLE[static_cast<std::size_t>(gainIndex)] : DEFAULT_GAIN_SETTING;
    return {FormatGeneral(setting.a, FIT_FIELD_DIGITS), FormatGeneral(setting.x0, FIT_FIELD_DIGITS),
            FormatGeneral(setting.y0, FIT_FIELD_DIGITS)};
}

} // namespace gc
