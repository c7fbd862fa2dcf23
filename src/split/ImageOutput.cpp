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
    if (geometry.m_nResolutionUnit != 0 && geometry.m_fXResolution > 0 && geometry.m_fYResolution > 0) {
        settings.m_nResolutionUnit = geometry.m_nResolutionUnit;
        settings.m_fXResolution = geometry.m_fXResolution;
        settings.m_fYResolution = geometry.m_fYResolution;
    }
    return settings;
}

OutputSettings OutputSettings::For(const ScanGeometry& geometry, const RunSettings& parameters,
                                   double pixelSize) {
    OutputSettings settings = For(geometry, parameters.m_bOutputTiff, parameters.m_nBinning);
    settings.mrc = {parameters.mrc.style, pixelSize};
    if (pixelSize > 0) {
        // A chosen pixel size replaces the scanner's sampling: pixels per centimetre, as the
        // readers of TIFF micrographs take the size from the resolution tags.
        settings.m_nResolutionUnit = RESUNIT_CENTIMETER;
        settings.m_fXResolution = settings.m_fYResolution =
            static_cast<float>(ANGSTROM_PER_CENTIMETRE / pixelSize);
    }
    return settings;
}

void SplitStatistics(std::uint64_t sum, std::uint64_t sumSquares, std::int64_t count, double& mean,
                     double& rms) {
    const double n = static_cast<double>(count);
    mean = static_cast<double>(sum) / n;
    rms = std::sqrt(std::fabs(static_cast<double>(sumSquares) / n - mean * mean) /
                    static_cast<double>(count - 1));
}

RunOutcome ImageOutputFile::Fail(RunOutcome result, const char* reason) {
    m_strFailure = DETAIL_WRITING + m_strPath + ": " + (reason ? reason : std::strerror(errno));
    return result;
}

RunOutcome ImageOutputFile::Open(const std::string& path, int width, int height, int binning,
                                 const OutputSettings& settings) {
    m_strPath = path;
    m_nWidth = width;
    m_nHeight = height;
    m_nRowsWritten = 0;
    m_strFailure.clear();
    return settings.m_bTiff ? OpenTiff(width, height, binning, settings)
                            : OpenMrc(width, height, binning, settings);
}

RunOutcome ImageOutputFile::OpenTiff(int width, int height, int binning, const OutputSettings& settings) {
    m_pending = PendingFile(m_strPath);
    errno = 0;
    const int fd = m_pending.Create();
    m_tiff.reset(fd >= 0 ? TIFFFdOpen(fd, m_pending.TemporaryPath().c_str(), "w") : nullptr);
    if (fd >= 0 && !m_tiff) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    // A TIFF output that cannot be created stops the Run with READ ERROR, not WRITE ERROR: the Run
    // has always reported it so (the library's open is a read of the directory to be), and scripts
    // that watch for the texts rely on it. MRC outputs that cannot be created are WRITE ERRORs.
    if (!m_tiff)
        return Fail(RunOutcome::FatalRead, errno ? nullptr : DETAIL_CANNOT_CREATE);
    TIFF* tiff = m_tiff.get();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, settings.m_nCompression);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, settings.m_nPhotometric);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, settings.m_nResolutionUnit);
    // The scan's sampling, B times coarser in a binned copy.
    if (settings.m_fXResolution > 0 && settings.m_fYResolution > 0) {
        const float scale = static_cast<float>(binning);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, settings.m_fXResolution / scale);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, settings.m_fYResolution / scale);
    }
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    return RunOutcome::Done;
}

RunOutcome ImageOutputFile::OpenMrc(int width, int height, int binning, const OutputSettings& settings) {
    MrcDescription description;
    description.width = width;
    description.height = height;
    description.style = settings.mrc.style;
    description.mode = settings.mrc.IsMrc2014() ? MRC_MODE_UINT16 : MRC_MODE_BYTE;
    description.pixelSize = settings.mrc.BinnedPixelSize(binning);
    description.label = MRC_SPLIT_LABEL;
    description.time = settings.m_labelTime;
    if (m_mrc.Open(m_strPath, description, MRC_STREAM_BUFFER) != MrcOutputFile::OpenResult::Opened)
        return Fail(RunOutcome::FatalWrite);
    return RunOutcome::Done;
}

RunOutcome ImageOutputFile::WriteRow(const unsigned char* row, int rowIndex) {
    m_nRowsWritten = rowIndex + 1;
    if (m_tiff) {
        errno = 0;
        if (TIFFWriteEncodedStrip(m_tiff.get(), static_cast<std::uint32_t>(rowIndex),
                                  const_cast<unsigned char*>(row), m_nWidth) == -1)
            return Fail(RunOutcome::FatalWrite, errno ? nullptr : DETAIL_STRIP_UNWRITTEN);
        return RunOutcome::Done;
    }
    if (!m_mrc.WriteRow(row))
        return Fail(RunOutcome::FatalWrite);
    return RunOutcome::Done;
}

RunOutcome ImageOutputFile::CloseTiff() {
    if (!m_tiff)
        return RunOutcome::Done;
    const std::vector<unsigned char> zeros(static_cast<std::size_t>(m_nWidth), 0);
    for (int row = m_nRowsWritten; row < m_nHeight; ++row) {
        errno = 0;
        if (TIFFWriteEncodedStrip(m_tiff.get(), static_cast<std::uint32_t>(row),
                                  const_cast<unsigned char*>(zeros.data()), m_nWidth) == -1)
            return Fail(RunOutcome::FatalWrite, errno ? nullptr : DETAIL_STRIP_UNWRITTEN);
    }
    errno = 0;
    const bool flushed = TIFFFlush(m_tiff.get()) == 1;
    m_tiff.reset();
    if (!flushed)
        return Fail(RunOutcome::FatalWrite, errno ? nullptr : DETAIL_NOT_COMPLETED);
    if (!m_pending.Commit())
        return Fail(RunOutcome::FatalWrite);
    return RunOutcome::Done;
}

RunOutcome ImageOutputFile::FinishMrc() {
    if (!m_mrc.IsOpen())
        return RunOutcome::Done;
    const MrcDescription& description = m_mrc.Description();
    if (!m_mrc.WriteZeroRows(description.height - m_nRowsWritten))
        return Fail(RunOutcome::FatalWrite);
    // The classic header: DMIN 0 and DMAX 255 always, mean and rms of the delivered rows over the
    // nominal pixel count.
    const MrcDataStatistics& data = m_mrc.Statistics();
    MrcStatistics classic{0.0, 255.0, 0.0, 0.0};
    SplitStatistics(data.ByteSum(), data.ByteSumSquares(),
                    static_cast<std::int64_t>(description.width) * description.height, classic.dmean,
                    classic.rms);
    if (!m_mrc.Close(classic))
        return Fail(RunOutcome::FatalWrite);
    return RunOutcome::Done;
}

std::pair<std::string, std::string> ImageOutput::NamesFor(const ImageName& name,
                                                          const OutputSettings& settings) {
    const ImageName fullName = settings.m_bTiff ? name : MrcNameOf(name);
    std::string binnedName;
    if (settings.m_nBinning != 0)
        binnedName = BinnedNameOf(fullName, settings.m_nBinning).m_strPath;
    return {fullName.m_strPath, binnedName};
}

RunOutcome ImageOutput::Open(const ImageName& name, const OutputSettings& settings) {
    m_settings = settings;
    const bool binning = settings.m_nBinning != 0;
    if (binning) {
        m_binnedRow.assign(static_cast<std::size_t>(settings.m_nBinnedWidth), 0);
        m_accumulator.assign(static_cast<std::size_t>(settings.m_nBinnedWidth), 0);
    }
    std::tie(m_strName, m_strBinnedName) = NamesFor(name, settings);
    if (const RunOutcome result = m_full.Open(m_strName, settings.m_nWidth, settings.m_nHeight, 1, settings);
        result != RunOutcome::Done || !binning)
        return result;
    return m_binned.Open(m_strBinnedName, settings.m_nBinnedWidth, settings.m_nBinnedHeight,
                         settings.m_nBinning, settings);
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

RunOutcome ImageOutput::WriteRow(const unsigned char* row, int rowIndex) {
    // Binned first: a row put together in the full-size file's block may be written out and the block
    // reused by the time that file's WriteRow returns.
    const int b = m_settings.m_nBinning;
    const bool binnedRowDone = b != 0 && BinRow(row, rowIndex);
    if (const RunOutcome written = m_full.WriteRow(row, rowIndex); written != RunOutcome::Done)
        return written;
    if (binnedRowDone)
        return m_binned.WriteRow(m_binnedRow.data(), rowIndex / b);
    return RunOutcome::Done;
}

RunOutcome ImageOutput::CloseTiff() {
    if (const RunOutcome closed = m_full.CloseTiff(); closed != RunOutcome::Done)
        return closed;
    return m_binned.CloseTiff();
}

RunOutcome ImageOutput::FinishMrc() {
    if (const RunOutcome finished = m_full.FinishMrc(); finished != RunOutcome::Done)
        return finished;
    return m_binned.FinishMrc();
}

} // namespace gc
