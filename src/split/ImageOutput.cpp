#include "ImageOutput.h"

#include "SplitMessages.h"

#include <algorithm>
#include <cmath>

namespace gc {
namespace {

constexpr std::size_t MRC_STREAM_BUFFER = 1 << 20;

// Exact sums of the values of a row and of their squares, in 32-bit pieces of at most 65,536 pixels
// (65,536 × 255² < 2³²), which lets the loop vectorise.
void AddRowSums(const unsigned char* row, int width, std::uint64_t& sum, std::uint64_t& sumSquares) {
    constexpr int PIECE = 65536;
    for (int start = 0; start < width; start += PIECE) {
        const int end = std::min(width, start + PIECE);
        std::uint32_t pieceSum = 0;
        std::uint32_t pieceSquares = 0;
        for (int x = start; x < end; ++x) {
            const std::uint32_t value = row[x];
            pieceSum += value;
            pieceSquares += value * value;
        }
        sum += pieceSum;
        sumSquares += pieceSquares;
    }
}

// One row of the block step with factor B: starts (`first`) or extends the block sums of the binned
// columns, and on the block's last row (`last`) stores their truncated means B × B.
template <int B>
void BlockStep(const unsigned char* row, int binnedWidth, std::uint32_t* accumulator,
               unsigned char* binnedRow, bool first, bool last) {
    if (first) {
        for (int j = 0; j < binnedWidth; ++j) {
            std::uint32_t blockSum = 0;
            for (int i = 0; i < B; ++i)
                blockSum += row[B * j + i];
            accumulator[j] = blockSum;
        }
    } else {
        for (int j = 0; j < binnedWidth; ++j) {
            std::uint32_t blockSum = 0;
            for (int i = 0; i < B; ++i)
                blockSum += row[B * j + i];
            accumulator[j] += blockSum;
        }
    }
    if (last)
        for (int j = 0; j < binnedWidth; ++j)
            binnedRow[j] = static_cast<unsigned char>(accumulator[j] / (B * B));
}

} // namespace

OutputSettings OutputSettings::For(const ScanGeometry& geometry, bool tiff, int binning) {
    OutputSettings settings;
    settings.m_bTiff = tiff;
    settings.m_nBinning = binning;
    settings.m_nWidth = geometry.m_nExpectedWidth;
    settings.m_nHeight = geometry.m_nExpectedHeight;
    settings.m_nBinnedWidth = geometry.m_nBinnedWidth;
    settings.m_nBinnedHeight = geometry.m_nBinnedHeight;
    settings.m_nCompression = geometry.m_nCompression;
    settings.m_nPhotometric = geometry.m_nPhotometric;
    return settings;
}

void SplitStatistics(std::uint64_t sum, std::uint64_t sumSquares, std::int64_t count, double& mean,
                     double& rms) {
    const double n = static_cast<double>(count);
    mean = static_cast<double>(sum) / n;
    rms = std::sqrt(std::fabs(static_cast<double>(sumSquares) / n - mean * mean) /
                    static_cast<double>(count - 1));
}

StepResult ImageOutput::OpenTiff(const std::string& name, int width, int height, TiffHandle& handle) {
    handle.reset(TIFFOpen(name.c_str(), "w"));
    if (!handle)
        return StepResult::FatalRead;
    TIFF* tiff = handle.get();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, m_settings.m_nCompression);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, m_settings.m_nPhotometric);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_NONE);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    return StepResult::Ok;
}

StepResult ImageOutput::OpenMrc(const std::string& name, FileHandle& handle) {
    handle.reset(std::fopen(name.c_str(), "wb"));
    if (!handle)
        return StepResult::FatalWrite;
    std::vector<char>& buffer = &handle == &m_mrc ? m_mrcBuffer : m_binnedMrcBuffer;
    buffer.resize(MRC_STREAM_BUFFER);
    std::setvbuf(handle.get(), buffer.data(), _IOFBF, buffer.size());
    // Every MRC output starts with the cleared header as its placeholder.
    if (!MrcHeader().Write(handle.get()))
        return StepResult::FatalWrite;
    return StepResult::Ok;
}

StepResult ImageOutput::Open(const ImageName& name, const OutputSettings& settings) {
    m_settings = settings;
    const bool binning = settings.m_nBinning != 0;
    if (binning) {
        m_binnedRow.assign(static_cast<std::size_t>(settings.m_nBinnedWidth), 0);
        m_accumulator.assign(static_cast<std::size_t>(settings.m_nBinnedWidth), 0);
    }
    if (settings.m_bTiff) {
        m_strName = name.m_strPath;
        if (const StepResult result = OpenTiff(m_strName, settings.m_nWidth, settings.m_nHeight, m_tiff);
            result != StepResult::Ok)
            return result;
        if (binning) {
            m_strBinnedName = BinnedNameOf(name, settings.m_nBinning).m_strPath;
            return OpenTiff(m_strBinnedName, settings.m_nBinnedWidth, settings.m_nBinnedHeight, m_binnedTiff);
        }
        return StepResult::Ok;
    }
    const ImageName mrcName = MrcNameOf(name);
    m_strName = mrcName.m_strPath;
    if (const StepResult result = OpenMrc(m_strName, m_mrc); result != StepResult::Ok)
        return result;
    m_nSum = m_nSumSquares = 0;
    if (binning) {
        m_strBinnedName = BinnedNameOf(mrcName, settings.m_nBinning).m_strPath;
        if (const StepResult result = OpenMrc(m_strBinnedName, m_binnedMrc); result != StepResult::Ok)
            return result;
        m_nBinnedSum = m_nBinnedSumSquares = 0;
    }
    return StepResult::Ok;
}

bool ImageOutput::BinRow(const unsigned char* row, int rowIndex) {
    const int b = m_settings.m_nBinning;
    const int phase = rowIndex % b;
    const bool first = phase == 0;
    const bool last = phase == b - 1;
    const int binnedWidth = m_settings.m_nBinnedWidth;
    switch (b) {
    case 2:
        BlockStep<2>(row, binnedWidth, m_accumulator.data(), m_binnedRow.data(), first, last);
        break;
    case 3:
        BlockStep<3>(row, binnedWidth, m_accumulator.data(), m_binnedRow.data(), first, last);
        break;
    default:
        BlockStep<4>(row, binnedWidth, m_accumulator.data(), m_binnedRow.data(), first, last);
        break;
    }
    return last;
}

StepResult ImageOutput::WriteRow(const unsigned char* row, int rowIndex) {
    const int width = m_settings.m_nWidth;
    const int b = m_settings.m_nBinning;
    if (m_settings.m_bTiff) {
        if (TIFFWriteEncodedStrip(m_tiff.get(), static_cast<std::uint32_t>(rowIndex),
                                  const_cast<unsigned char*>(row), width) == -1) {
            m_tiff.reset();
            return StepResult::FatalWrite;
        }
        if (b != 0 && BinRow(row, rowIndex)) {
            if (TIFFWriteEncodedStrip(m_binnedTiff.get(),
                                      static_cast<std::uint32_t>((rowIndex - (b - 1)) / b),
                                      m_binnedRow.data(), m_settings.m_nBinnedWidth) == -1) {
                m_binnedTiff.reset();
                return StepResult::FatalWrite;
            }
        }
        return StepResult::Ok;
    }
    AddRowSums(row, width, m_nSum, m_nSumSquares);
    if (std::fwrite(row, 1, static_cast<std::size_t>(width), m_mrc.get()) != static_cast<std::size_t>(width))
        return StepResult::FatalWrite;
    if (b != 0 && BinRow(row, rowIndex)) {
        const int binnedWidth = m_settings.m_nBinnedWidth;
        AddRowSums(m_binnedRow.data(), binnedWidth, m_nBinnedSum, m_nBinnedSumSquares);
        if (std::fwrite(m_binnedRow.data(), 1, static_cast<std::size_t>(binnedWidth), m_binnedMrc.get()) !=
            static_cast<std::size_t>(binnedWidth))
            return StepResult::FatalWrite;
    }
    return StepResult::Ok;
}

StepResult ImageOutput::CloseTiff() {
    StepResult result = StepResult::Ok;
    for (TiffHandle* handle : {&m_tiff, &m_binnedTiff}) {
        if (*handle && TIFFFlush(handle->get()) != 1)
            result = StepResult::FatalWrite;
        handle->reset();
    }
    return result;
}

StepResult ImageOutput::FinishMrcFile(FileHandle& file, int width, int height, std::uint64_t sum,
                                      std::uint64_t sumSquares) {
    double mean = 0;
    double rms = 0;
    SplitStatistics(sum, sumSquares, static_cast<std::int64_t>(width) * height, mean, rms);
    MrcHeader header;
    header.SetImage(width, height, MRC_MODE_BYTE);
    header.SetStatistics(0.0, 255.0, mean, rms);
    header.SetLabel(MRC_SPLIT_LABEL);
    std::FILE* stream = file.release();
    const bool written = std::fseek(stream, 0, SEEK_SET) == 0 && header.Write(stream);
    const bool closed = std::fclose(stream) == 0;
    return written && closed ? StepResult::Ok : StepResult::FatalWrite;
}

StepResult ImageOutput::FinishMrc() {
    StepResult result = StepResult::Ok;
    if (m_mrc)
        result = FinishMrcFile(m_mrc, m_settings.m_nWidth, m_settings.m_nHeight, m_nSum, m_nSumSquares);
    if (m_binnedMrc) {
        const StepResult binned =
            FinishMrcFile(m_binnedMrc, m_settings.m_nBinnedWidth, m_settings.m_nBinnedHeight, m_nBinnedSum,
                          m_nBinnedSumSquares);
        if (result == StepResult::Ok)
            result = binned;
    }
    return result;
}

} // namespace gc
