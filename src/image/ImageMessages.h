// Texts shown by the image codecs.
#pragma once

#include "image/ImageLimits.h"

namespace gc {

inline constexpr const char* MSG_CANT_OPEN_FILE = "Can't Open file";
// A picture whose samples could not be given memory.
inline constexpr const char* MSG_NOT_ENOUGH_MEMORY = "Not enough memory to open this image.";
// A picture refused before decoding because its 24-bit bitmap (or the JPEG library's buffers for it)
// would take more than MAX_VIEW_IMAGE_BYTES: BMP, JPEG and the TIFF layouts read through RGBA.
inline constexpr const char* MSG_IMAGE_TOO_LARGE =
    "Image too large to open: it would need more than 1 GiB of memory.";
static_assert(MAX_VIEW_IMAGE_BYTES == std::int64_t{1} << 30, "MSG_IMAGE_TOO_LARGE names the limit");

// MRC files the viewer refuses (MrcReader.h).
inline constexpr const char* MSG_MRC_NO_HEADER = "MRC file too short: it does not hold the 1024-byte header.";
inline constexpr const char* MSG_MRC_UNKNOWN_MODE =
    "MRC file of an unknown data mode: the viewer reads modes 0, 1, 2 and 6.";
inline constexpr const char* MSG_MRC_BAD_SIZE =
    "MRC file header gives an impossible size (NX, NY, NZ or extended header).";
inline constexpr const char* MSG_MRC_TRUNCATED =
    "MRC file is shorter than its header says: the data end before NX x NY x NZ values.";

// The reasons of a TIFF output that fails where the library gives no system reason (after
// DETAIL_WRITING and the path).
inline constexpr const char* DETAIL_CANNOT_CREATE = "cannot create the file";
inline constexpr const char* DETAIL_STRIP_UNWRITTEN = "the strip cannot be written";
inline constexpr const char* DETAIL_NOT_COMPLETED = "the file cannot be completed";

} // namespace gc
