// The output files of one found image: created before its first row, written row by row with a
// binned copy built on the way (each binned pixel the truncated mean of a b × b block), and finished:
// TIFF files closed, MRC files given the header with the statistics of the whole image. Every file is
// written under a temporary name and renamed over its final name only when finished; an output that
// goes unfinished (a fatal stop, an interruption) leaves neither a file under the final name nor a
// temporary. An image that runs off the bottom of the scan is completed with zero rows when it is
// finished, so every file holds the rows its header declares; the zero rows count in no statistics.
#pragma once

#include "OutputNames.h"
#include "RunOutcome.h"
#include "ScanCheck.h"
#include "core/FileHandles.h"
#include "core/PendingFile.h"
#include "core/TiffHandle.h"
#include "image/MrcHeader.h"
#include "image/MrcOutputFile.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <tiffio.h>
#include <utility>
#include <vector>

namespace gc {

// What every output of one input file shares.
struct OutputSettings {
    bool m_bTiff = false;
    int m_nBinning = 0;                              // 0, 2, 3 or 4
    int m_nWidth = 0, m_nHeight = 0;                 // expectedWidth × expectedHeight
    int m_nBinnedWidth = 0, m_nBinnedHeight = 0;     // binning only
    std::uint16_t m_nCompression = COMPRESSION_NONE; // TiffOutputCompression of the input's
    std::uint16_t m_nPhotometric = PHOTOMETRIC_MINISBLACK;
    MrcOptions mrc; // MRC2014: images as mode 6; the pixel size of the full-size outputs
    // The resolution tags of TIFF outputs: pixels per centimetre of the pixel size when one is set,
    // otherwise the scan's own (ResolutionUnit 1 when the scan has none).
    std::uint16_t m_nResolutionUnit = RESUNIT_NONE;
    float m_fXResolution = 0, m_fYResolution = 0;
    // The time the MRC2014 labels name (the Run's).
    std::chrono::system_clock::time_point m_labelTime{};

    static OutputSettings For(const ScanGeometry& geometry, bool tiff, int binning);
    // The same with the MRC style and the full-size pixel size.
    static OutputSettings For(const ScanGeometry& geometry, const RunSettings& parameters, double pixelSize);
};

// The compression of TIFF outputs of a scan compressed with `scanCompression`: the scan's own, but
// Deflate (lossless) for JPEG, which the library cannot write one row a strip.
std::uint16_t TiffOutputCompression(std::uint16_t scanCompression);

// The header statistics of an 8-bit image from exact sums over the nominal pixel count n:
// mean = sum / n, rms = √(|sumSquares / n − mean²| / (n − 1)).
void SplitStatistics(std::uint64_t sum, std::uint64_t sumSquares, std::int64_t count, double& mean,
                     double& rms);

// One file of an image's output, the full-size or the binned copy: its name and size, its TIFF or
// MRC writer under a temporary name, and the rows written so far.
class ImageOutputFile {
public:
    ImageOutputFile() = default;
    ImageOutputFile(const ImageOutputFile&) = delete;
    ImageOutputFile& operator=(const ImageOutputFile&) = delete;

    // Creates the file `path` of width × height for an image of `settings`, `binning` times coarser
    // than the full size (1 for the full-size file).
    RunOutcome Open(const std::string& path, int width, int height, int binning,
                    const OutputSettings& settings);
    // Where the next row may be put together so that WriteRow writes it without a copy (an MRC file
    // of 8-bit values), or nullptr.
    unsigned char* NextRowPlace() { return m_mrc.IsOpen() ? m_mrc.NextRowPlace() : nullptr; }
    // Writes row `rowIndex` (0, 1, 2, ...) of the file's width.
    RunOutcome WriteRow(const unsigned char* row, int rowIndex);
    // TIFF: the missing rows as zero strips, then closed and renamed (nothing when not open).
    RunOutcome CloseTiff();
    // MRC: the missing rows as zeros, the final header over the placeholder, closed and renamed; a
    // failed write, close or rename is a write error (nothing when not open).
    RunOutcome FinishMrc();

    bool IsOpen() const { return m_tiff || m_mrc.IsOpen(); }
    // After FinishMrc: the header's statistics.
    const MrcStatistics& Finished() const { return m_mrc.Written(); }
    // After a failure: the file and the system's reason.
    const std::string& Failure() const { return m_strFailure; }

private:
    RunOutcome OpenTiff(int width, int height, int binning, const OutputSettings& settings);
    RunOutcome OpenMrc(int width, int height, int binning, const OutputSettings& settings);
    RunOutcome Fail(RunOutcome result, const char* reason = nullptr);

    std::string m_strPath;
    int m_nWidth = 0, m_nHeight = 0;
    // Declared before the handle, so that the handle is closed before its temporary is removed.
    PendingFile m_pending;
    TiffHandle m_tiff;
    MrcOutputFile m_mrc;
    int m_nRowsWritten = 0;
    std::string m_strFailure;
};

class ImageOutput {
public:
    ImageOutput() = default;
    ImageOutput(const ImageOutput&) = delete;
    ImageOutput& operator=(const ImageOutput&) = delete;

    // The full-size and binned (empty without binning) output names for the full-size TIFF name.
    static std::pair<std::string, std::string> NamesFor(const ImageName& name,
                                                        const OutputSettings& settings);

    // Creates the full-size file (and the binned one). `name` is the full-size TIFF name;
    // MRC output writes to its MRC name.
    RunOutcome Open(const ImageName& name, const OutputSettings& settings);
    // Where the next row may be put together for WriteRow, so that the full-size file takes it without
    // a copy; nullptr when that file has no such place.
    unsigned char* NextRowPlace() { return m_full.NextRowPlace(); }
    // Writes row `rowIndex` (0, 1, 2, ...) of m_nWidth bytes.
    RunOutcome WriteRow(const unsigned char* row, int rowIndex);
    // TIFF outputs: the missing rows as zero strips, then closed and renamed.
    RunOutcome CloseTiff();
    // MRC outputs: the missing rows as zeros, the final headers over the placeholders, closed and
    // renamed; a failed write, close or rename is a write error.
    RunOutcome FinishMrc();

    bool IsOpen() const { return m_full.IsOpen() || m_binned.IsOpen(); }
    const std::string& Name() const { return m_strName; }
    const std::string& BinnedName() const { return m_strBinnedName; }
    // After FinishMrc: the header's statistics of the full-size (binned false) or binned file.
    const MrcStatistics& Finished(bool binned) const {
        return binned ? m_binned.Finished() : m_full.Finished();
    }
    // After a failure: the file and the system's reason ("writing out/a_1.mrc: No space left on device").
    const std::string& Failure() const {
        return m_full.Failure().empty() ? m_binned.Failure() : m_full.Failure();
    }

private:
    // Adds row `rowIndex` to the block sums; true when it completes a binned row.
    bool BinRow(const unsigned char* row, int rowIndex);

    OutputSettings m_settings;
    std::string m_strName, m_strBinnedName;
    ImageOutputFile m_full, m_binned;
    std::vector<unsigned char> m_binnedRow;
    std::vector<std::uint32_t> m_accumulator; // block sums, at most 16 × 255
};

} // namespace gc
