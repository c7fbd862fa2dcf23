// Selection index of a list or combo box in the dialogs' window-free logic.
#pragma once

namespace gc {

inline constexpr int NO_SELECTION = -1; // the box shows no item

} // namespace gc
