#include "ChildProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace gc {
namespace {

// Exit codes of the intermediate process, read by the caller.
constexpr int STARTED_RUNNING = 0;
constexpr int STARTED_ENDED = 1;
constexpr int NOT_STARTED = 2;
constexpr int STARTED_FAILED = 3;

void SleepMilliseconds(long milliseconds) {
    timespec pause{0, milliseconds * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

// The intermediate child's work: starts the program as its own child, tells through its exit code
// whether exec failed, the program ended (well or not) within the wait, or still runs.
[[noreturn]] void RunIntermediate(char* const* argv, const int execPipe[2], int waitMilliseconds) {
    const pid_t grandchild = fork();
    if (grandchild < 0)
        _exit(NOT_STARTED);
    if (grandchild == 0) {
        close(execPipe[0]);
        execvp(argv[0], argv);
        const int error = errno;
        [[maybe_unused]] const ssize_t ignored = write(execPipe[1], &error, sizeof error);
        _exit(127);
    }
    close(execPipe[1]);
    int error = 0;
    ssize_t got;
    do {
        got = read(execPipe[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
        waitpid(grandchild, nullptr, 0);
        _exit(NOT_STARTED);
    }
    for (int waited = 0; waited < waitMilliseconds; waited += 10) {
        int status = 0;
        if (waitpid(grandchild, &status, WNOHANG) == grandchild)
            _exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? STARTED_ENDED : STARTED_FAILED);
        SleepMilliseconds(10);
    }
    _exit(STARTED_RUNNING);
}

} // namespace

// The program runs as a grandchild: the intermediate child starts it, reports through a close-on-exec
// pipe whether exec worked, waits up to the grace period and exits, so the program is adopted by init.
// The intermediate child's exit code tells the caller which: not started, still running, ended well
// or ended with a failure.
// Everything the children need is prepared before fork; after it they only make system calls.
bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                         int waitMilliseconds) {
    m_strProgram = program;
    m_arguments = arguments;
    m_bEnded = false;
    m_bFailed = false;

    std::vector<char*> argv;
    argv.push_back(m_strProgram.data());
    for (std::string& argument : m_arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int execPipe[2];
    if (pipe2(execPipe, O_CLOEXEC) != 0)
        return false;

    const pid_t intermediate = fork();
    if (intermediate < 0) {
        close(execPipe[0]);
        close(execPipe[1]);
        return false;
    }
    if (intermediate == 0)
        RunIntermediate(argv.data(), execPipe, waitMilliseconds);

    close(execPipe[0]);
    close(execPipe[1]);
    int status = 0;
    while (waitpid(intermediate, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) == NOT_STARTED)
        return false;
    m_bFailed = WEXITSTATUS(status) == STARTED_FAILED;
    m_bEnded = WEXITSTATUS(status) == STARTED_ENDED || m_bFailed;
    return true;
}

} // namespace gc
