// Feeds arbitrary bytes to the JPEG reader (FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gc::fuzz::ReadJpegInput(data, size);
    return 0;
}
