// A row filter in front of a row file that writes a binned copy: it takes the full-size rows and
// passes on one row of b × b block means (truncated) for every b rows. Columns and rows of a last,
// partial block are dropped, so the copy is width / b × height / b.
#pragma once

#include "RowFile.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gc {

// The description of the copy binned `factor` × `factor` of a file described by `full`: the size
// divided (rounded down), the pixel size times the factor, the resolution divided by it.
RowFileDescription BinnedDescription(const RowFileDescription& full, int factor);

class BinningFilter final : public RowFile {
public:
    // `factor` is 2, 3 or 4.
    BinningFilter(int factor, std::unique_ptr<RowFile> target);

    // Opens the target with the binned description of the full-size `description`.
    RowFileResult Open(const std::string& path, const RowFileDescription& description) override;
    // A full-size row; every b-th completes a binned row, which goes to the target.
    RowFileResult WriteRow(const unsigned char* row) override;
    RowFileResult Finish() override { return m_target->Finish(); }
    void Discard() override { m_target->Discard(); }
    bool IsOpen() const override { return m_target->IsOpen(); }
    std::optional<MrcStatistics> Statistics() const override { return m_target->Statistics(); }

private:
    int m_factor;
    std::unique_ptr<RowFile> m_target;
    int m_row = 0; // full-size rows taken
    std::vector<unsigned char> m_binnedRow;
    std::vector<std::uint32_t> m_sums; // block sums, at most 16 × 255
};

} // namespace gc
