// Feeds arbitrary bytes to the viewer's MRC reader and the MRC properties report (FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gc::fuzz::ReadMrcInput(data, size);
    return 0;
}
