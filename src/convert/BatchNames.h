// The name registry of one convert or cut batch: its inputs from the start, then the outputs of each
// file before it is written, so that no file of the batch replaces another.
#pragma once

#include "core/Messages.h"
#include "core/NameRegistry.h"

#include <string>
#include <vector>

namespace gc {

// A registry holding every file of `inputs`.
NameRegistry BatchNamesOf(const std::vector<std::string>& inputs);

// Claims `outputs` (of the input `inputPath`); when one of them is an input of the batch, was
// claimed before or is an existing read-only file, shows the warning naming it and returns false:
// the file is left out.
bool ClaimBatchOutputs(NameRegistry& names, const std::string& inputPath,
                       const std::vector<std::string>& outputs, Messages& messages);

} // namespace gc
