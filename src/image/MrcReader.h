// The viewer's MRC reader: decodes every section (NZ) of an MRC file into its own 24-bit grey
// DIBSection, in file order, so a collated pick file opens as one image per box.
//
// Data modes and grey levels:
//   0  bytes, shown as they are: the byte is the grey level 0..255. Bytes above 127 are read as
//      unsigned values 128..255, never as negative numbers, because the Run writes its images
//      as unsigned bytes; a file written with signed bytes shows its negative values as the
//      bright half of the scale.
//   1  signed 16-bit integers, 2 32-bit floats, 6 unsigned 16-bit integers: a linear grey scale
//      over each section on its own, its minimum black (0) and its maximum white (255), in
//      between rounded to the nearest level. A flat section (minimum = maximum) is black. Float
//      values that are not finite take no part in the minimum and maximum; NaN and -infinity
//      show black, +infinity white.
// Rows are shown in file order from the top, as the writers of the Run, Convert and picking put
// them: an image split from a scan looks as the scan did.
//
// Numbers are little-endian unless the machine stamp marks the file big-endian (MrcHeader). The
// pixel data start after the 1024-byte header and NSYMBT bytes of extended header.
//
// Refused before any image is allocated, each with its outcome: a file shorter than a header, an
// unknown mode, NX, NY or NZ not positive or a negative NSYMBT, sizes whose data size overflows,
// data shorter than NX·NY·NZ values, and a file whose sections together would need more than
// MAX_VIEW_IMAGE_BYTES of bitmaps (each section counted with MRC_SECTION_OVERHEAD_BYTES more). There
// is no limit on the width or height on their own.
#pragma once

#include "image/DIBSection.h"
#include "image/MrcHeader.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace gc {

// What one section costs besides its pixels (the image object, its allocation, its entry in the
// document's list and the image list window), counted against MAX_VIEW_IMAGE_BYTES so that a
// file of very many tiny sections is bounded too.
inline constexpr std::int64_t MRC_SECTION_OVERHEAD_BYTES = 4096;

enum class MrcReadOutcome {
    Read,        // every section was decoded
    CannotOpen,  // the file could not be opened
    NoHeader,    // shorter than the 1024-byte header
    UnknownMode, // MODE is not 0, 1, 2 or 6
    BadSize,     // NX, NY or NZ not positive, NSYMBT negative, or a data size that overflows
    Truncated,   // the data end before NX·NY·NZ values (or could not be read)
    TooLarge,    // the bitmaps would exceed MAX_VIEW_IMAGE_BYTES
    NoMemory,    // a bitmap could not be created
};

using MrcImages = std::vector<std::unique_ptr<DIBSection>>;

// Reads the MRC file at `path`: on Read, `images` holds one valid image per section; after any
// other outcome it is empty. `header` receives the file's header when one was read.
MrcReadOutcome ReadMrcFile(const std::string& path, MrcImages& images, MrcHeader* header = nullptr);
// The same from an open stream positioned at the start of the file (it must be seekable).
MrcReadOutcome ReadMrcStream(std::FILE* file, MrcImages& images, MrcHeader* header = nullptr);

// The text shown for an outcome other than Read: MSG_CANT_OPEN_FILE, one of the MRC texts of
// ImageMessages.h, or MSG_IMAGE_TOO_LARGE; nullptr for Read and for NoMemory (a bitmap the
// system could not give is dropped silently, as by the other readers).
const char* MrcReadMessage(MrcReadOutcome outcome);

} // namespace gc
