// How large an image the viewer's readers decode. Every reader checks the declared size against
// MAX_VIEW_IMAGE_BYTES before it allocates anything for the picture, so a small file that declares
// a huge picture costs no memory; the refused read returns READ_TOO_LARGE and the caller shows
// MSG_IMAGE_TOO_LARGE (ImageMessages.h).
#pragma once

#include "image/DIBSection.h"

#include <cstdint>

namespace gc {

// Largest pixel memory (24 bits per pixel, rows padded to 4 pixels) a read may create: 1 GiB.
inline constexpr std::int64_t MAX_VIEW_IMAGE_BYTES = std::int64_t{1} << 30;

// A reader's result for a file refused because its picture exceeds MAX_VIEW_IMAGE_BYTES: no image.
inline constexpr int READ_TOO_LARGE = -1;

// Bytes of the 24-bit DIBSection that holds a width × height picture of sizes up to 2^32 (the
// formats hold 32-bit sizes); 0 when either is not positive, INT64_MAX when the count overflows.
constexpr std::int64_t ViewImageBytes(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0)
        return 0;
    const std::int64_t rowBytes = ((width + 3) & ~std::int64_t{3}) * 3;
    if (rowBytes > INT64_MAX / height)
        return INT64_MAX;
    return rowBytes * height;
}

// Whether a width × height picture fits MAX_VIEW_IMAGE_BYTES.
constexpr bool FitsViewImageLimit(std::int64_t width, std::int64_t height) {
    return ViewImageBytes(width, height) <= MAX_VIEW_IMAGE_BYTES;
}

static_assert(MAX_VIEW_IMAGE_BYTES <= MAX_DIB_BYTES, "every picture within the limit can be created");

} // namespace gc
