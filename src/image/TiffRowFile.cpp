#include "TiffRowFile.h"

#include "ImageMessages.h"

#include <cerrno>
#include <tiffio.h>
#include <unistd.h>
#include <vector>

namespace gc {
namespace {

void SetTags(TIFF* tiff, const RowFileDescription& description) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(description.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(description.height));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, description.bitsPerSample);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, description.compression);
    if (description.photometric)
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, *description.photometric);
    if (description.orientation)
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, *description.orientation);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, description.resolutionUnit);
    if (description.xResolution > 0 && description.yResolution > 0) {
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, description.xResolution);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, description.yResolution);
    }
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
}

} // namespace

RowFileResult TiffRowFile::Failure(RowFileOutcome outcome, int error, const char* detail) {
    const std::string path = m_pending.FinalPath();
    Discard();
    return RowFileFailure(outcome, path, error, detail);
}

RowFileResult TiffRowFile::Open(const std::string& path, const RowFileDescription& description) {
    Discard();
    m_pending = PendingFile(path);
    m_rowBytes = static_cast<std::size_t>(description.width) * (description.bitsPerSample == 16 ? 2 : 1);
    m_height = description.height;
    m_rows = 0;
    // The library does not always say why it failed: errno is cleared first, so that a stale one
    // is not taken for the reason.
    errno = 0;
    const int fd = m_pending.Create();
    m_tiff.reset(fd >= 0 ? TIFFFdOpen(fd, m_pending.TemporaryPath().c_str(), "w") : nullptr);
    if (!m_tiff) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        return Failure(RowFileOutcome::NotCreated, error, DETAIL_CANNOT_CREATE);
    }
    SetTags(m_tiff.get(), description);
    return {};
}

RowFileResult TiffRowFile::WriteStrip(const unsigned char* row, int strip) {
    errno = 0;
    if (TIFFWriteEncodedStrip(m_tiff.get(), static_cast<std::uint32_t>(strip),
                              const_cast<unsigned char*>(row), static_cast<tmsize_t>(m_rowBytes)) == -1)
        return Failure(RowFileOutcome::WriteFailed, errno, DETAIL_STRIP_UNWRITTEN);
    return {};
}

RowFileResult TiffRowFile::WriteRow(const unsigned char* row) {
    return WriteStrip(row, m_rows++);
}

RowFileResult TiffRowFile::Finish() {
    if (!m_tiff)
        return {};
    const std::vector<unsigned char> zeros(m_rowBytes, 0);
    for (; m_rows < m_height; ++m_rows)
        if (RowFileResult written = WriteStrip(zeros.data(), m_rows); !written.Succeeded())
            return written;
    errno = 0;
    const bool flushed = TIFFFlush(m_tiff.get()) == 1;
    m_tiff.reset();
    if (!flushed)
        return Failure(RowFileOutcome::WriteFailed, errno, DETAIL_NOT_COMPLETED);
    if (!m_pending.Commit())
        return Failure(RowFileOutcome::NotRenamed, errno, nullptr);
    return {};
}

void TiffRowFile::Discard() {
    m_tiff.reset();
    m_pending.Discard();
}

} // namespace gc
