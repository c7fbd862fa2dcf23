// The viewer's TIFF codec: lists the directories of a file, reads one directory into a DIBSection
// through the library's RGBA interface (so any layout the library decodes opens as 24-bit colour),
// and writes a DIBSection as an 8-bit RGB TIFF with PackBits compression and one row per strip.
//
// Every call opens and closes the file itself. The library's errors reach the Messages given to the
// call (caption: reporting function or "TIFFLIB", plus " Error"); its warnings are switched off.
#pragma once

#include "core/GrowArray.h"
#include "core/Messages.h"
#include "core/TiffHandle.h"
#include "image/DIBSection.h"
#include "image/ImageLimits.h"

#include <memory>
#include <string>
#include <tiffio.h>

namespace gc {

// One directory of a file: its width, height and 0-based number in the chain of directories.
struct TiffDirEntry {
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nDirectory = 0;
};

using TiffDirList = GrowArray<TiffDirEntry>;

// Appends an entry for every directory that has a non-zero width and height. Returns the number of
// entries appended (0 when the file cannot be opened).
int ListTiffDirectories(const std::string& path, TiffDirList& list, Messages& messages);

enum class TiffReadOutcome {
    Read,     // the pixels were read
    NotRead,  // nothing read; the image may still be valid (and black) when the library failed to decode
    TooLarge, // the 24-bit picture would exceed MAX_VIEW_IMAGE_BYTES: nothing allocated, no image
};

// Reads directory `directory` into `image` (emptied first; 24 bits, bottom-up) through the library's
// RGBA interface. Callers judge by image.IsValid(): a directory the library could not decode still
// leaves a valid, black image. The viewer reads the plain greyscale layouts itself (TiffStoreReader).
TiffReadOutcome ReadTiffImage(const std::string& path, DIBSection& image, int directory, Messages& messages);

// Writes `image` as a new TIFF file, PackBits-compressed in strips of one row: RGB, or with
// PictureChannels::Grey one 8-bit sample per pixel (min-is-black). Returns the number of pixels
// written (width × height), or 0 when the image is empty, the file cannot be created, or a row or
// the directory cannot be written. The library's messages name the file `shownName`, or `path` when
// that is empty: a caller that writes under a temporary name (PendingFile) passes the name the user
// chose.
int WriteTiffFile(const std::string& path, const DIBSection& image, Messages& messages,
                  const std::string& shownName = {}, PictureChannels channels = PictureChannels::Colour);

// The writer's work on a handle opened for writing: tags, rows, then a flush. Returns width × height,
// or 0 on any failure. The handle stays open.
int WriteTiffImage(TIFF* handle, const DIBSection& image, PictureChannels channels = PictureChannels::Colour);

} // namespace gc
