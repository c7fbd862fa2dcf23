// MRC files by content: whether a file's header is an MRC header whatever the file's name, and the
// values of one section's rows as the file holds them (for boxes cut out of an MRC image).
//
// A header is taken for an MRC header when NX, NY and NZ are positive, NSYMBT is not negative, MODE is
// one of the format's data modes (0, 1, 2, 3, 4, 6, 12) and either
// - the MAP field holds "MAP " (or "MAP" and a zero byte), as every writer since the 2000 revision
//   puts it, or
// - (an older file without it) MAPC, MAPR and MAPS are 1, 2 and 3 in some order and the file is long
//   enough for the header, the extended header and NX·NY·NZ values.
// Numbers are read in the byte order the machine stamp gives (MrcHeader).
#pragma once

#include "core/FileHandles.h"
#include "image/MrcHeader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gc {

// Whether `header`, read from a file `fileLength` bytes long, is an MRC header (see above).
bool IsMrcHeader(const MrcHeader& header, std::int64_t fileLength);
// Whether the file at `path` starts with an MRC header; false when it cannot be read.
bool IsMrcFile(const std::string& path);

// The values of one section of an MRC file of mode 0 (unsigned bytes), 1, 2 or 6, row by row in file
// order, as floats.
class MrcSectionRows {
public:
    // Opens section `section` (0-based); false when the file cannot be read, is not an MRC file of a
    // mode above, has no such section or ends before it does.
    bool Open(const std::string& path, int section);
    int Width() const { return m_header.m_nNX; }
    int Height() const { return m_header.m_nNY; }
    // The pixel size the header gives (MrcHeader::PixelSize), 0 when none.
    double PixelSize() const { return m_header.PixelSize(); }
    // Values of row `row` (0 = the first row stored), columns left .. left + count - 1, into `values`;
    // false when they lie outside the section or cannot be read.
    bool ReadRow(int row, int left, int count, float* values);

private:
    FileHandle m_file;
    MrcHeader m_header;
    std::int64_t m_nSectionOffset = 0;
    int m_nBytesPerSample = 0;
    std::vector<unsigned char> m_bytes;
};

} // namespace gc
