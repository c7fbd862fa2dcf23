// BMP reader and writer of the viewer. The reader decodes 1-, 4-, 8- and 24-bit files, uncompressed
// or run-length encoded (RLE4, RLE8), into a 24-bit DIBSection, expanding palette indexes to colour.
// The writer stores a DIBSection as an uncompressed 24-bit file, or an 8-bit grey one. This file and
// BmpCodec.cpp are the only places that know the byte layout of a BMP file; no library is involved.
#pragma once

#include "image/DIBSection.h"

#include <cstddef>
#include <string>

namespace gc {

// Reads the whole file and decodes it with DecodeBmp, whose result it returns. 0 (no message) when the
// file cannot be opened, is empty or cannot be read completely.
int ReadBmpFile(const std::string& path, DIBSection& image);

// Decodes a BMP file held in memory into `image` (emptied first: a refused file leaves no image). 1 when one
// of the supported decoders ran, 0 otherwise. The image can be valid (and black, or partly decoded) even when
// 0 is returned: callers judge by image.IsValid(). Nothing outside `bytes[0, byteCount)` is read, nothing
// outside the image is written; data that ends early leaves the rest of the image black.
// Refused before anything is allocated, with no image: a picture whose bitmap would exceed
// MAX_VIEW_IMAGE_BYTES (READ_TOO_LARGE is returned; no message, the caller shows MSG_IMAGE_TOO_LARGE),
// and one whose pixel data is far too short to fill it (0; see DataCanFill in BmpCodec.cpp).
int DecodeBmp(std::size_t byteCount, const unsigned char* bytes, DIBSection& image);

// Writes a 24-bit image as an uncompressed BMP file: 24-bit, or with PictureChannels::Grey 8-bit
// with a 256-level grey palette. 1 when every byte was written, 0 otherwise (the file cannot be
// created, the image is not valid or not 24-bit, a write or the final flush failed).
int WriteBmpFile(const std::string& path, const DIBSection& image,
                 PictureChannels channels = PictureChannels::Colour);

} // namespace gc
