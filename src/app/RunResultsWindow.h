// The Run's two windows beyond the documented bar: the progress window's texts (scan, file k of n,
// images written, time left) and its Stop button, and the results window shown when a Run has ended
// (done, stopped or stopped by an error): every expected image of every scan with its output files,
// or why it was not written, with "Open Folder" and "Open Image" buttons.
//
// The texts are plain functions, so tests read them without windows.
#pragma once

#include "split/RunRecord.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace gc {

inline constexpr const char* RESULTS_CAPTION = "Run Results";
inline constexpr const char* RESULTS_COLUMNS[] = {"Scan", "Image", "Output files", "Result"};
inline constexpr int RESULTS_COLUMN_COUNT = 4;
inline constexpr const char* RESULT_WRITTEN = "written";
inline constexpr const char* RESULT_NOT_FOUND = "not found";
inline constexpr const char* RESULT_NOT_WRITTEN = "not written";
// Why an image or a scan of a stopped Run has no files.
inline constexpr const char* RESULT_REASON_STOPPED = "stopped";
inline constexpr const char* RESULT_SKIPPED = "skipped";
inline constexpr const char* RESULT_NOT_SPLIT = "not split: the Run ended before this scan";
inline constexpr const char* RESULTS_OPEN_FOLDER = "Open Folder";
inline constexpr const char* RESULTS_OPEN_IMAGE = "Open Image";
inline constexpr const char* PROGRESS_STOP = "Stop";
inline constexpr const char* PROGRESS_STOPPING = "Stopping at the next row of tiles ...";
// The Stop button's text once it has been pressed.
inline constexpr const char* PROGRESS_STOPPING_BUTTON = "Stopping…";
// Shown after a Run that the Stop button ended.
inline constexpr const char* MSG_RUN_STOPPED =
    "The Run was stopped. The files written before the stop are kept; nothing was left half-written.";

// One row of the results table per expected image, one per skipped scan and one per scan of `inputs`
// the Run never reached (stopped before it); scans and files are named by their whole paths.
struct RunResultRow {
    QString cells[RESULTS_COLUMN_COUNT];
    std::vector<std::string> outputs; // the files written for it, full-size first
};
std::vector<RunResultRow> RunResultRows(const std::vector<ScanRecord>& records,
                                        const std::vector<std::string>& inputs = {});
// "3 images written, 1 not found, 0 not written in 2 scans (1 skipped)", and ", 2 not split" when
// `inputs` holds scans the Run never reached.
QString RunResultSummary(const std::vector<ScanRecord>& records, const std::vector<std::string>& inputs = {});
// Images of the records whose files were written.
int ImagesWritten(const std::vector<ScanRecord>& records);

// The progress window's lines.
QString ProgressFileText(const std::string& path, int fileIndex, int fileCount);
QString ProgressImagesText(int imagesWritten);
// The time left from the time spent and the bar's position (10 at the start, 100 at the end):
// "time left: about 2 min 5 s"; "time left: estimating" until the bar has moved.
QString TimeLeftText(double secondsSpent, int position);

class RunResultsWindow final : public QWidget {
    Q_OBJECT
public:
    // `openImage` opens a file in the viewer (File Open's work); `openFolder` shows a folder in the
    // desktop's file manager.
    // `inputs`: every scan of the Run, so that those it never reached are listed too.
    RunResultsWindow(std::vector<ScanRecord> records, std::function<void(const std::string&)> openImage,
                     std::function<void(const std::string&)> openFolder, QWidget* parent = nullptr,
                     const std::vector<std::string>& inputs = {});

    QTableWidget* Table() const { return m_pTable; }
    QLabel* Summary() const { return m_pSummary; }
    QPushButton* OpenFolderButton() const { return m_pOpenFolder; }
    QPushButton* OpenImageButton() const { return m_pOpenImage; }
    // The first output of the selected row (or of the first written row when none is selected).
    std::string ChosenOutput() const;

private:
    std::vector<ScanRecord> m_records;
    std::vector<RunResultRow> m_rows;
    QLabel* m_pSummary = nullptr;
    QTableWidget* m_pTable = nullptr;
    QPushButton* m_pOpenFolder = nullptr;
    QPushButton* m_pOpenImage = nullptr;
};

} // namespace gc
