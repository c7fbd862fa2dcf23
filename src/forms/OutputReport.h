// What one press of Convert or Cut does to the files it writes, for the dialog: before the press, the
// outputs that exist already are named and the user is asked whether to replace them; after it,
// "Done..." is followed by the whole paths of the files written (new ones, or ones that changed during
// the press: another file in their place, another size or another time of change).
#pragma once

#include "core/Messages.h"
#include "forms/Questions.h"

#include <string>
#include <vector>

namespace gc {

class OutputReport {
public:
    // Notes which of `outputs` exist, and when they last changed.
    explicit OutputReport(std::vector<std::string> outputs);

    const std::vector<std::string>& Existing() const { return m_existing; }
    // The outputs written since the report was made, as whole paths.
    std::vector<std::string> Written() const;

private:
    std::vector<std::string> m_outputs;
    struct FileState {
        bool exists = false;
        unsigned long long inode = 0, size = 0;
        long long seconds = 0, nanoseconds = 0;
        bool operator==(const FileState&) const = default;
    };
    static FileState StateOf(const std::string& path);
    std::vector<FileState> m_states;
    std::vector<std::string> m_existing;
};

// True when nothing would be replaced, or the user answers Yes to the question naming `existing`.
// Without `questions`, files are replaced as the command line does.
bool MayReplace(const std::vector<std::string>& existing, Questions* questions);

// Shows everything as `messages` does; "Done..." is followed by the files `report` found written.
class DoneReportMessages final : public Messages {
public:
    DoneReportMessages(Messages& messages, const OutputReport& report)
        : m_messages(messages), m_report(report) {}
    void Show(MessageKind kind, const std::string& text, const std::string& caption = {}) override;
    void Detail(const std::string& line) override { m_messages.Detail(line); }

private:
    Messages& m_messages;
    const OutputReport& m_report;
};

} // namespace gc
