// Feeds arbitrary bytes to the BMP decoder (FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gc::fuzz::DecodeBmpInput(data, size);
    return 0;
}
