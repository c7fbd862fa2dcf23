// The output files of one found image: created before its first row, written row by row with a
// binned copy built on the way (each binned pixel the truncated mean of a b × b block), and finished:
// TIFF files closed, MRC files given the header with the statistics of the whole image. Every file is
// a RowFile, written under a temporary name and renamed over its final name only when finished; an
// output that goes unfinished (a fatal stop, an interruption) leaves neither a file under the final
// name nor a temporary. An image that runs off the bottom of the scan is completed with zero rows when it is
// finished, so every file holds the rows its header declares; the zero rows count in no statistics.
#pragma once

#include "OutputNames.h"
#include "RunOutcome.h"
#include "ScanCheck.h"
#include "core/Result.h"
#include "image/MrcHeader.h"
#include "image/RowFile.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
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

    // The full-size file's description.
    RowFileDescription Description() const;
    // A file of the settings' format; the one place the format is chosen.
    std::unique_ptr<RowFile> NewFile() const;
};

// The compression of TIFF outputs of a scan compressed with `scanCompression`: the scan's own, but
// Deflate (lossless) for JPEG, which the library cannot write one row a strip.
std::uint16_t TiffOutputCompression(std::uint16_t scanCompression);

// The result of an output step: Done, or the stop with the file and the system's reason.
using OutputResult = Result<RunOutcome>;

// The outputs of one found image: the full-size file and, with binning, the binned copy behind a
// BinningFilter, both of the settings' format.
class ImageOutput {
public:
    ImageOutput() = default;
    ImageOutput(const ImageOutput&) = delete;
    ImageOutput& operator=(const ImageOutput&) = delete;

    // The full-size and binned (empty without binning) output names for the full-size TIFF name.
    static std::pair<std::string, std::string> NamesFor(const ImageName& name,
                                                        const OutputSettings& settings);

    // Creates the full-size file (and the binned one). `name` is the full-size TIFF name;
    // MRC output writes to its MRC name. A TIFF output that cannot be created is a FatalRead, an MRC
    // one a FatalWrite.
    OutputResult Open(const ImageName& name, const OutputSettings& settings);
    // Where the next row may be put together for WriteRow, so that the full-size file takes it without
    // a copy; nullptr when that file has no such place.
    unsigned char* NextRowPlace() { return m_files.empty() ? nullptr : m_files.front()->NextRowPlace(); }
    // Writes the next row (rows come in order from 0) of m_nWidth bytes.
    OutputResult WriteRow(const unsigned char* row);
    // The missing rows as zeros, every file completed (MRC: the final header over the placeholder),
    // closed and renamed; a failed write, close or rename is a FatalWrite.
    OutputResult Finish();

    bool IsOpen() const;
    const std::string& Name() const { return m_name; }
    const std::string& BinnedName() const { return m_binnedName; }
    // After Finish: the header statistics of file `file` (0 the full-size one, 1 the binned copy),
    // where the format has them.
    std::optional<MrcStatistics> Statistics(std::size_t file) const;

private:
    OutputResult Of(const RowFileResult& result) const;

    std::string m_name, m_binnedName;
    std::vector<std::unique_ptr<RowFile>> m_files; // the full-size file first
    RunOutcome m_notCreated = RunOutcome::FatalWrite;
};

} // namespace gc
