// The loop of one press of Convert or Cut: each loaded file in order through one operation, the
// first outcome other than Done ending the press, and "Done..." with the bar full after the last.
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

// Runs `operation` on every file in order under one TIFF error scope; a stop request, looked at
// before each file, ends it with Interrupted. Shows MSG_DONE once every file is Done.
ConvertOutcome ForEachFile(const std::vector<std::string>& files, const FileOperation& operation,
                           Messages& messages, Progress& progress);

} // namespace gc
