// ImageDocument: the viewer's document. It lists the images of the open file (one for a BMP or JPEG file,
// one per directory of a TIFF file, one per section of an MRC file), knows its path and file type and
// which image is current, and holds the current image's values in a PixelStore: one image at a time,
// read (or mapped) when it becomes current. It saves the current image with the writer for the
// target's type, from the 24-bit picture the writers take (GetPicture).
//
// No windows here: the desktop program's Open/Save handlers show the choosers (filters: OPEN_FILTERS and
// SAVE_FILTERS in DocumentMessages.h), call OpenFile/SaveFile, and end the process with exit status 1
// after a Fatal outcome. Remembering the path for picking and resetting the pick state on open are the
// application's part of File Open.
#pragma once

#include "core/GrowArray.h"
#include "core/Messages.h"
#include "core/Outcome.h"
#include "image/DIBSection.h"
#include "image/MrcReader.h"
#include "image/PixelStore.h"

#include <memory>
#include <string>

namespace gc {

// File types by name, with the documented names and values (FT_JPEG is 0, ..., FT_MRC is 6); they
// are usable without the type's name (FT_TIFF, not FileType::FT_TIFF).
// NOLINTBEGIN(readability-identifier-naming): the documented names of the types.
enum class FileType : int {
    FT_JPEG = 0,
    FT_BMP = 1,
    FT_TIFF = 2,
    FT_GIF = 3,
    FT_OTHER = 4,
    FT_UNKNOWN = 5,
    FT_MRC = 6,
};
// NOLINTEND(readability-identifier-naming)
using enum FileType;

// The type of a file from its name, compared in upper case: ".BMP", ".JPG"/".JPEG", ".TIF"/".TIFF",
// ".GIF", ".MRC"; any other name whose fourth-last character is "." is FT_OTHER; everything else,
// names of 4 characters or fewer included, is FT_UNKNOWN. MRC files are opened but never written
// here: saving to a ".mrc" name is refused as a type without a writer.
FileType FileTypeFromName(const std::string& path);
// The type of an existing file to open: FT_MRC when it starts with an MRC header (IsMrcFile), whatever
// its name; otherwise its type by name.
FileType FileTypeOf(const std::string& path);

// The name Save writes to: the chosen name, with the extension of save filter `filterIndex` (0-based
// into SAVE_FILTERS) appended when the name's type is FT_UNKNOWN. An index outside the table appends
// the first entry's extension.
std::string SavePathForFilter(const std::string& chosenPath, int filterIndex);

inline constexpr int JPEG_SAVE_QUALITY = 75;

enum class OpenOutcome {
    Opened,      // at least one image was read
    NoImage,     // the reader read nothing (it reported its own problems, or the reason was shown:
                 // MSG_IMAGE_TOO_LARGE, MSG_NOT_ENOUGH_MEMORY, the MRC reader's refusal); the
                 // document is empty
    Unsupported, // MSG_NO_SUPPORT_FOR_TYPE was shown; the document is empty
};

// What a save writes for a greyscale image: the picture's colour file, or one grey sample per pixel.
enum class SaveChannels { Picture, GreyKept };

enum class SaveOutcome {
    Saved,
    NothingOpen, // no current image: nothing happens, nothing is shown
    Unsupported, // GIF, other or unknown type: its message was shown
    NotWritten,  // the writer failed, or the written file could not take the chosen name (a detail line
                 // names the reason): MSG_IMAGE_NOT_WRITTEN + path was shown
    Fatal,       // the JPEG writer could not open the file ("Can't Open file" shown) or the JPEG library
                 // failed (its text shown): exit with status 1
};

// The outcomes in the shared vocabulary: a file or a save the document cannot handle ends the command
// (the desktop program goes on); a fatal one ends the program.
inline Outcome OutcomeOf(OpenOutcome outcome) {
    switch (outcome) {
    case OpenOutcome::Opened:
        return Outcome::Done;
    case OpenOutcome::NoImage:
    case OpenOutcome::Unsupported:
        break;
    }
    return Outcome::CannotHandle;
}

inline Outcome OutcomeOf(SaveOutcome outcome) {
    switch (outcome) {
    case SaveOutcome::Saved:
        return Outcome::Done;
    case SaveOutcome::NothingOpen:
    case SaveOutcome::Unsupported:
        return Outcome::CannotHandle;
    case SaveOutcome::NotWritten:
        return Outcome::WriteFailed;
    case SaveOutcome::Fatal:
        break;
    }
    return Outcome::Fatal;
}

class ImageDocument {
public:
    ImageDocument() = default;
    ImageDocument(const ImageDocument&) = delete;
    ImageDocument& operator=(const ImageDocument&) = delete;
    ~ImageDocument() = default;

    // File Open after the chooser: sets the file type (FileTypeOf), forgets the images, lists the
    // file's images and reads image 0, and takes the path as the document's path when it was read
    // (otherwise the previous path stays). `messages` also hears of the later reads of other images.
    OpenOutcome OpenFile(const std::string& path, Messages& messages);

    // File Save / Save As after the chooser (path already through SavePathForFilter): writes the
    // current image's picture with the writer for the path's type. The document itself is unchanged.
    // The file is written whole or not at all: under a temporary name in the same folder, renamed to
    // `path` only when the writer succeeded; after any failure `path` is as it was and no temporary
    // is left.
    // With SaveChannels::GreyKept (the command line's export), a greyscale image (one sample per pixel:
    // 8-bit, 16-bit or float) is written to TIFF and BMP as one 8-bit grey sample per pixel, the grey
    // levels of the picture (GetPicture: the values as shown before any display contrast); JPEG
    // files and colour images are written as with SaveChannels::Picture, the viewer's File Save,
    // which writes colour files.
    SaveOutcome SaveFile(const std::string& path, Messages& messages,
                         SaveChannels channels = SaveChannels::Picture);

    // The values of image `index`, which becomes the current image (read now when another image was
    // held); nullptr, and no change, when there is no such image or it cannot be read.
    const PixelStore* GetImage(int index);
    int GetImageCount() const { return m_images.GetCount(); }
    const std::string& GetImagePath() const { return m_strImagePath; }
    FileType GetFileType() const { return m_nFileType; }
    int GetCurrentImage() const { return m_nCurrentImage; }
    // The pixel size in ångström from an MRC file's cell (0 when unknown).
    double GetPixelSize() const { return m_dPixelSize; }
    // The pixel size an MRC file's header gives (MrcHeader::PixelSize: 1 Å included), which picked
    // boxes take; 0 for other files.
    double GetMrcPixelSize() const;

    // The 24-bit picture of image `index` as the writers save it (and as the viewer showed it before it
    // showed the values): grey or colour 8-bit samples as they are, 16-bit TIFF samples by their upper
    // byte, MRC and float samples on a linear scale from the image's minimum to its maximum. Makes
    // the image current; false when there is none.
    bool GetPicture(int index, DIBSection& picture);

    // The TIFF directory (or MRC section) image `index` was read from.
    int GetImageDirectory(int index) const;

    // Forgets every image.
    void ClearImages();

    // Properties is offered only while the open file is a TIFF or an MRC file.
    bool CanShowProperties() const { return m_nFileType == FT_TIFF || m_nFileType == FT_MRC; }
    // The properties report, as the information box shows it: the tags of the current image's
    // directory for a TIFF file, the header fields for an MRC file.
    std::string PropertiesText(Messages& messages) const;
    // Shows PropertiesText as an information message.
    void ShowProperties(Messages& messages) const;

private:
    // Reads image `index` into m_store; false (the reason shown) when it cannot be.
    bool LoadImage(int index, Messages& messages);

    FileType m_nFileType = FT_UNKNOWN;
    std::string m_strImagePath;
    int m_nCurrentImage = 0;
    // The file the images are listed from, and each image's TIFF directory or MRC section.
    std::string m_strImagesPath;
    GrowArray<int> m_images;
    MrcFile m_mrc;
    double m_dPixelSize = 0;
    PixelStore m_store;
    int m_nStoreImage = -1;
    Messages* m_pMessages = nullptr;
};

} // namespace gc
