// JPEG reader and writer of the viewer, through the IJG library (interface version 62). The reader
// opens three-component (colour) and one-component (grey) files into a 24-bit DIBSection; the writer
// saves a 24-bit DIBSection as colour, or as one grey component.
// The library's top-down RGB rows become the image's bottom-up blue-green-red rows and back.
#pragma once

#include "core/Messages.h"
#include "image/DIBSection.h"

#include <string>

namespace gc {

// Reads a colour or grey JPEG into `image` (emptied first). 1 when the file has three components or one (the
// image was then created; a fatal library error part-way leaves the rows read so far and the rest black), 0
// otherwise: four-component files give no image and no message. A colour picture whose
// bitmap would exceed MAX_VIEW_IMAGE_BYTES is refused from its header, before the library or the image
// allocates anything for it, and so is one whose decoding buffers would take more than that (a
// progressive file, say): READ_TOO_LARGE, no image, no message (the caller shows MSG_IMAGE_TOO_LARGE).
// A file that cannot be opened shows MSG_CANT_OPEN_FILE. Other fatal library errors show the
// library's text as a warning.
int ReadJpegFile(const std::string& path, DIBSection& image, Messages& messages);

enum class JpegWriteResult {
    Written,    // the whole image was compressed and the file closed without error
    NotWritten, // not a valid 24-bit image (nothing happens), or the file could not be closed
    // MSG_CANT_OPEN_FILE was shown, or a fatal library error (its text shown as a warning): the
    // program ends, as the library's own fatal-error handler would end it
    Fatal,
};

// Writes `image` as a JPEG file of the given quality (baseline tables), with PictureChannels::Grey as
// one grey component. The image is changed: red and blue are exchanged in every written pixel, so
// callers pass a disposable copy.
JpegWriteResult WriteJpegFile(const std::string& path, DIBSection& image, int quality, Messages& messages,
                              PictureChannels channels = PictureChannels::Colour);

} // namespace gc
