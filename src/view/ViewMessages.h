// Texts shown by the image view.
#pragma once

namespace gc {

inline constexpr const char* MSG_X_POSITION_START = "X Position Start: ";
inline constexpr const char* MSG_Y_POSITION_START = "Y Position Start: ";
inline constexpr const char* MSG_X_POSITION_END = "X Position End: ";
inline constexpr const char* MSG_Y_POSITION_END = "Y Position End: ";

// A right-button drag: its ends in image pixels (1-based, as the position pane counts) and its
// length, in ångström too when the pixel size is known.
inline constexpr const char* MSG_MEASURE = "From x %1, y %2 to x %3, y %4: %5 px";
inline constexpr const char* MSG_MEASURE_ANGSTROM = " = %1 \u00c5";

// The image list window: its caption and the format of its entries (1-based).
inline constexpr const char* DIRECTORY_CAPTION = "Directory";
inline constexpr const char* DIRECTORY_ENTRY_FORMAT = "image%d";

} // namespace gc
