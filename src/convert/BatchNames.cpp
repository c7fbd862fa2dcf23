#include "BatchNames.h"

#include "ConvertMessages.h"
#include "core/PendingFile.h"

namespace gc {

NameRegistry BatchNamesOf(const std::vector<std::string>& inputs) {
    NameRegistry names;
    for (const std::string& input : inputs)
        names.AddInput(input);
    return names;
}

bool ClaimBatchOutputs(NameRegistry& names, const std::string& inputPath,
                       const std::vector<std::string>& outputs, Messages& messages) {
    for (const std::string& output : outputs)
        if (!output.empty() && IsReadOnlyFile(output)) {
            // An earlier output someone made read-only is kept.
            messages.Warning(MSG_OUTPUTS_OF + inputPath + MSG_OUTPUTS_NOT_WRITTEN + output +
                             MSG_BATCH_OUTPUT_READ_ONLY);
            return false;
        }
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
