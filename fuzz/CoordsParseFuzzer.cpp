// Feeds arbitrary bytes to the coordinate-file parser of pick --coords (FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gc::fuzz::ParseCoordinatesInput(data, size);
    return 0;
}
