#include "RunResultsWindow.h"

#include "ReadOnlyTable.h"
#include "WindowPlacement.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace gc {

namespace {

QString WholePath(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).absoluteFilePath();
}

// What became of one expected image of a scan that was split (or stopped while it was).
QString ImageResult(const ImageRecord& image, ScanOutcome scanOutcome) {
    if (image.written)
        return RESULT_WRITTEN;
    if (scanOutcome == ScanOutcome::Interrupted)
        return QString("%1: %2").arg(RESULT_NOT_WRITTEN, RESULT_REASON_STOPPED);
    if (!image.found)
        return RESULT_NOT_FOUND;
    if (!image.notWrittenReason.empty())
        return QString("%1: %2").arg(RESULT_NOT_WRITTEN, QString::fromStdString(image.notWrittenReason));
    return RESULT_NOT_WRITTEN;
}

RunResultRow ImageRow(const QString& scanName, const ImageRecord& image, ScanOutcome scanOutcome) {
    RunResultRow row;
    row.cells[0] = scanName;
    row.cells[1] = QString::number(image.number);
    QStringList names;
    if (image.written)
        for (const OutputRecord& output : image.outputs) {
            row.outputs.push_back(WholePath(output.path).toStdString());
            names << WholePath(output.path);
        }
    row.cells[2] =
        image.written ? names.join("\n") : (image.name.empty() ? QString() : WholePath(image.name));
    row.cells[3] = ImageResult(image, scanOutcome);
    return row;
}

// Scans of `inputs` that have no record: the Run stopped before them.
std::vector<std::string> ScansNotReached(const std::vector<ScanRecord>& records,
                                         const std::vector<std::string>& inputs) {
    std::vector<std::string> missing;
    for (std::size_t i = records.size(); i < inputs.size(); ++i)
        missing.push_back(inputs[i]);
    return missing;
}

} // namespace

std::vector<RunResultRow> RunResultRows(const std::vector<ScanRecord>& records,
                                        const std::vector<std::string>& inputs) {
    std::vector<RunResultRow> rows;
    for (const ScanRecord& scan : records) {
        const QString scanName = WholePath(scan.path);
        for (const ImageRecord& image : scan.images)
            rows.push_back(ImageRow(scanName, image, scan.outcome));
        if (scan.images.empty()) {
            // A scan skipped (or stopped) before its images were looked for: one row with the reason.
            RunResultRow row;
            row.cells[0] = scanName;
            const QString reason = QString::fromStdString(scan.message).section('\n', 0, 0);
            const char* result =
                scan.outcome == ScanOutcome::Interrupted ? RESULT_REASON_STOPPED : RESULT_SKIPPED;
            row.cells[3] = reason.isEmpty() ? QString(result) : QString("%1: %2").arg(result, reason);
            rows.push_back(std::move(row));
        }
    }
    for (const std::string& scan : ScansNotReached(records, inputs)) {
        RunResultRow row;
        row.cells[0] = WholePath(scan);
        row.cells[3] = RESULT_NOT_SPLIT;
        rows.push_back(std::move(row));
    }
    return rows;
}

int ImagesWritten(const std::vector<ScanRecord>& records) {
    int written = 0;
    for (const ScanRecord& scan : records)
        for (const ImageRecord& image : scan.images)
            written += image.written ? 1 : 0;
    return written;
}

QString RunResultSummary(const std::vector<ScanRecord>& records, const std::vector<std::string>& inputs) {
    int notFound = 0, notWritten = 0, skipped = 0;
    for (const ScanRecord& scan : records) {
        skipped += scan.outcome == ScanOutcome::Skipped ? 1 : 0;
        for (const ImageRecord& image : scan.images) {
            notFound += image.found ? 0 : 1;
            notWritten += (image.found && !image.written) ? 1 : 0;
        }
    }
    return QString("%1 images written, %2 not found, %3 not written in %4 scans (%5 skipped)")
               .arg(ImagesWritten(records))
               .arg(notFound)
               .arg(notWritten)
               .arg(records.size())
               .arg(skipped) +
           (inputs.size() > records.size() ? QString(", %1 not split").arg(inputs.size() - records.size())
                                           : QString());
}

QString ProgressFileText(const std::string& path, int fileIndex, int fileCount) {
    return QString("%1 — file %2 of %3")
        .arg(QFileInfo(QString::fromStdString(path)).fileName())
        .arg(fileIndex + 1)
        .arg(fileCount);
}

QString ProgressImagesText(int imagesWritten) {
    return QString("images written: %1").arg(imagesWritten);
}

QString TimeLeftText(double secondsSpent, int position) {
    const int done = position - 10;
    if (done <= 0 || secondsSpent <= 0)
        return "time left: estimating";
    const auto left = static_cast<long long>(std::lround(secondsSpent * (100 - position) / done));
    if (left >= 60)
        return QString("time left: about %1 min %2 s").arg(left / 60).arg(left % 60);
    return QString("time left: about %1 s").arg(left);
}

RunResultsWindow::RunResultsWindow(std::vector<ScanRecord> records,
                                   std::function<void(const std::string&)> openImage,
                                   std::function<void(const std::string&)> openFolder, QWidget* parent,
                                   const std::vector<std::string>& inputs)
    : QWidget(parent, Qt::Window), m_records(std::move(records)), m_rows(RunResultRows(m_records, inputs)) {
    setWindowTitle(RESULTS_CAPTION);
    setAttribute(Qt::WA_DeleteOnClose);

    m_pSummary = new QLabel(RunResultSummary(m_records, inputs), this);
    m_pTable = MakeReadOnlyTable(0, RESULTS_COLUMNS, this);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    FillReadOnlyTable(*m_pTable, m_rows);
    m_pTable->resizeColumnsToContents();
    m_pTable->resizeRowsToContents();
    m_pTable->horizontalHeader()->setStretchLastSection(true);

    m_pOpenFolder = new QPushButton(RESULTS_OPEN_FOLDER, this);
    m_pOpenImage = new QPushButton(RESULTS_OPEN_IMAGE, this);
    auto* close = new QPushButton("Close", this);
    const bool anyWritten = ImagesWritten(m_records) > 0;
    m_pOpenFolder->setEnabled(anyWritten);
    m_pOpenImage->setEnabled(anyWritten);
    connect(m_pOpenFolder, &QPushButton::clicked, this, [this, openFolder] {
        const std::string output = ChosenOutput();
        if (!output.empty() && openFolder)
            openFolder(QFileInfo(QString::fromStdString(output)).absolutePath().toStdString());
    });
    connect(m_pOpenImage, &QPushButton::clicked, this, [this, openImage] {
        const std::string output = ChosenOutput();
        if (!output.empty() && openImage)
            openImage(output);
    });
    connect(m_pTable, &QTableWidget::cellDoubleClicked, this, [this, openImage](int row, int) {
        if (row >= 0 && row < static_cast<int>(m_rows.size()) && !m_rows[row].outputs.empty() && openImage)
            openImage(m_rows[row].outputs.front());
    });
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pOpenFolder);
    buttons->addWidget(m_pOpenImage);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pSummary);
    layout->addWidget(m_pTable, 1);
    layout->addLayout(buttons);
    // Wide enough for the whole paths where the screen allows (placed and bounded below).
    resize(std::max(760, m_pTable->verticalHeader()->width() + m_pTable->horizontalHeader()->length() + 40),
           360);
    // On the main window's screen, over the main window, wholly visible.
    if (parent != nullptr && parent->screen() != nullptr) {
        const QWidget* owner = parent->window();
        setScreen(owner->screen());
        const QRect placed =
            PlaceOnOwnerScreen(size(), owner->frameGeometry(), owner->screen()->availableGeometry());
        resize(placed.size());
        move(placed.topLeft());
    }
}

std::string RunResultsWindow::ChosenOutput() const {
    const int selected = m_pTable->currentRow();
    if (selected >= 0 && selected < static_cast<int>(m_rows.size()) && !m_rows[selected].outputs.empty())
        return m_rows[selected].outputs.front();
    for (const RunResultRow& row : m_rows)
        if (!row.outputs.empty())
            return row.outputs.front();
    return {};
}

} // namespace gc
