// The viewer's MRC reader, the one decoder of MRC pixel data: MrcFile checks a file's header and maps
// the file, and hands out each section (NZ) as a PixelStore of the file's own values (mode 0 unsigned
// bytes, 1 signed 16-bit, 2 float, 6 unsigned 16-bit). A little-endian file's sections are the
// mapped bytes themselves, read only where they are touched; a big-endian file's section is decoded
// into the machine's byte order when it is asked for. The view, the read-out and picked boxes all
// read these stores.
//
// Bytes above 127 in mode 0 are unsigned values 128..255, never negative, because the Run writes its
// images as unsigned bytes. Rows are in file order from the top, as the writers of the Run, Convert
// and picking put them: an image split from a scan looks as the scan did.
//
// Numbers are little-endian unless the machine stamp marks the file big-endian (MrcHeader). The
// pixel data start after the 1024-byte header and NSYMBT bytes of extended header.
//
// Refused before anything is allocated, each with its outcome: a file shorter than a header, an
// unknown mode, NX, NY or NZ not positive or a negative NSYMBT, sizes whose data size overflows,
// and data shorter than NX·NY·NZ values. There is no limit on the size beyond what memory allows.
//
// ReadMrcFile makes the 24-bit pictures of every section (the writers' form, PictureOf with
// SpanMinMax: a linear grey scale over each section from its minimum to its maximum); it refuses a
// file whose pictures together would need more than MAX_VIEW_IMAGE_BYTES.
#pragma once

#include "image/DIBSection.h"
#include "image/MrcHeader.h"
#include "image/PixelStore.h"

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

// An MRC file opened for its values.
class MrcFile {
public:
    // Reads and checks the header and maps the file: Read, or why not (never TooLarge or NoMemory).
    MrcReadOutcome Open(const std::string& path);
    const MrcHeader& Header() const { return m_header; }
    int Sections() const { return m_header.m_nNZ; }
    // Section `index` (0-based) of an opened file; false when there is no such section or a
    // big-endian section cannot be decoded for want of memory.
    bool Section(int index, PixelStore& store) const;

private:
    MrcHeader m_header;
    std::shared_ptr<const FileMapping> m_mapping;
    std::int64_t m_nDataOffset = 0;
    std::int64_t m_nSectionBytes = 0;
};

// Reads the MRC file at `path` as 24-bit pictures: on Read, `images` holds one valid image per
// section; after any other outcome it is empty. `header` receives the file's header when one was read.
MrcReadOutcome ReadMrcFile(const std::string& path, MrcImages& images, MrcHeader* header = nullptr);

// The text shown for an outcome other than Read: MSG_CANT_OPEN_FILE, one of the MRC texts of
// ImageMessages.h, or MSG_IMAGE_TOO_LARGE; nullptr for Read and for NoMemory (a bitmap the
// system could not give is dropped silently, as by the other readers).
const char* MrcReadMessage(MrcReadOutcome outcome);

} // namespace gc
