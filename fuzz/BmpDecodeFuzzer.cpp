// Feeds arbitrary bytes to the BMP decoder. The address sanitizer catches any read outside the input
// and any write outside the image; a success without an image is a fault of its own.
#include "image/BmpCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gc::DIBSection image;
    if (gc::DecodeBmp(size, data, image) == 1 && !image.IsValid())
        __builtin_trap();
    return 0;
}
