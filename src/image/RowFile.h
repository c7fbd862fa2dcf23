// RowFile: an output image written row by row, top to bottom, in one format. It is opened with a
// description, takes the rows and is finished: the rows never written become zero rows, the file is
// completed, closed and renamed from its temporary name (PendingFile) to its own. A file that is
// discarded or never finished leaves nothing, neither under its name nor under the temporary. Each
// format is one class (TiffRowFile, MrcRowFile); a filter such as BinningFilter stands in front of
// one. Every step returns its result with the reason of a failure ("writing out/a_1.mrc: No space
// left on device").
#pragma once

#include "MrcOutputFile.h"
#include "RowFileResult.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace gc {

// The statistics a classic MRC header holds, from those of the values written and the described
// pixel count (which counts the zero rows a Finish adds).
using ClassicStatisticsRule =
    std::function<MrcStatistics(const MrcDataStatistics& data, std::int64_t pixels)>;

// What a file will hold; each format reads its own fields. Rows are 8-bit values of `width`.
struct RowFileDescription : MrcDescription {
    // MRC: the classic header's statistics; without a rule, the data's own.
    ClassicStatisticsRule classicStatistics;
    // TIFF: 8 or 16 bits a sample (rows of 2 × width bytes), and the tags (the values of tiffio.h's
    // COMPRESSION_NONE, PHOTOMETRIC_MINISBLACK and RESUNIT_NONE by default); the photometric
    // interpretation and the orientation are written only when set, the resolution only when both
    // values are above 0.
    std::uint16_t bitsPerSample = 8;
    std::uint16_t compression = 1;
    std::optional<std::uint16_t> photometric = 1, orientation;
    std::uint16_t resolutionUnit = 1;
    float xResolution = 0, yResolution = 0;
};

class RowFile {
public:
    RowFile() = default;
    RowFile(const RowFile&) = delete;
    RowFile& operator=(const RowFile&) = delete;
    virtual ~RowFile() = default;

    // Creates the temporary of `path`; nothing appears under `path` before Finish.
    virtual RowFileResult Open(const std::string& path, const RowFileDescription& description) = 0;
    // Where the next row may be put together so that WriteRow takes it without a copy; nullptr when
    // the file has no such place. Valid until the next write.
    virtual unsigned char* NextRowPlace() { return nullptr; }
    // The next row (rows are counted from 0 in the order they come); 8-bit values unless the format
    // says otherwise.
    virtual RowFileResult WriteRow(const unsigned char* row) = 0;
    // The rows not written as zeros, the file completed, closed and renamed; after a failure nothing
    // is left. Done at once when not open.
    virtual RowFileResult Finish() = 0;
    // Closes the file and removes its temporary.
    virtual void Discard() = 0;
    virtual bool IsOpen() const = 0;
    // After Finish: the statistics the header holds, where the format has them.
    virtual std::optional<MrcStatistics> Statistics() const { return std::nullopt; }
};

} // namespace gc
