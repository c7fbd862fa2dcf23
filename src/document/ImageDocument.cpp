// ImageDocument: open by file type (every image of the file is decoded now), save a copy of the current
// image by the target's type, and the properties report of the current image's directory.
#include "ImageDocument.h"

#include "core/PendingFile.h"
#include "document/DocumentMessages.h"
#include "document/MrcProperties.h"
#include "document/TiffProperties.h"
#include "image/BmpCodec.h"
#include "image/ImageMessages.h"
#include "image/JpegCodec.h"
#include "image/MrcReader.h"
#include "image/TiffCodec.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace gc {

DIBSection* ImageDocument::GetImage(int index) {
    if (static_cast<unsigned>(index) >= static_cast<unsigned>(m_images.GetCount()))
        return nullptr;
    m_nCurrentImage = index;
    return m_images[index].get();
}

void ImageDocument::ClearImages() {
    m_images.RemoveAll();
    m_imageDirectories.RemoveAll();
}

int ImageDocument::GetImageDirectory(int index) const {
    if (static_cast<unsigned>(index) < static_cast<unsigned>(m_imageDirectories.GetCount()))
        return m_imageDirectories[index];
    return index;
}

OpenOutcome ImageDocument::OpenFile(const std::string& path, Messages& messages) {
    m_nFileType = FileTypeOf(path);
    ClearImages();

    // Keeps an image that the reader left valid; drops the others.
    auto keep = [this](std::unique_ptr<DIBSection> image) {
        if (image->IsValid())
            m_images.Add(std::move(image));
    };

    switch (m_nFileType) {
    case FT_JPEG: {
        auto image = std::make_unique<DIBSection>();
        if (ReadJpegFile(path, *image, messages) == READ_TOO_LARGE)
            messages.Error(MSG_IMAGE_TOO_LARGE);
        keep(std::move(image));
        break;
    }
    case FT_BMP: {
        auto image = std::make_unique<DIBSection>();
        if (ReadBmpFile(path, *image) == READ_TOO_LARGE)
            messages.Error(MSG_IMAGE_TOO_LARGE);
        keep(std::move(image));
        break;
    }
    case FT_TIFF: {
        TiffDirList directories;
        const int count = ListTiffDirectories(path, directories, messages);
        // Each listed directory by its own number: a directory left out of the list (no width or
        // height) must not hide the ones after it.
        for (int j = 0; j < count; ++j) {
            auto image = std::make_unique<DIBSection>();
            const int directory = directories[j].m_nDirectory;
            if (ReadTiffImage(path, *image, directory, messages) == TiffReadOutcome::Fatal)
                return OpenOutcome::Fatal;
            if (image->IsValid())
                m_imageDirectories.Add(directory);
            keep(std::move(image));
        }
        break;
    }
    case FT_MRC: {
        // Every section is an image; a refused file gives none and its reason.
        MrcImages sections;
        if (const char* refusal = MrcReadMessage(ReadMrcFile(path, sections)))
            messages.Error(refusal);
        for (std::unique_ptr<DIBSection>& section : sections)
            keep(std::move(section));
        break;
    }
    default:
        messages.Error(MSG_NO_SUPPORT_FOR_TYPE);
        return OpenOutcome::Unsupported;
    }

    if (m_images.IsEmpty())
        return OpenOutcome::NoImage;
    m_strImagePath = path;
    return OpenOutcome::Opened;
}

namespace {

// Whether the viewer writes files of `type`; any other type is refused with its message.
bool IsWritableType(int type, Messages& messages) {
    switch (type) {
    case FT_JPEG:
    case FT_BMP:
    case FT_TIFF:
        return true;
    case FT_GIF:
        messages.Error(MSG_GIF_NOT_SUPPORTED);
        return false;
    case FT_OTHER:
    case FT_MRC: // read by the viewer, written only by the Run, Convert and picking
        messages.Error(MSG_FILE_TYPE_NOT_SUPPORTED);
        return false;
    default:
        messages.Error(MSG_UNKNOWN_FILE_TYPE);
        return false;
    }
}

enum class ImageWrite { Written, NotWritten, Fatal };

// Writes `image` into the file `temporary` with the writer of `type` (a writable type); `path` is the
// name the TIFF writer's messages give.
ImageWrite WriteImageAs(int type, const std::string& temporary, DIBSection& image, const std::string& path,
                        Messages& messages) {
    switch (type) {
    case FT_JPEG:
        switch (WriteJpegFile(temporary, image, JPEG_SAVE_QUALITY, messages)) {
        case JpegWriteResult::Written:
            return ImageWrite::Written;
        case JpegWriteResult::NotWritten:
            return ImageWrite::NotWritten;
        case JpegWriteResult::Fatal:
            return ImageWrite::Fatal;
        }
        return ImageWrite::NotWritten;
    case FT_BMP:
        return WriteBmpFile(temporary, image) != 0 ? ImageWrite::Written : ImageWrite::NotWritten;
    default:
        return WriteTiffFile(temporary, image, messages, path) != 0 ? ImageWrite::Written
                                                                    : ImageWrite::NotWritten;
    }
}

} // namespace

SaveOutcome ImageDocument::SaveFile(const std::string& path, Messages& messages) {
    const int type = FileTypeFromName(path);
    const DIBSection* current = GetImage(m_nCurrentImage);
    if (current == nullptr)
        return SaveOutcome::NothingOpen;
    if (!IsWritableType(type, messages))
        return SaveOutcome::Unsupported;

    // The writer fills a temporary beside the chosen name, which takes the file's place only when
    // it is complete: a failed save leaves whatever was under that name untouched and no temporary.
    // The JPEG writer turns the colours around in the image it is given, so every writer gets a copy.
    PendingFile output(path);
    // The writers open the temporary by name: it is created here first, new and never through a link
    // (when it cannot be, the writer's own open fails and says so).
    if (const int fd = output.Create(); fd >= 0)
        ::close(fd);
    DIBSection copy(*current);
    errno = 0;
    const ImageWrite write = WriteImageAs(type, output.TemporaryPath(), copy, path, messages);
    const int writeError = errno;
    if (write == ImageWrite::Fatal)
        return SaveOutcome::Fatal;
    bool written = write == ImageWrite::Written;
    if (!written && writeError != 0)
        messages.Detail("writing " + path + ": " + std::strerror(writeError));
    if (written && !output.Commit()) {
        messages.Detail("writing " + path + ": " + std::strerror(errno));
        written = false;
    }
    if (!written) {
        messages.Error(MSG_IMAGE_NOT_WRITTEN + path);
        return SaveOutcome::NotWritten;
    }
    return SaveOutcome::Saved;
}

std::string ImageDocument::PropertiesText(Messages& messages) const {
    GrowArray<std::string> lines;
    if (m_nFileType == FT_MRC)
        FormatMrcProperties(m_strImagePath, lines);
    else
        FormatTiffProperties(m_strImagePath, GetImageDirectory(m_nCurrentImage), lines, messages);
    return TiffPropertiesText(m_strImagePath, lines);
}

void ImageDocument::ShowProperties(Messages& messages) const {
    messages.Information(PropertiesText(messages));
}

} // namespace gc
