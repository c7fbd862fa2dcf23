// MrcOutputFile: the one way an MRC file is written. It is opened with a description (size, sections,
// data mode, pixel size, header style, the writer's label), takes the pixel values row by row and
// writes the header last: the file starts with the cleared header as its placeholder, the values go
// out as they come (their statistics gathered on the way), and Close puts the finished header over
// the placeholder, closes the file and renames it from its temporary name (PendingFile) to its own.
// A file that is never closed leaves nothing under its name.
//
// Two header styles: Classic keeps the 2000 revision's bytes exactly (four zero bytes of machine
// stamp, the writer's own statistics, one label); Mrc2014 writes machine stamp 0x44 0x44 0x00 0x00,
// NVERSION 20140, the data's own minimum, maximum, mean and standard deviation, a first label naming
// the program, its version and the date, and marks a file of several sections as an image stack.
#pragma once

#include "MrcHeader.h"
#include "MrcOptions.h"
#include "RowFileResult.h"
#include "core/FileHandles.h"
#include "core/PendingFile.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace gc {

// DMIN, DMAX, DMEAN and RMS as a header holds them.
struct MrcStatistics {
    double dmin = 0, dmax = 0, dmean = 0, rms = 0;
};

// The documented mean and RMS of `count` values from their sum and sum of squares: mean = sum / n,
// rms = √(|sumSquares / n − mean²| / (n − 1)); no values have mean 0, one value RMS 0.
void DocumentedMeanAndRms(double sum, double sumSquares, double count, double& mean, double& rms);
// The mean and RMS the classic float writers' headers hold: mean = sum / n and
// rms = √(|sumSquares − mean²| / n), the sum of squares taken as it is, not divided by n.
void ClassicFloatMeanAndRms(double sum, double sumSquares, double count, double& mean, double& rms);

// What a file will hold.
struct MrcDescription {
    int width = 0, height = 0, sections = 1;
    int mode = MRC_MODE_BYTE; // MRC_MODE_BYTE or MRC_MODE_UINT16 (8-bit rows), MRC_MODE_FLOAT
    MrcStyle style = MrcStyle::Classic;
    double pixelSize = 0; // Å per pixel; 0 when not set (the cell is then the size in pixels)
    std::string label;    // the writer's text
    // The date the MRC2014 label names; the epoch means "now".
    std::chrono::system_clock::time_point time{};
};

// Exact statistics of the values written: 8-bit values in 64-bit integer sums, floats in double.
class MrcDataStatistics {
public:
    // `widest`: on the processor's widest vector unit; false: 16 values at a time at most (as on
    // processors without AVX2), for the tests of both.
    void AddBytes(const unsigned char* values, std::size_t count, bool widest = true);
    void AddFloats(const float* values, std::size_t count);
    void AddZeros(std::size_t count);

    std::int64_t Count() const { return m_nCount; }
    // Sums of the 8-bit values and of their squares.
    std::uint64_t ByteSum() const { return m_nByteSum; }
    std::uint64_t ByteSumSquares() const { return m_nByteSumSquares; }
    // Minimum, maximum, mean and standard deviation from the mean (over the count, not count − 1);
    // all 0 for no values.
    MrcStatistics Data() const;
    // The documented mean and RMS (DocumentedMeanAndRms) of the 8-bit values over a nominal count,
    // which counts values never added (rows an image did not deliver) as zeros.
    void ByteMeanAndRms(std::int64_t nominalCount, double& mean, double& rms) const;

private:
    std::int64_t m_nCount = 0;
    std::uint64_t m_nByteSum = 0, m_nByteSumSquares = 0;
    double m_dSum = 0, m_dSumSquares = 0;
    double m_dMin = 0, m_dMax = 0;
};

// The first label of an MRC2014 file: "Gridcarver <version> <yyyy-mm-dd hh:mm:ss> UTC".
std::string MrcCreatorLabel(std::chrono::system_clock::time_point time);

// The finished header of a file described by `description` with the statistics `statistics`.
MrcHeader MrcHeaderFor(const MrcDescription& description, const MrcStatistics& statistics);

class MrcOutputFile {
public:
    // Creates the file under a given temporary name; default: fopen(name, "wb").
    using Opener = std::function<std::FILE*(const std::string& temporaryPath)>;

    MrcOutputFile() = default;
    MrcOutputFile(const MrcOutputFile&) = delete;
    MrcOutputFile& operator=(const MrcOutputFile&) = delete;

    // Creates the temporary of `path` (space for the whole file reserved where the file system
    // allows) and writes the placeholder header: NotCreated when the temporary cannot be made,
    // WriteFailed when the placeholder cannot be written; the file then stays open, so a caller may
    // still try the values. `bufferBytes` > 0: the values are gathered (widened, encoded) straight
    // into a block of that size, which goes to the file in one write when full; 0: each piece goes
    // to the stream as it comes.
    RowFileResult Open(const std::string& path, const MrcDescription& description,
                       std::size_t bufferBytes = 0, const Opener& opener = {});
    // Where the next row of 8-bit values may be put together, in the block itself, so that WriteRow
    // need not copy it (mode 0 with a block that has room for it); nullptr otherwise. Valid until the
    // next write.
    unsigned char* NextRowPlace();
    // One row of `width` 8-bit values (mode 0: as they are; mode 6: as unsigned 16-bit values).
    RowFileResult WriteRow(const unsigned char* row);
    // `count` values as little-endian float32 (mode 2).
    RowFileResult WriteFloats(const float* values, std::size_t count);
    // `rows` rows of zeros, of the file's mode.
    RowFileResult WriteZeroRows(int rows);
    // The finished header over the placeholder (Classic: `classic`; Mrc2014: the data's statistics),
    // then the close and the rename; the temporary is removed when any of them fails.
    RowFileResult Close(const MrcStatistics& classic);
    // Closes and removes the temporary.
    void Discard();

    bool IsOpen() const { return static_cast<bool>(m_file); }
    const std::string& Path() const { return m_pending.FinalPath(); }
    const MrcDescription& Description() const { return m_description; }
    const MrcDataStatistics& Statistics() const { return m_statistics; }
    // The statistics the finished header holds (after a successful Close).
    const MrcStatistics& Written() const { return m_written; }

private:
    // The failure of the step that has just failed, with the reason the system gave for it.
    RowFileResult Failure(RowFileOutcome outcome) const;
    bool PutRow(const unsigned char* row);
    bool PutFloats(const float* values, std::size_t count);
    bool PutZeroRows(int rows);
    bool Put(const void* bytes, std::size_t size);
    // Room for `size` more bytes: in the block (written out first when full), or, without a block or
    // for more than a block holds, in m_encoded. False when writing the block failed.
    bool Room(std::size_t size, unsigned char*& room);
    // Writes `size` bytes put into `room`, unless they wait in the block.
    bool Filled(const unsigned char* room, std::size_t size);
    // Writes the bytes waiting in the block.
    bool Flush();
    // Cuts the reserved space the values did not fill (after the header is in place).
    bool FitReservation(std::FILE* file) const;

    MrcDescription m_description;
    MrcDataStatistics m_statistics;
    MrcStatistics m_written;
    std::vector<unsigned char> m_block; // bytes gathered for the next write (bufferBytes > 0)
    std::size_t m_nBlockUsed = 0;
    std::uint64_t m_nReserved = 0;        // the file's size since Open, 0 without a reservation
    std::uint64_t m_nBytesPut = 0;        // bytes written so far, the header included
    std::vector<unsigned char> m_encoded; // values on their way without the block
    // Declared before the file, so that the file is closed before its temporary is removed.
    PendingFile m_pending;
    FileHandle m_file;
};

} // namespace gc
