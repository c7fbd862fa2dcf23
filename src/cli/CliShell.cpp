#include "CliShell.h"
#include "CommandMessages.h"

#include "core/PendingFile.h"
#include "core/Version.h"
#include "split/SplitMessages.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gc::cli {
namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int signal) {
    if (g_stopSignal != 0) {
        // A second signal: the user does not want to wait for the operation to wind down. The
        // temporaries go all the same, then the program ends by the signal.
        RemovePendingTemporariesNow();
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_stopSignal = signal;
}

} // namespace

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART; // as signal() installs it: interrupted calls go on
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGHUP, SIGINT, SIGTERM}) {
        // Every stop signal is blocked while the handler runs, so two at once cannot race in it.
        sigaddset(&action.sa_mask, signal);
    }
    for (const int signal : {SIGHUP, SIGINT, SIGTERM})
        sigaction(signal, &action, nullptr);
    // A write past the file size limit then fails with EFBIG, a write error with its reason, instead
    // of ending the program with a partial temporary behind.
    std::signal(SIGXFSZ, SIG_IGN);
}

int StopSignal() {
    return g_stopSignal;
}

int InterruptedStatus() {
    return ExitStatusOf(Outcome::Interrupted, g_stopSignal != 0 ? g_stopSignal : SIGINT);
}

int ExitStatusFor(Outcome outcome) {
    return ExitStatusOf(outcome, g_stopSignal != 0 ? g_stopSignal : SIGINT);
}

void CliMessages::Show(MessageKind kind, const std::string& text, const std::string& caption) {
    std::FILE* stream = kind == MessageKind::Information ? stdout : stderr;
    if (!caption.empty() && caption != DEFAULT_CAPTION)
        std::fprintf(stream, "%s: ", caption.c_str());
    std::fprintf(stream, "%s\n", text.c_str());
    std::fflush(stream);
}

void CliMessages::Detail(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

namespace {

double SecondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// "1h02m", "3m05s" or "42s".
std::string Duration(long long seconds) {
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lldh%02lldm", seconds / 3600, seconds / 60 % 60);
    else if (seconds >= 60)
        std::snprintf(text, sizeof text, "%lldm%02llds", seconds / 60, seconds % 60);
    else
        std::snprintf(text, sizeof text, "%llds", seconds);
    return text;
}

} // namespace

CliProgress::CliProgress(std::string label)
    : CliProgress(std::move(label), isatty(STDERR_FILENO) != 0 ? ProgressMode::Bar : ProgressMode::None) {}

CliProgress::CliProgress(std::string label, ProgressMode mode)
    : m_strLabel(std::move(label)), m_mode(mode), m_dStarted(SecondsNow()), m_dItemStarted(m_dStarted) {}

CliProgress::~CliProgress() {
    Finish();
}

void CliProgress::SetRange(int lower, int upper) {
    m_nLower = lower;
    m_nUpper = upper;
    m_nDrawnCells = -1;
}

void CliProgress::SetPos(int position) {
    if (m_mode != ProgressMode::Bar || position == m_nPosition)
        return;
    if (m_nStartPosition < 0) {
        m_nStartPosition = position;
        m_dStarted = SecondsNow();
    }
    m_nPosition = position;
    Draw();
}

void CliProgress::Draw() {
    constexpr int CELLS = 40;
    const int span = m_nUpper > m_nLower ? m_nUpper - m_nLower : 1;
    int cells = static_cast<int>(static_cast<long long>(m_nPosition - m_nLower) * CELLS / span);
    cells = cells < 0 ? 0 : (cells > CELLS ? CELLS : cells);
    // The time left, from the pace since the first position: shown once there is a pace to go by.
    long long secondsLeft = -1;
    const double elapsed = SecondsNow() - m_dStarted;
    if (m_nPosition > m_nStartPosition && elapsed >= 1.0)
        secondsLeft =
            static_cast<long long>(elapsed * (m_nUpper - m_nPosition) / (m_nPosition - m_nStartPosition));
    if (cells == m_nDrawnCells && secondsLeft == m_nDrawnSecondsLeft)
        return;
    m_nDrawnCells = cells;
    m_nDrawnSecondsLeft = secondsLeft;
    std::string line = "\r\033[K" + (m_strLabel.empty() ? std::string() : m_strLabel + " ");
    if (!m_strItem.empty())
        line +=
            m_strItem + " (file " + std::to_string(m_nItem + 1) + " of " + std::to_string(m_nItems) + ") ";
    line += "[" + std::string(static_cast<std::size_t>(cells), '#') +
            std::string(static_cast<std::size_t>(CELLS - cells), '.') + "] " +
            std::to_string(cells * 100 / CELLS) + "%";
    if (secondsLeft >= 0)
        line += ", " + Duration(secondsLeft) + " left";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    m_bDrawn = true;
}

void CliProgress::Finish() {
    if (m_bDrawn) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        m_bDrawn = false;
        m_nDrawnCells = -1;
        m_nDrawnSecondsLeft = -1;
        m_nPosition = -1;
    }
}

void CliProgress::StartItem(const std::string& name, int index, int count) {
    m_strItem = name;
    m_nItem = index;
    m_nItems = count;
    m_dItemStarted = SecondsNow();
    if (m_mode == ProgressMode::Lines) {
        std::fprintf(stderr, "%s%s (file %d of %d) started\n",
                     m_strLabel.empty() ? "" : (m_strLabel + ": ").c_str(), name.c_str(), index + 1, count);
        std::fflush(stderr);
    }
}

void CliProgress::EndItem(const std::string& outcome) {
    if (m_mode != ProgressMode::Lines || m_strItem.empty())
        return;
    std::fprintf(stderr, "%s%s (file %d of %d) %s in %.1f s\n",
                 m_strLabel.empty() ? "" : (m_strLabel + ": ").c_str(), m_strItem.c_str(), m_nItem + 1,
                 m_nItems, outcome.c_str(), SecondsNow() - m_dItemStarted);
    std::fflush(stderr);
}

void WrittenFilesMessages::Show(MessageKind kind, const std::string& text, const std::string& caption) {
    if (kind == MessageKind::Information && text == m_strCompletion)
        m_bCompleted = true;
    else
        m_inner.Show(kind, text, caption);
}

void WrittenFilesMessages::FileWritten(const std::string& path) {
    ++m_nWritten;
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
}

void WrittenFilesMessages::Finish() {
    if (m_nWritten == 0 && !m_bCompleted)
        return;
    const std::string tally =
        std::to_string(m_nWritten) + (m_nWritten == 1 ? CLI_FILE_WRITTEN : CLI_FILES_WRITTEN);
    std::printf("%s\n", tally.c_str());
    std::fflush(stdout);
    if (m_bCompleted)
        m_inner.Information(m_strCompletion);
    m_bCompleted = false;
}

std::string InputProblem(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? CLI_NO_SUCH_FILE
                                                   : std::string(": ") + std::strerror(errno);
    if (S_ISDIR(status.st_mode))
        return CLI_IS_A_FOLDER;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::string(": ") + std::strerror(errno);
    ::close(fd);
    return {};
}

bool RefuseUnreadableInputs(const std::vector<std::string>& files, Messages& messages) {
    bool refused = false;
    for (const std::string& file : files)
        if (const std::string problem = InputProblem(file); !problem.empty()) {
            messages.Error(file + problem);
            refused = true;
        }
    return refused;
}

bool ProgressAwareMessages::RgbScanText(const std::string& text, bool detail) {
    if (text == MSG_RGB_SKIPPED) {
        m_bRgbHeld = true;
        return true;
    }
    if (!m_bRgbHeld)
        return false;
    if (text == DETAIL_READING + m_strSubject + DETAIL_RGB)
        return true;
    if (text == MSG_RGB_FATAL || text == m_strSubject + MSG_SCAN_NOT_SPLIT) {
        m_bRgbHeld = false;
        m_messages.Show(MessageKind::Error,
                        m_strSubject + (text == MSG_RGB_FATAL ? CLI_RGB_STOPS : CLI_RGB_SKIPPED));
        return true;
    }
    if (detail) { // where the Run stopped: said before the line about the scan
        m_messages.Detail(Prefixed(text));
        return true;
    }
    // Not followed as a stop or a skip of the scan: the text as it was.
    m_bRgbHeld = false;
    m_messages.Show(MessageKind::Warning, Prefixed(MSG_RGB_SKIPPED));
    return false;
}

void ProgressAwareMessages::SetSubject(const std::string& subject) {
    if (m_bRgbHeld)
        m_messages.Show(MessageKind::Warning, Prefixed(MSG_RGB_SKIPPED));
    m_bRgbHeld = false;
    m_strSubject = subject;
    m_libraryTexts.clear();
    m_strSubjectProblem = subject.empty() ? std::string() : InputProblem(subject);
    m_bProblemShown = false;
}

std::string ProgressAwareMessages::Prefixed(const std::string& text) const {
    if (m_strSubject.empty() || text.find(m_strSubject) != std::string::npos)
        return text;
    return m_strSubject + ": " + text;
}

void ProgressAwareMessages::Show(MessageKind kind, const std::string& text, const std::string& caption) {
    m_progress.Finish();
    if (kind == MessageKind::Information) {
        m_messages.Show(kind, text, caption);
        return;
    }
    if (caption.empty() && RgbScanText(text, false))
        return;
    if (!m_strSubjectProblem.empty()) {
        if (!m_bProblemShown)
            m_messages.Show(kind, m_strSubject + m_strSubjectProblem);
        m_bProblemShown = true;
        return;
    }
    const bool library = !caption.empty() && caption != DEFAULT_CAPTION;
    if (library) {
        // The library repeats itself (every tile of a broken row, every directory read): once is enough.
        const std::string key = caption + "\n" + text;
        if (std::find(m_libraryTexts.begin(), m_libraryTexts.end(), key) != m_libraryTexts.end())
            return;
        m_libraryTexts.push_back(key);
        m_messages.Detail(Prefixed(caption + ": " + text));
        return;
    }
    m_messages.Show(kind, Prefixed(text), caption);
}

void ProgressAwareMessages::Detail(const std::string& line) {
    m_progress.Finish();
    if (!m_strSubjectProblem.empty()) {
        Show(MessageKind::Error, line);
        return;
    }
    if (RgbScanText(line, true))
        return;
    m_messages.Detail(Prefixed(line));
}

int& CommandStatus() {
    static int status = EXIT_DONE;
    return status;
}

void AddVersionFlag(CLI::App& command, const char* examples, const std::string& about) {
    command.set_version_flag("--version", ProductVersionText());
    command.footer((about.empty() ? std::string() : about + "\n\n") + "Examples:\n" + examples + "\n\n" +
                   EXIT_STATUS_HELP);
}

} // namespace gc::cli
