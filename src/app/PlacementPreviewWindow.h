// The "Preview Placements" window: what a Run of the saved parameters would find, scan by scan, with
// nothing written. A list of the scans on the left; for the chosen scan its placement picture (the
// scan reduced, each found image outlined and named) and a table of its expected images (output name,
// corner, size, found or not), or, for a scan the Run would skip or stop at, the outcome and its
// messages instead of the picture. The window is non-modal and deletes itself when closed.
//
// What the table and the list say is plain code (PreviewRows, ScanListText, ScanOutcomeText), so
// tests read it without a window.
#pragma once

#include "split/RunRecord.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QStackedWidget;
class QTableWidget;

namespace gc {

inline constexpr const char* PREVIEW_CAPTION = "Preview Placements";
inline constexpr const char* PREVIEW_COLUMNS[] = {"Image", "Output name", "Corner x, y",
                                                  "Size",  "Found",       "Size warnings"};
inline constexpr int PREVIEW_COLUMN_COUNT = 6;
inline constexpr const char* PREVIEW_FOUND = "found";
inline constexpr const char* PREVIEW_NOT_FOUND = "not found";
// A found image whose output would clash with an input or an earlier output (followed by the reason).
inline constexpr const char* PREVIEW_NOT_WRITTEN = "found, would not be written: ";
inline constexpr const char* PREVIEW_SKIPPED = "The Run would skip this scan.";
inline constexpr const char* PREVIEW_STOPPED = "The Run would stop at this scan.";
inline constexpr const char* PREVIEW_INTERRUPTED = "The preview was stopped at this scan.";
inline constexpr const char* PREVIEW_NO_PICTURE = "The placement picture could not be drawn.";

// One scan as the preview found it.
struct ScanPreview {
    ScanRecord record;
    std::vector<unsigned char> png; // the placement picture; empty when the scan was not split
    std::string detail;             // for a scan that would stop the Run: the file and the reason
};

// The table's cells for one expected image, in column order.
struct PreviewRow {
    QString cells[PREVIEW_COLUMN_COUNT];
};

std::vector<PreviewRow> PreviewRows(const ScanRecord& record);
// The scan's entry in the list: its file name and what became of it ("2 of 3 found", "skipped", ...).
QString ScanListText(const ScanRecord& record);
// For a scan that was not split: what the Run would do and the messages shown for it. Empty for a
// scan that was split.
QString ScanOutcomeText(const ScanPreview& scan);
// The line above the list: how many scans were split, skipped or would stop the Run, how many images
// were found.
QString PreviewSummary(const std::vector<ScanPreview>& scans);

// Draws a picture scaled to fit the widget, keeping its proportions, centred.
class ScaledPicture final : public QWidget {
    Q_OBJECT
public:
    explicit ScaledPicture(QWidget* parent = nullptr);
    void SetPixmap(const QPixmap& pixmap);
    const QPixmap& Pixmap() const { return m_pixmap; }
    // Where the picture is drawn inside the widget.
    QRect PictureRect() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_pixmap;
    QPixmap m_scaled; // m_pixmap at the size last drawn
};

class PlacementPreviewWindow final : public QWidget {
    Q_OBJECT
public:
    PlacementPreviewWindow(std::vector<ScanPreview> scans, QWidget* parent = nullptr);

    const std::vector<ScanPreview>& Scans() const { return m_scans; }
    // Shows scan `index` (as choosing it in the list does).
    void ShowScan(int index);
    int CurrentScan() const;

    QListWidget* ScanList() const { return m_pScanList; }
    QTableWidget* Table() const { return m_pTable; }
    ScaledPicture* Picture() const { return m_pPicture; }
    QLabel* OutcomeLabel() const { return m_pOutcome; }
    QLabel* SummaryLabel() const { return m_pSummary; }

private:
    // The right side: the scan's path, its picture or outcome, and its table of expected images.
    QWidget* MakeScanPanel();

    std::vector<ScanPreview> m_scans;
    QLabel* m_pSummary = nullptr;
    QListWidget* m_pScanList = nullptr;
    QLabel* m_pPath = nullptr;
    QStackedWidget* m_pStack = nullptr;
    ScaledPicture* m_pPicture = nullptr;
    QLabel* m_pOutcome = nullptr;
    QTableWidget* m_pTable = nullptr;
};

} // namespace gc
