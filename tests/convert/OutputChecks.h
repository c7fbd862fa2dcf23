// Checks that outputs are written whole or not at all: a Messages that also keeps the detail lines, a
// Progress that asks to stop after a number of looks, a run in a child process whose files may not
// grow beyond a limit, and the names left in a folder.
#pragma once

#include "core/Messages.h"
#include "core/PendingFile.h"
#include "core/Progress.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace gc::test {

class DetailMessages final : public Messages {
public:
    void Show(MessageKind, const std::string& text, const std::string& = {}) override {
        m_texts.push_back(text);
    }
    void Detail(const std::string& line) override {
        m_details.push_back(line);
        m_texts.push_back("detail: " + line);
    }
    std::vector<std::string> m_texts; // shown texts and details, in order
    std::vector<std::string> m_details;
};

// Says "stop" from its (allowed + 1)-th look on.
class StopAfter final : public Progress {
public:
    explicit StopAfter(int allowed) : m_nAllowed(allowed) {}
    void SetRange(int, int) override {}
    void SetPos(int) override {}
    bool StopRequested() const override { return m_nLooks++ >= m_nAllowed; }
    int Looks() const { return m_nLooks; }

private:
    int m_nAllowed;
    mutable int m_nLooks = 0;
};

// Runs `body` in a child process in which no file may grow beyond `limitBytes` (a write past it fails
// with EFBIG rather than ending the process); returns the child's exit status, or -1 when it did not
// exit normally.
inline int RunWithFileSizeLimit(rlim_t limitBytes, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limitBytes, limitBytes};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// The names of the files in `folder`.
inline std::set<std::string> FileNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The temporaries of unfinished outputs left in `folder`.
inline std::vector<std::string> LeftTemporaries(const std::filesystem::path& folder) {
    std::vector<std::string> left;
    for (const std::string& name : FileNames(folder))
        if (IsPendingFileName(name))
            left.push_back(name);
    return left;
}

} // namespace gc::test
