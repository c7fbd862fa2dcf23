#include "ImageOutput.h"

#include "SplitMessages.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <tuple>
#include <unistd.h>

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

std::uint16_t TiffOutputCompression(std::uint16_t scanCompression) {
    // The library writes JPEG only in strips of a multiple of 8 rows; outputs have one row a strip.
    if (scanCompression == COMPRESSION_JPEG || scanCompression == COMPRESSION_OJPEG)
        return COMPRESSION_ADOBE_DEFLATE;
    return scanCompression;
}

OutputSettings OutputSettings::For(const ScanGeometry& geometry, bool tiff, int binning) {
    OutputSettings settings;
    settings.m_bTiff = tiff;
    settings.m_nBinning = binning;
    settings.m_nWidth = geometry.m_nExpectedWidth;
    settings.m_nHeight = geometry.m_nExpectedHeight;
    settings.m_nBinnedWidth = geometry.m_nBinnedWidth;
    settings.m_nBinnedHeight = geometry.m_nBinnedHeight;
    settings.m_nCompression = TiffOutputCompression(geometry.m_nCompression);
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

StepResult ImageOutput::Fail(StepResult result, const PendingFile& file, const char* reason) {
    failure = "writing " + file.FinalPath() + ": " + (reason ? reason : std::strerror(errno));
    return result;
}

StepResult ImageOutput::OpenTiff(PendingFile& file, int width, int height, TiffHandle& handle) {
    errno = 0;
    const int fd = file.Create();
    handle.reset(fd >= 0 ? TIFFFdOpen(fd, file.TemporaryPath().c_str(), "w") : nullptr);
    if (fd >= 0 && !handle) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    // A TIFF output that cannot be created stops the Run with READ ERROR, not WRITE ERROR: the Run
    // has always reported it so (the library's open is a read of the directory to be), and scripts
    // that watch for the texts rely on it. MRC outputs that cannot be created are WRITE ERRORs.
    if (!handle)
        return Fail(StepResult::FatalRead, file, errno ? nullptr : "cannot create the file");
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

StepResult ImageOutput::OpenMrc(PendingFile& file, FileHandle& handle) {
    handle.reset(file.CreateStream("wb"));
    if (!handle)
        return Fail(StepResult::FatalWrite, file);
    std::vector<char>& buffer = &handle == &m_mrc ? m_mrcBuffer : m_binnedMrcBuffer;
    buffer.resize(MRC_STREAM_BUFFER);
    std::setvbuf(handle.get(), buffer.data(), _IOFBF, buffer.size());
    // Every MRC output starts with the cleared header as its placeholder.
    if (!MrcHeader().Write(handle.get()))
        return Fail(StepResult::FatalWrite, file);
    return StepResult::Ok;
}

std::pair<std::string, std::string> ImageOutput::NamesFor(const ImageName& name,
                                                          const OutputSettings& settings) {
    const ImageName fullName = settings.m_bTiff ? name : MrcNameOf(name);
    std::string binnedName;
    if (settings.m_nBinning != 0)
        binnedName = BinnedNameOf(fullName, settings.m_nBinning).m_strPath;
    return {fullName.m_strPath, binnedName};
}

StepResult ImageOutput::Open(const ImageName& name, const OutputSettings& settings) {
    m_settings = settings;
    const bool binning = settings.m_nBinning != 0;
    if (binning) {
        m_binnedRow.assign(static_cast<std::size_t>(settings.m_nBinnedWidth), 0);
        m_accumulator.assign(static_cast<std::size_t>(settings.m_nBinnedWidth), 0);
    }
    rowsWritten = binnedRowsWritten = 0;
    std::tie(m_strName, m_strBinnedName) = NamesFor(name, settings);
    pending = PendingFile(m_strName);
    if (binning)
        binnedPending = PendingFile(m_strBinnedName);
    if (settings.m_bTiff) {
        if (const StepResult result = OpenTiff(pending, settings.m_nWidth, settings.m_nHeight, m_tiff);
            result != StepResult::Ok)
            return result;
        if (binning)
            return OpenTiff(binnedPending, settings.m_nBinnedWidth, settings.m_nBinnedHeight, m_binnedTiff);
        return StepResult::Ok;
    }
    if (const StepResult result = OpenMrc(pending, m_mrc); result != StepResult::Ok)
        return result;
    m_nSum = m_nSumSquares = 0;
    if (binning) {
        if (const StepResult result = OpenMrc(binnedPending, m_binnedMrc); result != StepResult::Ok)
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
    rowsWritten = rowIndex + 1;
    if (m_settings.m_bTiff) {
        errno = 0;
        if (TIFFWriteEncodedStrip(m_tiff.get(), static_cast<std::uint32_t>(rowIndex),
                                  const_cast<unsigned char*>(row), width) == -1)
            return Fail(StepResult::FatalWrite, pending, errno ? nullptr : "the strip cannot be written");
        if (b != 0 && BinRow(row, rowIndex)) {
            binnedRowsWritten = rowIndex / b + 1;
            if (TIFFWriteEncodedStrip(m_binnedTiff.get(),
                                      static_cast<std::uint32_t>((rowIndex - (b - 1)) / b),
                                      m_binnedRow.data(), m_settings.m_nBinnedWidth) == -1)
                return Fail(StepResult::FatalWrite, binnedPending,
                            errno ? nullptr : "the strip cannot be written");
        }
        return StepResult::Ok;
    }
    AddRowSums(row, width, m_nSum, m_nSumSquares);
    if (std::fwrite(row, 1, static_cast<std::size_t>(width), m_mrc.get()) != static_cast<std::size_t>(width))
        return Fail(StepResult::FatalWrite, pending);
    if (b != 0 && BinRow(row, rowIndex)) {
        binnedRowsWritten = rowIndex / b + 1;
        const int binnedWidth = m_settings.m_nBinnedWidth;
        AddRowSums(m_binnedRow.data(), binnedWidth, m_nBinnedSum, m_nBinnedSumSquares);
        if (std::fwrite(m_binnedRow.data(), 1, static_cast<std::size_t>(binnedWidth), m_binnedMrc.get()) !=
            static_cast<std::size_t>(binnedWidth))
            return Fail(StepResult::FatalWrite, binnedPending);
    }
    return StepResult::Ok;
}

StepResult ImageOutput::CompleteTiff(TIFF* tiff, const PendingFile& file, int from, int width, int height) {
    const std::vector<unsigned char> zeros(static_cast<std::size_t>(width), 0);
    for (int row = from; row < height; ++row) {
        errno = 0;
        if (TIFFWriteEncodedStrip(tiff, static_cast<std::uint32_t>(row),
                                  const_cast<unsigned char*>(zeros.data()), width) == -1)
            return Fail(StepResult::FatalWrite, file, errno ? nullptr : "the strip cannot be written");
    }
    return StepResult::Ok;
}

StepResult ImageOutput::CompleteMrc(std::FILE* stream, const PendingFile& file, int from, int width,
                                    int height) {
    const std::vector<unsigned char> zeros(static_cast<std::size_t>(width), 0);
    for (int row = from; row < height; ++row)
        if (std::fwrite(zeros.data(), 1, zeros.size(), stream) != zeros.size())
            return Fail(StepResult::FatalWrite, file);
    return StepResult::Ok;
}

StepResult ImageOutput::CloseTiff() {
    struct Output {
        TiffHandle& handle;
        PendingFile& file;
        int rows, width, height;
    };
    for (Output output : {Output{m_tiff, pending, rowsWritten, m_settings.m_nWidth, m_settings.m_nHeight},
                          Output{m_binnedTiff, binnedPending, binnedRowsWritten, m_settings.m_nBinnedWidth,
                                 m_settings.m_nBinnedHeight}}) {
        if (!output.handle)
            continue;
        if (const StepResult completed =
                CompleteTiff(output.handle.get(), output.file, output.rows, output.width, output.height);
            completed != StepResult::Ok)
            return completed;
        errno = 0;
        const bool flushed = TIFFFlush(output.handle.get()) == 1;
        output.handle.reset();
        if (!flushed)
            return Fail(StepResult::FatalWrite, output.file,
                        errno ? nullptr : "the file cannot be completed");
        if (!output.file.Commit())
            return Fail(StepResult::FatalWrite, output.file);
    }
    return StepResult::Ok;
}

StepResult ImageOutput::FinishMrcFile(FileHandle& stream, PendingFile& file, int rows, int width, int height,
                                      std::uint64_t sum, std::uint64_t sumSquares) {
    if (const StepResult completed = CompleteMrc(stream.get(), file, rows, width, height);
        completed != StepResult::Ok)
        return completed;
    const bool binned = &file == &binnedPending;
    double& fileMean = binned ? binnedMean : mean;
    double& fileRms = binned ? binnedRms : rms;
    SplitStatistics(sum, sumSquares, static_cast<std::int64_t>(width) * height, fileMean, fileRms);
    MrcHeader header;
    header.SetImage(width, height, MRC_MODE_BYTE);
    header.SetStatistics(0.0, 255.0, fileMean, fileRms);
    header.SetLabel(MRC_SPLIT_LABEL);
    std::FILE* open = stream.release();
    const bool written = std::fseek(open, 0, SEEK_SET) == 0 && header.Write(open);
    const int writeError = errno;
    if (!written) {
        std::fclose(open);
        errno = writeError;
        return Fail(StepResult::FatalWrite, file);
    }
    if (!file.CloseAndCommit(open))
        return Fail(StepResult::FatalWrite, file);
    return StepResult::Ok;
}

StepResult ImageOutput::FinishMrc() {
    if (m_mrc) {
        if (const StepResult result = FinishMrcFile(m_mrc, pending, rowsWritten, m_settings.m_nWidth,
                                                    m_settings.m_nHeight, m_nSum, m_nSumSquares);
            result != StepResult::Ok)
            return result;
    }
    if (m_binnedMrc)
        return FinishMrcFile(m_binnedMrc, binnedPending, binnedRowsWritten, m_settings.m_nBinnedWidth,
                             m_settings.m_nBinnedHeight, m_nBinnedSum, m_nBinnedSumSquares);
    return StepResult::Ok;
}

} // namespace gc
