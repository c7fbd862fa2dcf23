// The state of the Caps Lock, Num Lock and Scroll Lock keys for the status-bar indicators. Known on
// X11 (through XKB's named indicators); elsewhere the state is unknown.
#pragma once

#include <optional>

namespace gc {

struct LockKeyState {
    bool m_bCaps = false;
    bool m_bNum = false;
    bool m_bScroll = false;
};

// The current state, or nothing when the platform does not tell.
std::optional<LockKeyState> QueryLockKeys();

} // namespace gc
