// Texts shown by the image codecs.
#pragma once

namespace gc {

inline constexpr const char* MSG_CANT_OPEN_FILE = "Can't Open file";
inline constexpr const char* MSG_TIFF_TOO_LARGE =
    "TIFF image is greater than 10,000 pixels in height or width. Cannot open ... Resart Application.";

} // namespace gc
