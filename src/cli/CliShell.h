// The command line's side of the core's interfaces: messages printed as blocks (reports on standard
// output, problems on standard error), a progress bar on a terminal, and the exit statuses.
#pragma once

#include "core/Messages.h"
#include "core/Outcome.h"
#include "core/Progress.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace gc::cli {

// Installs the SIGHUP, SIGINT and SIGTERM handlers: the first signal asks the running operation to
// stop at its next row of tiles or strip (CliProgress::StopRequested); it then removes its
// temporaries and the program ends with InterruptedStatus(). A second signal removes the temporaries
// and ends the program at once. SIGXFSZ is ignored: a write over the size limit is a write error.
void InstallStopSignals();
// 0 until a stop signal arrived, then its number.
int StopSignal();
// 128 + the signal's number: 129 for SIGHUP, 130 for SIGINT, 143 for SIGTERM.
int InterruptedStatus();
// The exit status for `outcome` (the interrupting signal's, after an interruption).
int ExitStatusFor(Outcome outcome);

// Information goes to standard output; warnings and errors to standard error. A caption other than
// the default one (the TIFF library's "… Error") is printed in front of the text.
class CliMessages final : public Messages {
public:
    void Show(MessageKind kind, const std::string& text, const std::string& caption = {}) override;
    // One line on standard error.
    void Detail(const std::string& line) override;
};

// How progress is shown: a bar redrawn on one line (a terminal), one plain line per item started and
// finished (logs, batch jobs), or nothing.
enum class ProgressMode { Bar, Lines, None };

// Progress on standard error. A Run tells it which item (scan) it is on; the bar then shows that
// item's name, "file k of n", the percentage and an estimate of the time left.
class CliProgress final : public Progress {
public:
    // A bar when standard error is a terminal, nothing otherwise.
    explicit CliProgress(std::string label = {});
    CliProgress(std::string label, ProgressMode mode);
    ~CliProgress() override;
    CliProgress(const CliProgress&) = delete;
    CliProgress& operator=(const CliProgress&) = delete;

    void SetRange(int lower, int upper) override;
    void SetPos(int position) override;
    bool StopRequested() const override { return StopSignal() != 0; }
    // Clears the bar's line; called before any other output and at the end.
    void Finish();
    // Item `index` (0-based) of `count` starts / has ended with `outcome` ("done", "skipped", ...).
    void StartItem(const std::string& name, int index, int count);
    void EndItem(const std::string& outcome);

private:
    void Draw();

    std::string m_strLabel;
    ProgressMode m_mode = ProgressMode::None;
    bool m_bDrawn = false;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPosition = -1;
    int m_nDrawnCells = -1;
    long long m_nDrawnSecondsLeft = -1;
    std::string m_strItem;
    int m_nItem = 0, m_nItems = 0;
    double m_dStarted = 0, m_dItemStarted = 0;
    int m_nStartPosition = -1;
};

// The command line's one Messages: prints through CliMessages after clearing the progress bar's
// line. With a subject set (the scan being split), warnings, errors and detail lines that do not
// name it already are prefixed "<subject>: ", and a library message repeated for one subject is
// printed once. A subject that cannot be read at all (missing, a folder) gets one line saying so
// instead of the library's and the operation's texts, and an RGB scan gets one line saying what
// happens to it.
class ProgressAwareMessages final : public Messages {
public:
    explicit ProgressAwareMessages(CliProgress& progress) : m_progress(progress) {}
    ~ProgressAwareMessages() override { SetSubject({}); }
    ProgressAwareMessages(const ProgressAwareMessages&) = delete;
    ProgressAwareMessages& operator=(const ProgressAwareMessages&) = delete;
    void Show(MessageKind kind, const std::string& text, const std::string& caption = {}) override;
    void Detail(const std::string& line) override;
    void SetSubject(const std::string& subject);

private:
    std::string Prefixed(const std::string& text) const;
    // An RGB scan: the Run's three texts about it (skipped, the detail, the stop or the skip of
    // --keep-going) said as one line. True when `text` was taken up.
    // `detail`: the text came as a detail line.
    bool RgbScanText(const std::string& text, bool detail);

    CliProgress& m_progress;
    CliMessages m_messages;
    std::string m_strSubject;
    std::vector<std::string> m_libraryTexts; // library messages printed for the subject
    // Why the subject cannot be read (InputProblem), said once in place of the library's and the
    // operation's texts about it.
    std::string m_strSubjectProblem;
    bool m_bProblemShown = false;
    bool m_bRgbHeld = false; // the subject's "File is skipped." held for the text that follows it
};

// Messages for the commands that write files one after another (convert, cut, pick): the path of
// every file finished on a line of standard output, and the completion text (`completion`:
// "Done...", "Picked Images are saved ...") held back until Finish has printed the tally in front of
// it, as split prints its tally before "Run Complete.". Everything else goes to `inner` at once.
class WrittenFilesMessages final : public Messages {
public:
    WrittenFilesMessages(Messages& inner, std::string completion)
        : m_inner(inner), m_strCompletion(std::move(completion)) {}
    void Show(MessageKind kind, const std::string& text, const std::string& caption = {}) override;
    void Detail(const std::string& line) override { m_inner.Detail(line); }
    void FileWritten(const std::string& path) override;
    // "2 files written", then the completion text when it arrived; nothing when neither a file nor
    // the completion came (the operation was refused before it began).
    void Finish();

private:
    Messages& m_inner;
    std::string m_strCompletion;
    int m_nWritten = 0;
    bool m_bCompleted = false; // the completion text arrived
};

// What keeps `path` from being read as an input, in plain words: CLI_NO_SUCH_FILE,
// CLI_IS_A_FOLDER or ": " and the system's reason; empty when it opens for reading.
std::string InputProblem(const std::string& path);
// Names every one of `files` that cannot be read, one error each ("missing.tif: no such file");
// true when there was one.
bool RefuseUnreadableInputs(const std::vector<std::string>& files, Messages& messages);

// Thrown by a subcommand's handler for a usage problem found after parsing (a value the dialog
// does not offer); main prints the reason and where to find the usage, and exits with EXIT_USAGE.
struct UsageError {
    std::string m_strReason;
};

// The exit status of the subcommand that ran; each subcommand's callback stores it here.
int& CommandStatus();

// Registration of each subcommand group; each lives in its own file.
void AddDocumentCommands(CLI::App& app); // export, properties
void AddSplitCommand(CLI::App& app);     // split
void AddConvertCommands(CLI::App& app);  // convert, cut, stats
void AddPickCommand(CLI::App& app);      // pick

// The exit statuses, the same for every subcommand, as --help shows them.
inline constexpr const char* EXIT_STATUS_HELP = "Exit status: 0 done; 1 a fatal stop (READ ERROR, WRITE "
                                                "ERROR, an RGB scan); 2 a usage error or a refused "
                                                "value (\"... re-enter.\"); 3 completed, but a file was "
                                                "skipped or an expected image was not found or not "
                                                "written; 4 ended on an input it cannot handle (wrong "
                                                "RowsPerStrip, tiled or RGB input to convert, cut or "
                                                "stats, a cut corner outside the image, a file no reader can "
                                                "open); 129/130/143 stopped by "
                                                "SIGHUP/SIGINT/SIGTERM, no partial file left.";

// Adds --version to a command (--help comes with every CLI11 app) and ends its help with `about`
// (when given), the `examples` (one indented command a line) and the exit statuses.
void AddVersionFlag(CLI::App& command, const char* examples, const std::string& about = {});

} // namespace gc::cli
