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
    settings.m_style = parameters.m_bMrc2014 ? MrcStyle::Mrc2014 : MrcStyle::Classic;
    settings.m_dPixelSize = pixelSize;
    return settings;
}

void SplitStatistics(std::uint64_t sum, std::uint64_t sumSquares, std::int64_t count, double& mean,
                     double& rms) {
    const double n = static_cast<double>(count);
    mean = static_cast<double>(sum) / n;
    rms = std::sqrt(std::fabs(static_cast<double>(sumSquares) / n - mean * mean) /
                    static_cast<double>(count - 1));
}

RunOutcome ImageOutput::Fail(RunOutcome result, const PendingFile& file, const char* reason) {
    return Fail(result, file.FinalPath(), reason);
}

RunOutcome ImageOutput::Fail(RunOutcome result, const std::string& path, const char* reason) {
    failure = "writing " + path + ": " + (reason ? reason : std::strerror(errno));
    return result;
}

RunOutcome ImageOutput::OpenTiff(PendingFile& file, int width, int height, TiffHandle& handle) {
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
        return Fail(RunOutcome::FatalRead, file, errno ? nullptr : "cannot create the file");
    TIFF* tiff = handle.get();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, m_settings.m_nCompression);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, m_settings.m_nPhotometric);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, m_settings.m_nResolutionUnit);
    // The scan's sampling, B times coarser in a binned copy.
    if (m_settings.m_fXResolution > 0 && m_settings.m_fYResolution > 0) {
        const float scale = width == m_settings.m_nWidth ? 1.0f : static_cast<float>(m_settings.m_nBinning);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, m_settings.m_fXResolution / scale);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, m_settings.m_fYResolution / scale);
    }
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    return RunOutcome::Done;
}

RunOutcome ImageOutput::OpenMrc(MrcOutputFile& file, const std::string& path, int width, int height,
                                int binning) {
    MrcDescription description;
    description.width = width;
    description.height = height;
    description.style = m_settings.m_style;
    description.mode = m_settings.m_style == MrcStyle::Mrc2014 ? MRC_MODE_UINT16 : MRC_MODE_BYTE;
    description.pixelSize = m_settings.m_dPixelSize * binning;
    description.label = MRC_SPLIT_LABEL;
    if (file.Open(path, description, MRC_STREAM_BUFFER) != MrcOutputFile::OpenResult::Opened)
        return Fail(RunOutcome::FatalWrite, path);
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
    rowsWritten = binnedRowsWritten = 0;
    std::tie(m_strName, m_strBinnedName) = NamesFor(name, settings);
    if (settings.m_bTiff) {
        pending = PendingFile(m_strName);
        if (binning)
            binnedPending = PendingFile(m_strBinnedName);
        if (const RunOutcome result = OpenTiff(pending, settings.m_nWidth, settings.m_nHeight, m_tiff);
            result != RunOutcome::Done)
            return result;
        if (binning)
            return OpenTiff(binnedPending, settings.m_nBinnedWidth, settings.m_nBinnedHeight, m_binnedTiff);
        return RunOutcome::Done;
    }
    if (const RunOutcome result = OpenMrc(m_mrc, m_strName, settings.m_nWidth, settings.m_nHeight, 1);
        result != RunOutcome::Done)
        return result;
    if (binning)
        return OpenMrc(m_binnedMrc, m_strBinnedName, settings.m_nBinnedWidth, settings.m_nBinnedHeight,
                       settings.m_nBinning);
    return RunOutcome::Done;
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
    const int b = m_settings.m_nBinning;
    rowsWritten = rowIndex + 1;
    if (m_settings.m_bTiff) {
        const int width = m_settings.m_nWidth;
        errno = 0;
        if (TIFFWriteEncodedStrip(m_tiff.get(), static_cast<std::uint32_t>(rowIndex),
                                  const_cast<unsigned char*>(row), width) == -1)
            return Fail(RunOutcome::FatalWrite, pending, errno ? nullptr : "the strip cannot be written");
        if (b != 0 && BinRow(row, rowIndex)) {
            binnedRowsWritten = rowIndex / b + 1;
            if (TIFFWriteEncodedStrip(m_binnedTiff.get(),
                                      static_cast<std::uint32_t>((rowIndex - (b - 1)) / b),
                                      m_binnedRow.data(), m_settings.m_nBinnedWidth) == -1)
                return Fail(RunOutcome::FatalWrite, binnedPending,
                            errno ? nullptr : "the strip cannot be written");
        }
        return RunOutcome::Done;
    }
    if (!m_mrc.WriteRow(row))
        return Fail(RunOutcome::FatalWrite, m_strName);
    if (b != 0 && BinRow(row, rowIndex)) {
        binnedRowsWritten = rowIndex / b + 1;
        if (!m_binnedMrc.WriteRow(m_binnedRow.data()))
            return Fail(RunOutcome::FatalWrite, m_strBinnedName);
    }
    return RunOutcome::Done;
}

RunOutcome ImageOutput::CompleteTiff(TIFF* tiff, const PendingFile& file, int from, int width, int height) {
    const std::vector<unsigned char> zeros(static_cast<std::size_t>(width), 0);
    for (int row = from; row < height; ++row) {
        errno = 0;
        if (TIFFWriteEncodedStrip(tiff, static_cast<std::uint32_t>(row),
                                  const_cast<unsigned char*>(zeros.data()), width) == -1)
            return Fail(RunOutcome::FatalWrite, file, errno ? nullptr : "the strip cannot be written");
    }
    return RunOutcome::Done;
}

RunOutcome ImageOutput::CloseTiff() {
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
        if (const RunOutcome completed =
                CompleteTiff(output.handle.get(), output.file, output.rows, output.width, output.height);
            completed != RunOutcome::Done)
            return completed;
        errno = 0;
        const bool flushed = TIFFFlush(output.handle.get()) == 1;
        output.handle.reset();
        if (!flushed)
            return Fail(RunOutcome::FatalWrite, output.file,
                        errno ? nullptr : "the file cannot be completed");
        if (!output.file.Commit())
            return Fail(RunOutcome::FatalWrite, output.file);
    }
    return RunOutcome::Done;
}

RunOutcome ImageOutput::FinishMrcFile(MrcOutputFile& file, int rows) {
    const MrcDescription& description = file.Description();
    if (!file.WriteZeroRows(description.height - rows))
        return Fail(RunOutcome::FatalWrite, file.Path());
    // The classic header: DMIN 0 and DMAX 255 always, mean and rms of the delivered rows over the
    // nominal pixel count.
    const MrcDataStatistics& data = file.Statistics();
    MrcStatistics classic{0.0, 255.0, 0.0, 0.0};
    SplitStatistics(data.ByteSum(), data.ByteSumSquares(),
                    static_cast<std::int64_t>(description.width) * description.height, classic.dmean,
                    classic.rms);
    const std::string path = file.Path();
    if (!file.Close(classic))
        return Fail(RunOutcome::FatalWrite, path);
    return RunOutcome::Done;
}

RunOutcome ImageOutput::FinishMrc() {
    if (m_mrc.IsOpen()) {
        if (const RunOutcome result = FinishMrcFile(m_mrc, rowsWritten); result != RunOutcome::Done)
            return result;
    }
    if (m_binnedMrc.IsOpen())
        return FinishMrcFile(m_binnedMrc, binnedRowsWritten);
    return RunOutcome::Done;
}

} // namespace gc
