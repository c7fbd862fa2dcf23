#include "FileBatch.h"

#include "BatchNames.h"
#include "ConvertMessages.h"
#include "core/TiffErrors.h"

namespace gc {

ConvertOutcome ForEachFile(const std::vector<std::string>& files, const FileOutputs& outputsOf,
                           const FileOperation& operation, Messages& messages, Progress& progress,
                           const std::vector<std::string>& otherOutputs) {
    TiffErrorScope errors(messages);
    NameRegistry names = BatchNamesOf(files);
    for (const std::string& output : otherOutputs)
        names.AddOutput(output);
    bool anyLeftOut = false;
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        if (progress.StopRequested())
            return ConvertOutcome::Interrupted;
        const std::string& path = files[static_cast<std::size_t>(i)];
        const std::vector<std::string> outputs = outputsOf(path, i);
        if (!ClaimBatchOutputs(names, path, outputs, messages)) {
            anyLeftOut = true;
            continue;
        }
        const ConvertOutcome outcome = operation(path, i, count);
        if (outcome != ConvertOutcome::Done)
            return outcome;
        for (const std::string& output : outputs)
            if (!output.empty())
                messages.FileWritten(output);
    }
    progress.SetRange(0, PROGRESS_END);
    FinishProgress(progress);
    messages.Information(MSG_DONE);
    return anyLeftOut ? ConvertOutcome::Skipped : ConvertOutcome::Done;
}

} // namespace gc
