// Feeds arbitrary bytes to the viewer's TIFF reader and the properties report (FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gc::fuzz::ReadTiffInput(data, size);
    return 0;
}
