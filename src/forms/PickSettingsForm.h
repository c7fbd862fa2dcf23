// What the "Particle Pick Settings ..." dialog (PickSettingsDialog) does with its controls, apart from the
// widgets: the two check boxes toggle pick mode and collate, every change of the size field is read
// at once into the mask size, OK accepts only pick mode on with a size of 2..200, Cancel resets the
// pick state, and Esc (or the close box) leaves everything as the last change made it.
#pragma once

#include "core/Messages.h"
#include "pick/PickState.h"

#include <string>

namespace gc {

// Range the size field itself accepts without its range prompt.
inline constexpr int MASK_FIELD_MIN = 1;
inline constexpr int MASK_FIELD_MAX = 99999;

class PickSettingsForm {
public:
    // Opening the dialog resets the pick state; the size field shows the size (0).
    explicit PickSettingsForm(PickState& state);

    void OnPickModeClicked() { m_state.m_bPickMode = m_state.m_bPickMode ? 0 : 1; }
    void OnCollateClicked() { m_state.m_bCollate = m_state.m_bCollate ? 0 : 1; }

    // The size field's text changed (typed, pasted or set by OK). Text that is not an integer shows
    // the integer prompt and keeps the size; an integer is stored, and one outside 1..99999 is
    // followed by the range prompt.
    void OnMaskSizeChanged(const std::string& text, Messages& messages);

    // OK: true when the dialog closes. Otherwise the size field now reads "0" (MaskText) and that
    // change has been handled like any other. The caller repaints the main window in every case.
    bool OnOk(Messages& messages);
    // Cancel: the pick state is reset and the dialog closes.
    void OnCancel() { m_state.ResetPickState(); }

    const std::string& MaskText() const { return m_strMaskText; }
    bool PickModeChecked() const { return m_state.m_bPickMode != 0; }
    bool CollateChecked() const { return m_state.m_bCollate != 0; }

private:
    PickState& m_state;
    std::string m_strMaskText;
};

// The decimal integer at the start of `text` as the C library reads it (0 when there is none);
// values beyond the int range saturate.
int LeadingInteger(const std::string& text);

} // namespace gc
