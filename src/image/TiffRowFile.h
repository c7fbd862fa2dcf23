// The TIFF row file: greyscale of 8 or 16 bits, one row a strip, the description's compression,
// photometric interpretation, orientation and resolution tags.
#pragma once

#include "RowFile.h"
#include "core/PendingFile.h"
#include "core/TiffHandle.h"

namespace gc {

class TiffRowFile final : public RowFile {
public:
    TiffRowFile() = default;

    RowFileResult Open(const std::string& path, const RowFileDescription& description) override;
    RowFileResult WriteRow(const unsigned char* row) override;
    RowFileResult Finish() override;
    void Discard() override;
    bool IsOpen() const override { return static_cast<bool>(m_tiff); }

private:
    RowFileResult WriteStrip(const unsigned char* row, int strip);
    // Closes the file, removes its temporary and returns the failure.
    RowFileResult Failure(RowFileOutcome outcome, int error, const char* detail);

    int m_height = 0, m_rows = 0;
    std::size_t m_rowBytes = 0;
    // Declared before the handle, so that the handle is closed before its temporary is removed.
    PendingFile m_pending;
    TiffHandle m_tiff;
};

} // namespace gc
