// Reads one directory of a TIFF file into a PixelStore of the file's own values.
//
// One-sample greyscale (black is zero) of 8 or 16 bits (unsigned or signed) or 32-bit float, in
// strips or tiles, under any compression the library decodes, is read as it is: tiles or strips are
// decoded on two threads, each with a handle of its own: compressed tiles for their block means only
// (decoded again when looked at, PixelStore::DecodeTiles), strips into a buffer of the store's. An
// uncompressed 8-bit picture whose strips lie one after the other in order, and an uncompressed tiled
// picture whose samples are in the machine's byte order, are not read at all but mapped (FileMapping),
// so their pages come in only where they are looked at. Every other layout (palette, colour, white-is-zero, 1
// to 4 bits, ...) goes through the library's RGBA interface (ReadTiffImage) and becomes grey or colour 8-bit
// samples; such a picture must fit MAX_VIEW_IMAGE_BYTES as a 24-bit bitmap.
#pragma once

#include "core/Messages.h"
#include "image/PixelStore.h"

#include <string>

namespace gc {

// A compressed tiled picture gets the block means of this level of its pyramid (PixelStore::Averages),
// made tile by tile while it is decoded once at the read.
inline constexpr int DECODED_AVERAGES_LEVEL = 4;

enum class TiffStoreOutcome {
    Read,     // the store holds the directory's picture
    NotRead,  // nothing read (the library reported why, or the directory has no size)
    TooLarge, // an RGBA-read layout beyond MAX_VIEW_IMAGE_BYTES: MSG_IMAGE_TOO_LARGE is the reason
    NoMemory, // the store could not be allocated: MSG_NOT_ENOUGH_MEMORY is the reason
};

// Reads directory `directory` of the TIFF file at `path` into `store`. The library's errors reach
// `messages` (read in parallel, they are shown after the read, in tile order). A tile or strip the
// library cannot decode stays black and the rest is read.
TiffStoreOutcome ReadTiffStore(const std::string& path, int directory, PixelStore& store, Messages& messages);

// Whether directory `directory` of the file is read as it is (not through the RGBA interface).
bool IsPlainTiffLayout(const std::string& path, int directory);

} // namespace gc
