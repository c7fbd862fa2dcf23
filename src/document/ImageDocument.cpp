// ImageDocument: open by file type (the images listed, the first one read), one image's values held
// at a time, save the current image's picture by the target's type, and the properties report of the
// current image's directory.
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
#include "image/TiffStoreReader.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace gc {

namespace {

// Where no pixel size is given, the classic header's cell is one ångström per pixel; that is taken
// for "unknown".
double PixelSizeOf(const MrcHeader& header) {
    if (header.m_nMX <= 0 || !(header.m_fCellA[0] > 0))
        return 0;
    const double size = static_cast<double>(header.m_fCellA[0]) / header.m_nMX;
    return size == 1.0 ? 0 : size;
}

// A picture read by the BMP or JPEG reader as the document's values.
bool StoreFromPicture(const DIBSection& picture, PixelStore& store, Messages& messages) {
    if (!picture.IsValid())
        return false;
    store = PixelStore::FromPicture(picture);
    if (!store.IsValid())
        messages.Error(MSG_NOT_ENOUGH_MEMORY);
    return store.IsValid();
}

} // namespace

const PixelStore* ImageDocument::GetImage(int index) {
    if (static_cast<unsigned>(index) >= static_cast<unsigned>(m_images.GetCount()))
        return nullptr;
    if (index != m_nStoreImage && (m_pMessages == nullptr || !LoadImage(index, *m_pMessages)))
        return nullptr;
    m_nCurrentImage = index;
    return &m_store;
}

bool ImageDocument::GetPicture(int index, DIBSection& picture) {
    picture.Destroy();
    const PixelStore* store = GetImage(index);
    if (store == nullptr)
        return false;
    PictureOf(*store, m_nFileType == FT_MRC ? WideToGrey::SpanMinMax : WideToGrey::HighByte, picture);
    return picture.IsValid();
}

void ImageDocument::ClearImages() {
    m_images.RemoveAll();
    m_store = PixelStore();
    m_nStoreImage = -1;
    m_mrc = MrcFile();
    m_dPixelSize = 0;
}

int ImageDocument::GetImageDirectory(int index) const {
    if (static_cast<unsigned>(index) < static_cast<unsigned>(m_images.GetCount()))
        return m_images[index];
    return index;
}

bool ImageDocument::LoadImage(int index, Messages& messages) {
    m_store = PixelStore();
    m_nStoreImage = -1;
    const std::string& path = m_strImagesPath;
    switch (m_nFileType) {
    case FT_JPEG: {
        DIBSection picture;
        if (ReadJpegFile(path, picture, messages) == READ_TOO_LARGE)
            messages.Error(MSG_IMAGE_TOO_LARGE);
        if (!StoreFromPicture(picture, m_store, messages))
            return false;
        break;
    }
    case FT_BMP: {
        DIBSection picture;
        if (ReadBmpFile(path, picture) == READ_TOO_LARGE)
            messages.Error(MSG_IMAGE_TOO_LARGE);
        if (!StoreFromPicture(picture, m_store, messages))
            return false;
        break;
    }
    case FT_TIFF:
        switch (ReadTiffStore(path, m_images[index], m_store, messages)) {
        case TiffStoreOutcome::Read:
            break;
        case TiffStoreOutcome::TooLarge:
            messages.Error(MSG_IMAGE_TOO_LARGE);
            return false;
        case TiffStoreOutcome::NoMemory:
            messages.Error(MSG_NOT_ENOUGH_MEMORY);
            return false;
        case TiffStoreOutcome::NotRead:
            return false;
        }
        break;
    case FT_MRC:
        if (!m_mrc.Section(m_images[index], m_store)) {
            messages.Error(MSG_NOT_ENOUGH_MEMORY);
            return false;
        }
        break;
    default:
        return false;
    }
    m_nStoreImage = index;
    return true;
}

OpenOutcome ImageDocument::OpenFile(const std::string& path, Messages& messages) {
    m_nFileType = FileTypeOf(path);
    ClearImages();
    m_pMessages = &messages;
    m_strImagesPath = path;

    switch (m_nFileType) {
    case FT_JPEG:
    case FT_BMP:
        m_images.Add(0);
        break;
    case FT_TIFF: {
        TiffDirList directories;
        const int count = ListTiffDirectories(path, directories, messages);
        // Each listed directory by its own number: a directory left out of the list (no width or
        // height) must not hide the ones after it.
        for (int j = 0; j < count; ++j)
            m_images.Add(directories[j].m_nDirectory);
        break;
    }
    case FT_MRC:
        // Every section is an image; a refused file gives none and its reason.
        if (const char* refusal = MrcReadMessage(m_mrc.Open(path))) {
            messages.Error(refusal);
            break;
        }
        m_dPixelSize = PixelSizeOf(m_mrc.Header());
        for (int section = 0; section < m_mrc.Sections(); ++section)
            m_images.Add(section);
        break;
    default:
        messages.Error(MSG_NO_SUPPORT_FOR_TYPE);
        return OpenOutcome::Unsupported;
    }

    // The first image that reads is the one shown; images that cannot be read stay listed.
    if (m_images.IsEmpty() || !LoadImage(0, messages)) {
        ClearImages();
        return OpenOutcome::NoImage;
    }
    m_nCurrentImage = 0;
    m_strImagePath = path;
    return OpenOutcome::Opened;
}

namespace {

// Whether the viewer writes files of `type`; any other type is refused with its message.
bool IsWritableType(FileType type, Messages& messages) {
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
ImageWrite WriteImageAs(FileType type, const std::string& temporary, DIBSection& image,
                        const std::string& path, Messages& messages, PictureChannels channels) {
    switch (type) {
    case FT_JPEG:
        // Always three components: the viewer opens only colour JPEGs.
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
        return WriteBmpFile(temporary, image, channels) != 0 ? ImageWrite::Written : ImageWrite::NotWritten;
    default:
        return WriteTiffFile(temporary, image, messages, path, channels) != 0 ? ImageWrite::Written
                                                                              : ImageWrite::NotWritten;
    }
}

} // namespace

double ImageDocument::GetMrcPixelSize() const {
    return m_nFileType == FT_MRC ? m_mrc.Header().PixelSize() : 0.0;
}

SaveOutcome ImageDocument::SaveFile(const std::string& path, Messages& messages, SaveChannels channels) {
    const FileType type = FileTypeFromName(path);
    DIBSection picture;
    if (!GetPicture(m_nCurrentImage, picture))
        return SaveOutcome::NothingOpen;
    if (!IsWritableType(type, messages))
        return SaveOutcome::Unsupported;
    // A file the user made read-only is kept, as every writer keeps it; a picture made from a file
    // that lost data while open would not be the file's.
    const PixelStore* store = GetImage(m_nCurrentImage);
    const bool readOnly = IsReadOnlyFile(path);
    if (readOnly || (store != nullptr && !store->IsIntact())) {
        messages.Detail(readOnly ? MSG_IMAGE_READ_ONLY + path : MSG_IMAGE_SOURCE_CHANGED + m_strImagePath);
        messages.Error(MSG_IMAGE_NOT_WRITTEN + path);
        return SaveOutcome::NotWritten;
    }

    // The writer fills a temporary beside the chosen name, which takes the file's place only when
    // it is complete: a failed save leaves whatever was under that name untouched and no temporary.
    // The JPEG writer turns the colours around in the image it is given; the picture is made anew for
    // each save.
    PendingFile output(path);
    // The writers open the temporary by name: it is created here first, new and never through a link
    // (when it cannot be, the writer's own open fails and says so).
    if (const int fd = output.Create(); fd >= 0)
        ::close(fd);
    errno = 0;
    const bool grey = channels == SaveChannels::GreyKept && store != nullptr && store->Channels() == 1;
    const ImageWrite write = WriteImageAs(type, output.TemporaryPath(), picture, path, messages,
                                          grey ? PictureChannels::Grey : PictureChannels::Colour);
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
