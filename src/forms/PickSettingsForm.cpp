#include "forms/PickSettingsForm.h"

#include "pick/PickMessages.h"

#include <cctype>
#include <climits>

namespace gc {

namespace {

// Reads optional blanks, an optional sign and digits from `position`; false when no digit follows.
bool ReadInteger(const std::string& text, std::size_t& position, int& value) {
    while (position < text.size() && std::isspace(static_cast<unsigned char>(text[position])))
        ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-'))
        negative = text[position++] == '-';
    if (position >= text.size() || !std::isdigit(static_cast<unsigned char>(text[position])))
        return false;
    long long magnitude = 0;
    for (; position < text.size() && std::isdigit(static_cast<unsigned char>(text[position])); ++position)
        if (magnitude <= INT_MAX)
            magnitude = magnitude * 10 + (text[position] - '0');
    if (negative)
        value = magnitude > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-magnitude);
    else
        value = magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
    return true;
}

} // namespace

int LeadingInteger(const std::string& text) {
    std::size_t position = 0;
    int value = 0;
    return ReadInteger(text, position, value) ? value : 0;
}

PickSettingsForm::PickSettingsForm(PickState& state, int rememberedSize) : m_state(state) {
    m_state.ResetPickState();
    if (IsAcceptedSize(rememberedSize))
        m_state.m_nMaskSize = rememberedSize;
    m_strMaskText = std::to_string(m_state.m_nMaskSize);
}

void PickSettingsForm::OnMaskSizeChanged(const std::string& text) {
    m_strMaskText = text;
    std::size_t position = 0;
    int value = 0;
    bool isInteger = ReadInteger(text, position, value);
    while (isInteger && position < text.size())
        isInteger = std::isspace(static_cast<unsigned char>(text[position++])) != 0;
    if (isInteger)
        m_state.m_nMaskSize = value;
}

bool PickSettingsForm::OnOk(Messages& messages) {
    m_state.m_nMaskSize = LeadingInteger(m_strMaskText);
    if (m_state.m_bPickMode == 0)
        messages.Warning(pick_text::SET_PICK_MODE_ON);
    if (IsAcceptedSize(m_state.m_nMaskSize) && m_state.m_bPickMode == 1)
        return true;
    messages.Warning(pick_text::INVALID_MASK_SIZE);
    OnMaskSizeChanged("0");
    return false;
}

} // namespace gc
