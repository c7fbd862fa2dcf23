// The loop of one press of Convert or Cut: each loaded file in order through one operation, the
// first outcome other than Done or Skipped ending the press, and "Done..." with the bar full after
// the last. No file of the batch replaces another: each file's outputs are claimed first.
#pragma once

#include "ConvertOutcome.h"
#include "core/Messages.h"
#include "core/Progress.h"

#include <functional>
#include <string>
#include <vector>

namespace gc {

// One file of the batch: its path, its index and the number of files (the bar's share of each).
using FileOperation = std::function<ConvertOutcome(const std::string& path, int fileIndex, int fileCount)>;

// The names one file's outputs take (an empty name is no output).
using FileOutputs = std::function<std::vector<std::string>(const std::string& path, int fileIndex)>;

// Runs `operation` on every file in order under one TIFF error scope; a stop request, looked at
// before each file, ends it with Interrupted. A file whose outputs would replace an input, one of
// `otherOutputs` or an output of an earlier file is left out with a warning (ClaimBatchOutputs).
// Tells `messages` of each output once its file is done (FileWritten). Shows MSG_DONE once every
// file is done or left out; returns Skipped when one was left out.
ConvertOutcome ForEachFile(const std::vector<std::string>& files, const FileOutputs& outputsOf,
                           const FileOperation& operation, Messages& messages, Progress& progress,
                           const std::vector<std::string>& otherOutputs = {});

} // namespace gc
