#include "BinningFilter.h"

#include "MrcOptions.h"

namespace gc {
namespace {

// One row of the block step with factor B: starts (`first`) or extends the block sums of the binned
// columns, and on the block's last row (`last`) stores their truncated means B × B.
template <int B>
void BlockStep(const unsigned char* row, int binnedWidth, std::uint32_t* sums, unsigned char* binnedRow,
               bool first, bool last) {
    if (first) {
        for (int j = 0; j < binnedWidth; ++j) {
            std::uint32_t blockSum = 0;
            for (int i = 0; i < B; ++i)
                blockSum += row[B * j + i];
            sums[j] = blockSum;
        }
    } else {
        for (int j = 0; j < binnedWidth; ++j) {
            std::uint32_t blockSum = 0;
            for (int i = 0; i < B; ++i)
                blockSum += row[B * j + i];
            sums[j] += blockSum;
        }
    }
    if (last)
        for (int j = 0; j < binnedWidth; ++j)
            binnedRow[j] = static_cast<unsigned char>(sums[j] / (B * B));
}

} // namespace

RowFileDescription BinnedDescription(const RowFileDescription& full, int factor) {
    RowFileDescription binned = full;
    binned.width = full.width / factor;
    binned.height = full.height / factor;
    binned.pixelSize = MrcOptions{full.style, full.pixelSize}.BinnedPixelSize(factor);
    const auto scale = static_cast<float>(factor);
    binned.xResolution = full.xResolution / scale;
    binned.yResolution = full.yResolution / scale;
    return binned;
}

BinningFilter::BinningFilter(int factor, std::unique_ptr<RowFile> target)
    : m_factor(factor), m_target(std::move(target)) {}

RowFileResult BinningFilter::Open(const std::string& path, const RowFileDescription& description) {
    const RowFileDescription binned = BinnedDescription(description, m_factor);
    m_row = 0;
    m_binnedRow.assign(static_cast<std::size_t>(binned.width), 0);
    m_sums.assign(static_cast<std::size_t>(binned.width), 0);
    return m_target->Open(path, binned);
}

RowFileResult BinningFilter::WriteRow(const unsigned char* row) {
    const int phase = m_row++ % m_factor;
    const bool first = phase == 0;
    const bool last = phase == m_factor - 1;
    const int binnedWidth = static_cast<int>(m_binnedRow.size());
    switch (m_factor) {
    case 2:
        BlockStep<2>(row, binnedWidth, m_sums.data(), m_binnedRow.data(), first, last);
        break;
    case 3:
        BlockStep<3>(row, binnedWidth, m_sums.data(), m_binnedRow.data(), first, last);
        break;
    default:
        BlockStep<4>(row, binnedWidth, m_sums.data(), m_binnedRow.data(), first, last);
        break;
    }
    return last ? m_target->WriteRow(m_binnedRow.data()) : RowFileResult{};
}

} // namespace gc
