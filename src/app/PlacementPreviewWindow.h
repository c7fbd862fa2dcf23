// The "Preview Placements" window: what a Run of the saved parameters would find, scan by scan, with
// nothing written. A list of the scans on the left; for the chosen scan its placement picture (the
// scan reduced, each found image outlined and named) and a table of its expected images (output name,
// corner, size, found or not), or, for a scan the Run would skip or stop at, the outcome and its
// messages instead of the picture. The window is non-modal and deletes itself when closed.
//
// A person may correct a crop: drag an image's rectangle on the picture (or, with its row chosen in
// the table, press where its top-left corner belongs and drag from there), or type its corner ("x, y")
// in the table. Corrected rectangles are drawn over the picture; "Run with these corners" starts a Run
// of the saved parameters that cuts those images at the corrected corners (the same mechanism as a
// plan's corners set by hand) and searches the others as usual.
//
// What the table and the list say is plain code (PreviewRows, ScanListText, ScanOutcomeText,
// CornerFromText), so tests read it without a window.
#pragma once

#include "split/RunRecord.h"

#include <QPixmap>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
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
inline constexpr const char* PREVIEW_SET_BY_HAND = "set by hand";
inline constexpr const char* PREVIEW_RUN_CORRECTED = "Run with these corners";
inline constexpr const char* PREVIEW_CORRECTIONS_HINT =
    "Drag an image's rectangle (or choose its row and drag from where its corner belongs), or type its "
    "corner as \"x, y\" in the table.";
inline constexpr const char* PREVIEW_CORNER_NOT_CORRECT =
    "The corner is not correct: type \"x, y\" in scan pixels, inside the scan.";

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
// A corner as typed ("x, y", blanks allowed): true with the values when both are whole numbers inside
// a scan of `width` × `height`.
bool CornerFromText(const QString& text, int width, int height, int& x, int& y);

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
    // Rectangles drawn over the picture, in the picture's pixels, each labelled.
    void SetMarks(std::vector<std::pair<QRectF, QString>> marks);
    // A widget point in the picture's pixels.
    QPointF ToPicture(const QPointF& widgetPoint) const;

    // Mouse presses, moves with the button held and releases, in the picture's pixels.
    std::function<void(QPointF)> m_fnPressed, m_fnDragged, m_fnReleased;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_pixmap;
    QPixmap m_scaled; // m_pixmap at the size last drawn
    std::vector<std::pair<QRectF, QString>> m_marks;
};

class PlacementPreviewWindow final : public QWidget {
    Q_OBJECT
public:
    // `runCorrected`: starts a Run with the corrections (no Run button without it).
    PlacementPreviewWindow(std::vector<ScanPreview> scans, QWidget* parent = nullptr,
                           std::function<void(const CornerCorrections&)> runCorrected = {});

    const std::vector<ScanPreview>& Scans() const { return m_scans; }
    const CornerCorrections& Corrections() const { return m_corrections; }
    // Sets image `number`'s corner in the shown scan, as a drag or a typed corner does.
    void CorrectCorner(int number, int x, int y);
    // Shows scan `index` (as choosing it in the list does).
    void ShowScan(int index);
    int CurrentScan() const;

    QListWidget* ScanList() const { return m_pScanList; }
    QTableWidget* Table() const { return m_pTable; }
    ScaledPicture* Picture() const { return m_pPicture; }
    QLabel* OutcomeLabel() const { return m_pOutcome; }
    QLabel* SummaryLabel() const { return m_pSummary; }
    QPushButton* RunCorrectedButton() const { return m_pRunCorrected; }
    QLabel* HintLabel() const { return m_pHint; }

private:
    // The right side: the scan's path, its picture or outcome, and its table of expected images.
    QWidget* MakeScanPanel();
    // The shown scan's image `number` as the table and picture show it: corrected, or as found.
    const ImageRecord* ShownImage(int number) const;
    // The corrected rectangles over the picture, and the table's corner and found cells.
    void ShowCorrections();
    void OnCornerEdited(int row, const QString& text);
    // The picture's drag: which image moves, from where.
    void OnPicturePressed(QPointF point);
    void OnPictureDragged(QPointF point);
    // Scan pixels per picture pixel across and down, for the shown scan.
    QPointF ScanScale() const;

    std::vector<ScanPreview> m_scans;
    QLabel* m_pSummary = nullptr;
    QListWidget* m_pScanList = nullptr;
    QLabel* m_pPath = nullptr;
    QStackedWidget* m_pStack = nullptr;
    ScaledPicture* m_pPicture = nullptr;
    QLabel* m_pOutcome = nullptr;
    QTableWidget* m_pTable = nullptr;
    QPushButton* m_pRunCorrected = nullptr;
    QLabel* m_pHint = nullptr; // how to correct, or why a typed corner was refused
    CornerCorrections m_corrections;
    std::function<void(const CornerCorrections&)> m_fnRunCorrected;
    int m_nDragImage = 0; // the image being dragged (0: none)
    QPointF m_dragStart, m_cornerStart;
};

} // namespace gc
