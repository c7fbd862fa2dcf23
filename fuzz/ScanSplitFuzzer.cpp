// Feeds arbitrary bytes to the Run as a scan: the scan checks, the search and the outputs
// (FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gc::fuzz::SplitScanInput(data, size);
    return 0;
}
