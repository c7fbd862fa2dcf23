// MRC files by content: whether a file's header is an MRC header whatever the file's name.
//
// A header is taken for an MRC header when NX, NY and NZ are positive, NSYMBT is not negative, MODE is
// one of the format's data modes (0, 1, 2, 3, 4, 6, 12) and either
// - the MAP field holds "MAP " (or "MAP" and a zero byte), as every writer since the 2000 revision
//   puts it, or
// - (an older file without it) MAPC, MAPR and MAPS are 1, 2 and 3 in some order and the file is long
//   enough for the header, the extended header and NX·NY·NZ values.
// Numbers are read in the byte order the machine stamp gives (MrcHeader).
#pragma once

#include "image/MrcHeader.h"

#include <cstdint>
#include <string>

namespace gc {

// Whether `header`, read from a file `fileLength` bytes long, is an MRC header (see above).
bool IsMrcHeader(const MrcHeader& header, std::int64_t fileLength);
// Whether the file at `path` starts with an MRC header; false when it cannot be read.
bool IsMrcFile(const std::string& path);

} // namespace gc
