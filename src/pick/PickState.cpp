#include "PickState.h"

namespace gc {

void PickState::ResetPickState() {
    m_bPickMode = 0;
    m_bCollate = 0;
    m_nMaskSize = 0;
    ClearPicks();
}

void PickState::ClearPicks() {
    m_nPickCount = 0;
    m_ptPicks.assign(MAX_PICKS, EMPTY_PICK);
}

} // namespace gc
