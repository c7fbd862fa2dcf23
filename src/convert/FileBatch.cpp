#include "FileBatch.h"

#include "ConvertMessages.h"
#include "core/TiffErrors.h"

namespace gc {

ConvertOutcome ForEachFile(const std::vector<std::string>& files, const FileOperation& operation,
                           Messages& messages, Progress& progress) {
    TiffErrorScope errors(messages);
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        if (progress.StopRequested())
            return ConvertOutcome::Interrupted;
        const ConvertOutcome outcome = operation(files[static_cast<std::size_t>(i)], i, count);
        if (outcome != ConvertOutcome::Done)
            return outcome;
    }
    progress.SetRange(0, PROGRESS_END);
    FinishProgress(progress);
    messages.Information(MSG_DONE);
    return ConvertOutcome::Done;
}

} // namespace gc
