// The MRC row file: MrcOutputFile behind the RowFile interface. Rows are put together in the
// writer's own block where they fit (NextRowPlace), so the Run's rows reach the file without a copy.
#pragma once

#include "RowFile.h"

#include <cstddef>

namespace gc {

class MrcRowFile final : public RowFile {
public:
    // The size of the block the values are gathered in before each write.
    static constexpr std::size_t BLOCK_BYTES = std::size_t{1} << 20;

    // `blockBytes` 0: each piece goes to the stream as it comes (MrcOutputFile::Open).
    explicit MrcRowFile(std::size_t blockBytes = BLOCK_BYTES) : m_blockBytes(blockBytes) {}

    RowFileResult Open(const std::string& path, const RowFileDescription& description) override;
    unsigned char* NextRowPlace() override { return m_file.NextRowPlace(); }
    RowFileResult WriteRow(const unsigned char* row) override;
    RowFileResult Finish() override;
    // A row of `width` values as float32 (a file of mode 2).
    RowFileResult WriteFloatRow(const float* row);
    // Finish with the classic header's statistics given rather than from the description's rule.
    RowFileResult Finish(const MrcStatistics& classic);
    void Discard() override;
    bool IsOpen() const override { return m_file.IsOpen(); }
    std::optional<MrcStatistics> Statistics() const override { return m_written; }
    const std::string& Path() const { return m_file.Path(); }

private:
    // Closes the file and removes its temporary; returns `failure`.
    RowFileResult Failed(RowFileResult failure);
    // The missing rows as zeros, then the header with the classic statistics `classic` makes.
    RowFileResult Complete(const std::function<MrcStatistics(std::int64_t pixels)>& classic);

    std::size_t m_blockBytes;
    MrcOutputFile m_file;
    ClassicStatisticsRule m_classic;
    int m_rows = 0;
    std::optional<MrcStatistics> m_written;
};

} // namespace gc
