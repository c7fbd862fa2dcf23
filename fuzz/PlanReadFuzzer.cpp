// Feeds arbitrary bytes to the plan reader of split --plan (FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gc::fuzz::ReadPlanInput(data, size);
    return 0;
}
