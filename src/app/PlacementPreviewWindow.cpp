#include "PlacementPreviewWindow.h"

#include "ReadOnlyTable.h"
#include "core/PathStem.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace gc {
namespace {

enum Column { COLUMN_IMAGE, COLUMN_NAME, COLUMN_CORNER, COLUMN_SIZE, COLUMN_FOUND, COLUMN_WARNINGS };

constexpr int WINDOW_WIDTH = 1100;
constexpr int WINDOW_HEIGHT = 850;

QString FileNameOf(const std::string& path) {
    return QString::fromStdString(path.substr(FileNameStart(path)));
}

int FoundCount(const ScanRecord& record) {
    int found = 0;
    for (const ImageRecord& image : record.images)
        found += image.found ? 1 : 0;
    return found;
}

} // namespace

std::vector<PreviewRow> PreviewRows(const ScanRecord& record) {
    std::vector<PreviewRow> rows;
    for (const ImageRecord& image : record.images) {
        PreviewRow row;
        row.cells[COLUMN_IMAGE] = QString::number(image.number);
        row.cells[COLUMN_SIZE] = QString("%1 × %2").arg(image.width).arg(image.height);
        if (image.found) {
            row.cells[COLUMN_NAME] = QString::fromStdString(image.name);
            row.cells[COLUMN_CORNER] = QString("%1, %2").arg(image.x).arg(image.y);
            row.cells[COLUMN_FOUND] =
                image.notWrittenReason.empty()
                    ? QString(PREVIEW_FOUND)
                    : PREVIEW_NOT_WRITTEN + QString::fromStdString(image.notWrittenReason);
            QStringList warnings;
            for (const std::string& warning : image.warnings)
                warnings << QString::fromStdString(warning);
            row.cells[COLUMN_WARNINGS] = warnings.join("; ");
        } else {
            row.cells[COLUMN_FOUND] = PREVIEW_NOT_FOUND;
        }
        rows.push_back(row);
    }
    return rows;
}

QString ScanListText(const ScanRecord& record) {
    QString what;
    switch (record.outcome) {
    case ScanOutcome::Done:
        what = QString("%1 of %2 found").arg(FoundCount(record)).arg(record.images.size());
        break;
    case ScanOutcome::Skipped:
        what = "skipped";
        break;
    case ScanOutcome::Fatal:
        what = "would stop the Run";
        break;
    case ScanOutcome::Interrupted:
        what = "stopped";
        break;
    }
    return FileNameOf(record.path) + " — " + what;
}

QString ScanOutcomeText(const ScanPreview& scan) {
    QString text;
    switch (scan.record.outcome) {
    case ScanOutcome::Done:
        return {};
    case ScanOutcome::Skipped:
        text = PREVIEW_SKIPPED;
        break;
    case ScanOutcome::Fatal:
        text = PREVIEW_STOPPED;
        break;
    case ScanOutcome::Interrupted:
        text = PREVIEW_INTERRUPTED;
        break;
    }
    if (!scan.record.message.empty())
        text += "\n\n" + QString::fromStdString(scan.record.message);
    if (!scan.detail.empty())
        text += "\n\n" + QString::fromStdString(scan.detail);
    return text;
}

QString PreviewSummary(const std::vector<ScanPreview>& scans) {
    int split = 0, skipped = 0, stopping = 0, found = 0, expected = 0;
    for (const ScanPreview& scan : scans) {
        switch (scan.record.outcome) {
        case ScanOutcome::Done:
            ++split;
            found += FoundCount(scan.record);
            expected += static_cast<int>(scan.record.images.size());
            break;
        case ScanOutcome::Skipped:
            ++skipped;
            break;
        case ScanOutcome::Fatal:
        case ScanOutcome::Interrupted:
            ++stopping;
            break;
        }
    }
    return QString("%1 scan(s): %2 split, %3 skipped, %4 would stop the Run. %5 of %6 expected images found; "
                   "no file was written.")
        .arg(scans.size())
        .arg(split)
        .arg(skipped)
        .arg(stopping)
        .arg(found)
        .arg(expected);
}

// ScaledPicture.

ScaledPicture::ScaledPicture(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(160, 160);
}

void ScaledPicture::SetPixmap(const QPixmap& pixmap) {
    m_pixmap = pixmap;
    m_scaled = QPixmap();
    update();
}

QRect ScaledPicture::PictureRect() const {
    if (m_pixmap.isNull())
        return {};
    const QSize fitted = m_pixmap.size().scaled(size(), Qt::KeepAspectRatio);
    return {QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted};
}

QSize ScaledPicture::sizeHint() const {
    return {480, 600};
}

void ScaledPicture::paintEvent(QPaintEvent*) {
    const QRect target = PictureRect();
    if (target.isEmpty())
        return;
    // The scaled copy is made once per size, not on every repaint.
    if (m_scaled.size() != target.size())
        m_scaled = m_pixmap.scaled(target.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(this);
    painter.drawPixmap(target.topLeft(), m_scaled);
}

// PlacementPreviewWindow.

PlacementPreviewWindow::PlacementPreviewWindow(std::vector<ScanPreview> scans, QWidget* parent)
    : QWidget(parent, Qt::Window), m_scans(std::move(scans)) {
    setWindowTitle(PREVIEW_CAPTION);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);

    m_pSummary = new QLabel(PreviewSummary(m_scans), this);
    m_pSummary->setWordWrap(true);

    m_pScanList = new QListWidget(this);
    for (const ScanPreview& scan : m_scans) {
        auto* item = new QListWidgetItem(ScanListText(scan.record), m_pScanList);
        item->setToolTip(QString::fromStdString(scan.record.path));
    }

    auto* listAndScan = new QSplitter(Qt::Horizontal, this);
    listAndScan->addWidget(m_pScanList);
    listAndScan->addWidget(MakeScanPanel());
    listAndScan->setStretchFactor(0, 0);
    listAndScan->setStretchFactor(1, 1);
    // The list as wide as its longest entry, within limits; the scan takes the rest.
    const int listWidth =
        std::clamp(m_pScanList->sizeHintForColumn(0) + 2 * m_pScanList->frameWidth() + 8, 160, 360);
    listAndScan->setSizes({listWidth, WINDOW_WIDTH - listWidth});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSummary);
    layout->addWidget(listAndScan, 1);
    resize(WINDOW_WIDTH, WINDOW_HEIGHT);

    connect(m_pScanList, &QListWidget::currentRowChanged, this, [this](int row) { ShowScan(row); });
    if (!m_scans.empty())
        m_pScanList->setCurrentRow(0);
}

QWidget* PlacementPreviewWindow::MakeScanPanel() {
    auto* scanPanel = new QWidget(this);
    m_pPath = new QLabel(scanPanel);
    m_pPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The picture, or in its place the outcome of a scan that has none.
    m_pStack = new QStackedWidget(scanPanel);
    m_pPicture = new ScaledPicture(m_pStack);
    m_pOutcome = new QLabel(m_pStack);
    m_pOutcome->setWordWrap(true);
    m_pOutcome->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pOutcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pOutcome->setMargin(12);
    m_pStack->addWidget(m_pPicture);
    m_pStack->addWidget(m_pOutcome);

    m_pTable = MakeReadOnlyTable(0, PREVIEW_COLUMNS, scanPanel);
    m_pTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pTable->horizontalHeader()->setSectionResizeMode(COLUMN_NAME, QHeaderView::Stretch);

    auto* pictureAndTable = new QSplitter(Qt::Vertical, scanPanel);
    pictureAndTable->addWidget(m_pStack);
    pictureAndTable->addWidget(m_pTable);
    pictureAndTable->setStretchFactor(0, 4);
    pictureAndTable->setStretchFactor(1, 1);
    auto* panelLayout = new QVBoxLayout(scanPanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(m_pPath);
    panelLayout->addWidget(pictureAndTable, 1);
    return scanPanel;
}

int PlacementPreviewWindow::CurrentScan() const {
    return m_pScanList->currentRow();
}

void PlacementPreviewWindow::ShowScan(int index) {
    if (index < 0 || index >= static_cast<int>(m_scans.size()))
        return;
    if (m_pScanList->currentRow() != index) {
        m_pScanList->setCurrentRow(index); // comes back here through currentRowChanged
        return;
    }
    const ScanPreview& scan = m_scans[index];
    m_pPath->setText(QString::fromStdString(scan.record.path));

    // Only the shown scan's picture is decoded: a batch of a hundred pictures would not fit in memory.
    QPixmap picture;
    if (!scan.png.empty())
        picture.loadFromData(scan.png.data(), static_cast<uint>(scan.png.size()), "PNG");
    m_pPicture->SetPixmap(picture);
    if (!picture.isNull()) {
        m_pStack->setCurrentWidget(m_pPicture);
    } else {
        const QString outcome = ScanOutcomeText(scan);
        m_pOutcome->setText(outcome.isEmpty() ? QString(PREVIEW_NO_PICTURE) : outcome);
        m_pStack->setCurrentWidget(m_pOutcome);
    }

    FillReadOnlyTable(*m_pTable, PreviewRows(scan.record));
}

} // namespace gc
