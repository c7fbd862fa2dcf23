#include "GainTable.h"
#include "core/FileHandles.h"
#include "core/PendingFile.h"

#include "ConvertMessages.h"
#include "NumberText.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace gc {
namespace {} // namespace

int FindGainIndex(double gain) {
    for (int i = 0; i < GAIN_COUNT; ++i)
        if (GAIN_TABLE[i].gain == gain)
            return i;
    return -1;
}

std::string LastRunText(double gain, float a, float x0, float y0) {
    std::string text;
    for (double value : {gain, static_cast<double>(a), static_cast<double>(x0), static_cast<double>(y0)})
        text += FormatGeneral(value, LAST_RUN_DIGITS) + "\n";
    return text;
}

bool SaveLastRun(const std::string& path, double gain, float a, float x0, float y0) {
    // Written beside the file and renamed over it when complete, so the earlier run's values stay
    // readable until the new ones are all there.
    PendingFile pending(path);
    FileHandle file(pending.CreateStream("w"));
    if (!file)
        return false;
    const std::string text = LastRunText(gain, a, x0, y0);
    if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
        const int writeError = errno;
        file.reset();
        errno = writeError;
        return false;
    }
    return pending.CloseAndCommit(file.release());
}

LastRunValues LoadLastRun(const std::string& path, Messages& messages) {
    LastRunValues values;
    FileHandle file(std::fopen(path.c_str(), "r"));
    if (!file) {
        messages.Warning(MSG_LAST_RUN_MISSING);
        return values;
    }
    char line[LAST_RUN_LINE_BUFFER];
    auto readLine = [&](std::optional<double>& destination) {
        if (std::fgets(line, sizeof line, file.get()) == nullptr) {
            messages.Warning(MSG_LAST_RUN_CORRUPT);
            return false;
        }
        destination = ParseDecimal(line);
        return true;
    };

    std::optional<double> gain;
    if (!readLine(gain))
        return values;
    const int index = FindGainIndex(*gain);
    if (index < 0) {
        messages.Warning(MSG_LAST_RUN_UNKNOWN_GAIN);
        return values;
    }
    values.m_nGainIndex = index;
    values.m_dGain = gain;
    if (readLine(values.m_dA) && readLine(values.m_dX0))
        readLine(values.m_dY0);
    return values;
}

} // namespace gc
