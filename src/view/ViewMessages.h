// Texts shown by the image view.
#pragma once

namespace gc {

inline constexpr const char* MSG_X_POSITION_START = "X Position Start: ";
inline constexpr const char* MSG_Y_POSITION_START = "Y Position Start: ";
inline constexpr const char* MSG_X_POSITION_END = "X Position End: ";
inline constexpr const char* MSG_Y_POSITION_END = "Y Position End: ";

// The image list window: its caption and the format of its entries (1-based).
inline constexpr const char* DIRECTORY_CAPTION = "Directory";
inline constexpr const char* DIRECTORY_ENTRY_FORMAT = "image%d";

} // namespace gc
