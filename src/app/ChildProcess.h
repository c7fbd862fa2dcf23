// ChildProcess: starts an external program (the PDF converter, the help viewer) as a process of its
// own that outlives the command. The program is found on PATH and gets its arguments one by one, so
// names with blanks arrive whole. The process is detached at once: nothing waits for it beyond the
// optional grace period of Start, and it never becomes a zombie of this program.
#pragma once

#include <string>
#include <vector>

namespace gc {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() = default; // never waits for the process
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `arguments` in the current working directory. Waits until the process
    // ends, at most waitMilliseconds (0: not at all). Returns whether the program could be started.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               int waitMilliseconds = 0);

    const std::vector<std::string>& GetArguments() const { return m_arguments; }
    // Whether the process ended within the wait of Start.
    bool HasEnded() const { return m_bEnded; }
    // Whether it ended within the wait with a failure (a non-zero exit status or a signal).
    bool HasFailed() const { return m_bFailed; }

private:
    std::string m_strProgram;
    std::vector<std::string> m_arguments;
    bool m_bEnded = false;
    bool m_bFailed = false;
};

} // namespace gc
