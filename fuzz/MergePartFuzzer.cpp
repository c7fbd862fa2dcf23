// Feeds arbitrary bytes to the merge of report --merge, as a task's report part (FuzzTargets.h).
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gc::fuzz::MergePartInput(data, size);
    return 0;
}
