// What the "Particle Pick Settings ..." dialog (PickSettingsDialog) does with its controls, apart from the
// widgets: the two check boxes toggle pick mode and collate, every change of the size field is read
// at once into the mask size (quietly: the size is checked when the user confirms it, not at every
// key), OK accepts only pick mode on with a size of 2..200, Cancel resets the pick state, and Esc (or
// the close box) leaves everything as the last change made it. The field starts with the size last
// accepted, so a user picking the same particles does not type it again.
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
    // Opening the dialog resets the pick state; the size becomes `rememberedSize` when that is a
    // size OK accepts (else 0), and the size field shows it.
    explicit PickSettingsForm(PickState& state, int rememberedSize = 0);

    void OnPickModeClicked() { m_state.m_bPickMode = m_state.m_bPickMode ? 0 : 1; }
    void OnCollateClicked() { m_state.m_bCollate = m_state.m_bCollate ? 0 : 1; }

    // The size field's text changed (typed, pasted or set by OK): an integer is stored as the size,
    // other text keeps it. Nothing is shown; OK checks the size.
    void OnMaskSizeChanged(const std::string& text);

    // OK: true when the dialog closes. Otherwise the size field now reads "0" (MaskText) and that
    // change has been handled like any other. The caller repaints the main window in every case.
    bool OnOk(Messages& messages);
    // Cancel: the pick state is reset and the dialog closes.
    void OnCancel() { m_state.ResetPickState(); }

    const std::string& MaskText() const { return m_strMaskText; }
    bool PickModeChecked() const { return m_state.m_bPickMode != 0; }
    bool CollateChecked() const { return m_state.m_bCollate != 0; }
    // Whether OK would accept `size`.
    static bool IsAcceptedSize(int size) { return size > 1 && size <= MAX_MASK_SIZE; }

private:
    PickState& m_state;
    std::string m_strMaskText;
};

// The decimal integer at the start of `text` as the C library reads it (0 when there is none);
// values beyond the int range saturate.
int LeadingInteger(const std::string& text);

} // namespace gc
