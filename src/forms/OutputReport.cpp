#include "forms/OutputReport.h"

#include "convert/ConvertMessages.h"

#include <filesystem>
#include <utility>

#include <sys/stat.h>

namespace gc {
namespace {

std::string WholePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(path, error);
    return error ? path : whole.lexically_normal().string();
}

} // namespace

OutputReport::FileState OutputReport::StateOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    return {true, static_cast<unsigned long long>(status.st_ino),
            static_cast<unsigned long long>(status.st_size), static_cast<long long>(status.st_mtim.tv_sec),
            static_cast<long long>(status.st_mtim.tv_nsec)};
}

OutputReport::OutputReport(std::vector<std::string> outputs) : m_outputs(std::move(outputs)) {
    for (const std::string& output : m_outputs) {
        m_states.push_back(StateOf(output));
        if (m_states.back().exists)
            m_existing.push_back(WholePath(output));
    }
}

std::vector<std::string> OutputReport::Written() const {
    std::vector<std::string> written;
    for (std::size_t i = 0; i < m_outputs.size(); ++i)
        if (const FileState now = StateOf(m_outputs[i]); now.exists && !(now == m_states[i]))
            written.push_back(WholePath(m_outputs[i]));
    return written;
}

bool MayReplace(const std::vector<std::string>& existing, Questions* questions) {
    if (existing.empty() || questions == nullptr)
        return true;
    std::string text = QUESTION_REPLACE_FILES;
    for (const std::string& path : existing)
        text += "\n" + path;
    text += std::string("\n\n") + QUESTION_REPLACE_END;
    return questions->Ask(text, {Answer::Yes, Answer::No}) == Answer::Yes;
}

void DoneReportMessages::Show(MessageKind kind, const std::string& text, const std::string& caption) {
    if (text != MSG_DONE) {
        m_messages.Show(kind, text, caption);
        return;
    }
    std::string shown = text;
    const std::vector<std::string> written = m_report.Written();
    if (!written.empty()) {
        shown += std::string("\n\n") + MSG_FILES_WRITTEN;
        for (const std::string& path : written)
            shown += "\n" + path;
    }
    m_messages.Show(kind, shown, caption);
}

} // namespace gc
