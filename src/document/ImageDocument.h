// ImageDocument: the viewer's document. It holds the images of the open file (one for a BMP or JPEG file,
// one per directory of a TIFF file, one per section of an MRC file), its path and file type, and which image
// is current; it opens a file with the reader for its type and saves the current image with the writer for
// the target's type.
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

#include <memory>
#include <string>

namespace gc {

// File types by name; the values are stored and compared as integers.
enum FileType : int {
    FT_JPEG = 0,
    FT_BMP = 1,
    FT_TIFF = 2,
    FT_GIF = 3,
    FT_OTHER = 4,
    FT_UNKNOWN = 5,
    FT_MRC = 6,
};

// The type of a file from its name, compared in upper case: ".BMP", ".JPG"/".JPEG", ".TIF"/".TIFF",
// ".GIF", ".MRC"; any other name whose fourth-last character is "." is FT_OTHER; everything else,
// names of 4 characters or fewer included, is FT_UNKNOWN. MRC files are opened but never written
// here: saving to a ".mrc" name is refused as a type without a writer.
int FileTypeFromName(const std::string& path);
// The type of an existing file to open: FT_MRC when it starts with an MRC header (IsMrcFile), whatever
// its name; otherwise its type by name.
int FileTypeOf(const std::string& path);

// The name Save writes to: the chosen name, with the extension of save filter `filterIndex` (0-based
// into SAVE_FILTERS) appended when the name's type is FT_UNKNOWN. An index outside the table appends
// the first entry's extension.
std::string SavePathForFilter(const std::string& chosenPath, int filterIndex);

inline constexpr int JPEG_SAVE_QUALITY = 75;

enum class OpenOutcome {
    Opened,      // at least one image was read
    NoImage,     // the reader read nothing (it reported its own problems, or MSG_IMAGE_TOO_LARGE was
                 // shown for a picture beyond the viewer's bitmap limit, or the MRC reader's refusal
                 // was shown); the document is empty
    Unsupported, // MSG_NO_SUPPORT_FOR_TYPE was shown; the document is empty
    Fatal,       // a reader stopped the program (a TIFF above 10,000 pixels): exit with status 1
};

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
        return Outcome::CannotHandle;
    case OpenOutcome::Fatal:
        break;
    }
    return Outcome::Fatal;
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
    using ImageList = GrowArray<std::unique_ptr<DIBSection>>;

    ImageDocument() = default;
    ImageDocument(const ImageDocument&) = delete;
    ImageDocument& operator=(const ImageDocument&) = delete;
    ~ImageDocument() = default;

    // File Open after the chooser: sets the file type (FileTypeOf), clears the images, reads every image of
    // the file, and takes the path as the document's path when at least one image was read (otherwise the
    // previous path stays). The current image number is left for the view, which fetches image 0.
    OpenOutcome OpenFile(const std::string& path, Messages& messages);

    // File Save / Save As after the chooser (path already through SavePathForFilter): writes a copy of
    // the current image with the writer for the path's type. The document itself is unchanged. The
    // file is written whole or not at all: under a temporary name in the same folder, renamed to
    // `path` only when the writer succeeded; after any failure `path` is as it was and no temporary
    // is left.
    SaveOutcome SaveFile(const std::string& path, Messages& messages);

    // The image at `index`, which becomes the current image; nullptr (and no change) when there is none.
    DIBSection* GetImage(int index);
    const ImageList& GetImageList() const { return m_images; }
    int GetImageCount() const { return m_images.GetCount(); }
    const std::string& GetImagePath() const { return m_strImagePath; }
    int GetFileType() const { return m_nFileType; }
    int GetCurrentImage() const { return m_nCurrentImage; }

    // The TIFF directory image `index` was read from (the index itself for other files).
    int GetImageDirectory(int index) const;

    // Deletes every image and empties the list.
    void ClearImages();

    // Properties is offered only while the open file is a TIFF or an MRC file.
    bool CanShowProperties() const { return m_nFileType == FT_TIFF || m_nFileType == FT_MRC; }
    // The properties report, as the information box shows it: the tags of the current image's
    // directory for a TIFF file, the header fields for an MRC file.
    std::string PropertiesText(Messages& messages) const;
    // Shows PropertiesText as an information message.
    void ShowProperties(Messages& messages) const;

private:
    int m_nFileType = FT_UNKNOWN;
    ImageList m_images;
    std::string m_strImagePath;
    int m_nCurrentImage = 0;
    // For a TIFF file: the directory number of each image, in the order of m_images.
    GrowArray<int> m_imageDirectories;
};

} // namespace gc
