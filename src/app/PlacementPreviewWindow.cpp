#include "PlacementPreviewWindow.h"

#include "ReadOnlyTable.h"
#include "core/PathStem.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
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

bool CornerFromText(const QString& text, int width, int height, int& x, int& y) {
    static const QRegularExpression pattern(R"(^\s*(\d{1,9})\s*,\s*(\d{1,9})\s*$)");
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const int typedX = match.captured(1).toInt();
    const int typedY = match.captured(2).toInt();
    if (typedX >= width || typedY >= height)
        return false;
    x = typedX;
    y = typedY;
    return true;
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
    const double zoom = static_cast<double>(target.width()) / m_pixmap.width();
    painter.setPen(QPen(Qt::yellow, 2));
    for (const auto& [rect, label] : m_marks) {
        const QRectF shown(target.topLeft() + rect.topLeft() * zoom, rect.size() * zoom);
        painter.drawRect(shown);
        painter.drawText(shown.topLeft() + QPointF(4, 14), label);
    }
}

void ScaledPicture::SetMarks(std::vector<std::pair<QRectF, QString>> marks) {
    m_marks = std::move(marks);
    update();
}

QPointF ScaledPicture::ToPicture(const QPointF& widgetPoint) const {
    const QRect target = PictureRect();
    if (target.isEmpty())
        return {};
    return (widgetPoint - target.topLeft()) * (static_cast<double>(m_pixmap.width()) / target.width());
}

void ScaledPicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_fnPressed && !PictureRect().isEmpty())
        m_fnPressed(ToPicture(event->position()));
}

void ScaledPicture::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && m_fnDragged && !PictureRect().isEmpty())
        m_fnDragged(ToPicture(event->position()));
}

void ScaledPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_fnReleased && !PictureRect().isEmpty())
        m_fnReleased(ToPicture(event->position()));
}

// PlacementPreviewWindow.

PlacementPreviewWindow::PlacementPreviewWindow(std::vector<ScanPreview> scans, QWidget* parent,
                                               std::function<void(const CornerCorrections&)> runCorrected)
    : QWidget(parent, Qt::Window), m_scans(std::move(scans)), m_fnRunCorrected(std::move(runCorrected)) {
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

    m_pHint = new QLabel(PREVIEW_CORRECTIONS_HINT, this);
    m_pHint->setWordWrap(true);
    m_pRunCorrected = new QPushButton(PREVIEW_RUN_CORRECTED, this);
    m_pRunCorrected->setEnabled(false);
    m_pRunCorrected->setVisible(static_cast<bool>(m_fnRunCorrected));
    connect(m_pRunCorrected, &QPushButton::clicked, this, [this] {
        if (m_fnRunCorrected)
            m_fnRunCorrected(m_corrections);
    });
    auto* corrections = new QHBoxLayout;
    corrections->addWidget(m_pHint, 1);
    corrections->addWidget(m_pRunCorrected);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSummary);
    layout->addWidget(listAndScan, 1);
    layout->addLayout(corrections);
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
    m_pTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    connect(m_pTable, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == COLUMN_CORNER)
            OnCornerEdited(item->row(), item->text());
    });
    m_pPicture->m_fnPressed = [this](QPointF point) { OnPicturePressed(point); };
    m_pPicture->m_fnDragged = [this](QPointF point) { OnPictureDragged(point); };
    m_pPicture->m_fnReleased = [this](QPointF) { m_nDragImage = 0; };

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

    {
        const QSignalBlocker quiet(m_pTable);
        FillReadOnlyTable(*m_pTable, PreviewRows(scan.record));
        // The corner is typed in its cell, in a scan that was split.
        for (int row = 0; row < m_pTable->rowCount() && scan.record.outcome == ScanOutcome::Done; ++row)
            if (QTableWidgetItem* corner = m_pTable->item(row, COLUMN_CORNER))
                corner->setFlags(corner->flags() | Qt::ItemIsEditable);
    }
    ShowCorrections();
}

const ImageRecord* PlacementPreviewWindow::ShownImage(int number) const {
    const int index = CurrentScan();
    if (index < 0 || index >= static_cast<int>(m_scans.size()))
        return nullptr;
    const ScanRecord& record = m_scans[static_cast<std::size_t>(index)].record;
    if (const auto corrected = m_corrections.find(record.path); corrected != m_corrections.end())
        for (const ImageRecord& image : corrected->second)
            if (image.number == number)
                return &image;
    for (const ImageRecord& image : record.images)
        if (image.number == number)
            return &image;
    return nullptr;
}

QPointF PlacementPreviewWindow::ScanScale() const {
    const int index = CurrentScan();
    const QPixmap& pixmap = m_pPicture->Pixmap();
    if (index < 0 || index >= static_cast<int>(m_scans.size()) || pixmap.isNull())
        return {1, 1};
    const ScanRecord& record = m_scans[static_cast<std::size_t>(index)].record;
    return {static_cast<double>(record.width) / pixmap.width(),
            static_cast<double>(record.height) / pixmap.height()};
}

void PlacementPreviewWindow::CorrectCorner(int number, int x, int y) {
    const int index = CurrentScan();
    if (index < 0 || index >= static_cast<int>(m_scans.size()))
        return;
    const ScanRecord& record = m_scans[static_cast<std::size_t>(index)].record;
    const auto expected = std::find_if(record.images.begin(), record.images.end(),
                                       [number](const ImageRecord& image) { return image.number == number; });
    if (expected == record.images.end() || record.outcome != ScanOutcome::Done)
        return;
    std::vector<ImageRecord>& corrected = m_corrections[record.path];
    auto image = std::find_if(corrected.begin(), corrected.end(),
                              [number](const ImageRecord& given) { return given.number == number; });
    if (image == corrected.end())
        image = corrected.insert(corrected.end(), ImageRecord{});
    image->number = number;
    image->found = true;
    image->setByHand = true;
    image->x = std::clamp(x, 0, std::max(0, record.width - 1));
    image->y = std::clamp(y, 0, std::max(0, record.height - 1));
    image->width = expected->width;
    image->height = expected->height;
    ShowCorrections();
}

void PlacementPreviewWindow::ShowCorrections() {
    m_pRunCorrected->setEnabled(!m_corrections.empty());
    const int index = CurrentScan();
    if (index < 0 || index >= static_cast<int>(m_scans.size()))
        return;
    const ScanRecord& record = m_scans[static_cast<std::size_t>(index)].record;
    const auto corrected = m_corrections.find(record.path);
    std::vector<std::pair<QRectF, QString>> marks;
    const QPointF scale = ScanScale();
    const QSignalBlocker quiet(m_pTable);
    for (int row = 0; row < static_cast<int>(record.images.size()) && corrected != m_corrections.end();
         ++row) {
        const ImageRecord* image = ShownImage(record.images[static_cast<std::size_t>(row)].number);
        if (image == nullptr || !image->setByHand)
            continue;
        marks.emplace_back(QRectF(image->x / scale.x(), image->y / scale.y(), image->width / scale.x(),
                                  image->height / scale.y()),
                           QString("%1 %2").arg(image->number).arg(PREVIEW_SET_BY_HAND));
        if (QTableWidgetItem* corner = m_pTable->item(row, COLUMN_CORNER))
            corner->setText(QString("%1, %2").arg(image->x).arg(image->y));
        if (QTableWidgetItem* found = m_pTable->item(row, COLUMN_FOUND))
            found->setText(PREVIEW_SET_BY_HAND);
    }
    m_pPicture->SetMarks(std::move(marks));
}

void PlacementPreviewWindow::OnCornerEdited(int row, const QString& text) {
    const int index = CurrentScan();
    if (index < 0 || row < 0 ||
        row >= static_cast<int>(m_scans[static_cast<std::size_t>(index)].record.images.size()))
        return;
    const ScanRecord& record = m_scans[static_cast<std::size_t>(index)].record;
    const int number = record.images[static_cast<std::size_t>(row)].number;
    int x = 0, y = 0;
    if (CornerFromText(text, record.width, record.height, x, y)) {
        m_pHint->setText(PREVIEW_CORRECTIONS_HINT);
        CorrectCorner(number, x, y);
        return;
    }
    m_pHint->setText(PREVIEW_CORNER_NOT_CORRECT);
    // The cell shows the corner in force again.
    const ImageRecord* shown = ShownImage(number);
    const QSignalBlocker quiet(m_pTable);
    if (QTableWidgetItem* corner = m_pTable->item(row, COLUMN_CORNER))
        corner->setText(shown && shown->found ? QString("%1, %2").arg(shown->x).arg(shown->y) : QString());
}

void PlacementPreviewWindow::OnPicturePressed(QPointF point) {
    const int index = CurrentScan();
    if (index < 0 || m_scans[static_cast<std::size_t>(index)].record.outcome != ScanOutcome::Done)
        return;
    const QPointF scale = ScanScale();
    const QPointF scanPoint(point.x() * scale.x(), point.y() * scale.y());
    m_nDragImage = 0;
    for (const ImageRecord& expected : m_scans[static_cast<std::size_t>(index)].record.images) {
        const ImageRecord* image = ShownImage(expected.number);
        if (image && image->found &&
            QRectF(image->x, image->y, image->width, image->height).contains(scanPoint)) {
            m_nDragImage = image->number;
            m_cornerStart = QPointF(image->x, image->y);
        }
    }
    // Outside every rectangle: the image of the chosen row gets its corner here.
    const int row = m_pTable->currentRow();
    const auto& images = m_scans[static_cast<std::size_t>(index)].record.images;
    if (m_nDragImage == 0 && row >= 0 && row < static_cast<int>(images.size())) {
        m_nDragImage = images[static_cast<std::size_t>(row)].number;
        m_cornerStart = scanPoint;
        CorrectCorner(m_nDragImage, qRound(scanPoint.x()), qRound(scanPoint.y()));
    }
    m_dragStart = scanPoint;
}

void PlacementPreviewWindow::OnPictureDragged(QPointF point) {
    if (m_nDragImage == 0)
        return;
    const QPointF scale = ScanScale();
    const QPointF corner =
        m_cornerStart + QPointF(point.x() * scale.x(), point.y() * scale.y()) - m_dragStart;
    CorrectCorner(m_nDragImage, qRound(corner.x()), qRound(corner.y()));
}

} // namespace gc
