#include "CliShell.h"

#include "core/PendingFile.h"
#include "core/Version.h"

#include <csignal>
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

CliProgress::CliProgress(std::string label)
    : m_strLabel(std::move(label)), m_bTerminal(isatty(STDERR_FILENO) != 0) {}

CliProgress::~CliProgress() {
    Finish();
}

void CliProgress::SetRange(int lower, int upper) {
    m_nLower = lower;
    m_nUpper = upper;
    m_nDrawnCells = -1;
}

void CliProgress::SetPos(int position) {
    if (!m_bTerminal || position == m_nPosition)
        return;
    m_nPosition = position;
    constexpr int CELLS = 40;
    const int span = m_nUpper > m_nLower ? m_nUpper - m_nLower : 1;
    int cells = static_cast<int>(static_cast<long long>(position - m_nLower) * CELLS / span);
    cells = cells < 0 ? 0 : (cells > CELLS ? CELLS : cells);
    if (cells == m_nDrawnCells)
        return;
    m_nDrawnCells = cells;
    const int percent = cells * 100 / CELLS;
    std::fprintf(stderr, "\r%s[%s%s] %3d%%", m_strLabel.empty() ? "" : (m_strLabel + " ").c_str(),
                 std::string(cells, '#').c_str(), std::string(CELLS - cells, '.').c_str(), percent);
    std::fflush(stderr);
    m_bDrawn = true;
}

void CliProgress::Finish() {
    if (m_bDrawn) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        m_bDrawn = false;
        m_nDrawnCells = -1;
        m_nPosition = -1;
    }
}

int& CommandStatus() {
    static int status = EXIT_DONE;
    return status;
}

void AddVersionFlag(CLI::App& command) {
    command.set_version_flag("--version", ProductVersionText());
    command.footer(EXIT_STATUS_HELP);
}

} // namespace gc::cli
