#include "BatchNames.h"

#include "ConvertMessages.h"

namespace gc {

NameRegistry BatchNamesOf(const std::vector<std::string>& inputs) {
    NameRegistry names;
    for (const std::string& input : inputs)
        names.AddInput(input);
    return names;
}

bool ClaimBatchOutputs(NameRegistry& names, const std::string& inputPath,
                       const std::vector<std::string>& outputs, Messages& messages) {
    std::string clashing;
    const NameClash clash = names.ClaimAll(outputs, clashing);
    if (clash == NameClash::None)
        return true;
    messages.Warning(
        MSG_OUTPUTS_OF + inputPath + MSG_OUTPUTS_NOT_WRITTEN + clashing +
        (clash == NameClash::Input ? MSG_BATCH_CLASHES_WITH_INPUT : MSG_BATCH_CLASHES_WITH_OUTPUT));
    return false;
}

} // namespace gc
