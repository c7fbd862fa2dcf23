#include "RunProgressDialog.h"

#include "AppMessages.h"
#include "RunResultsWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace gc {

RunProgressDialog::RunProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(PROGRESS_CAPTION);
    setModal(false);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    m_pFile = new QLabel(this);
    m_pImages = new QLabel(this);
    m_pTime = new QLabel(this);
    m_pStop = new QPushButton(PROGRESS_STOP, this);
    m_pStop->setAutoDefault(false);
    m_pStop->setFocusPolicy(Qt::NoFocus);
    connect(m_pStop, &QPushButton::clicked, this, &RunProgressDialog::RequestStop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_progress);
    layout->addWidget(m_pFile);
    auto* row = new QHBoxLayout;
    row->addWidget(m_pImages);
    row->addStretch();
    row->addWidget(m_pTime);
    row->addStretch();
    row->addWidget(m_pStop);
    layout->addLayout(row);
    resize(580, sizeHint().height());
}

void RunProgressDialog::RequestStop() {
    if (m_bStopRequested)
        return;
    m_bStopRequested = true;
    m_pStop->setText(QString::fromUtf8(PROGRESS_STOPPING_BUTTON));
    m_pStop->setEnabled(false);
    m_pTime->setText(PROGRESS_STOPPING);
    if (m_fnStop)
        m_fnStop();
}

void RunProgressDialog::closeEvent(QCloseEvent* event) {
    RequestStop();
    event->ignore();
}

bool RunProgressWindow::StopRequested() const {
    if (!m_pControl)
        return StopFlag();
    if (!m_pControl->m_bStopRequested &&
        (!m_pollTimer.isValid() || m_pollTimer.elapsed() >= POLL_MILLISECONDS)) {
        m_pollTimer.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return StopFlag();
}

void RunProgressWindow::RequestStop() {
    m_stop = true;
    if (m_pControl)
        m_pControl->RequestStop();
}

void RunProgressWindow::ShowTexts(int position, const RunProgressStatus& status) {
    if (m_pControl->m_bStopRequested)
        return;
    if (!status.path.empty())
        m_pControl->m_pFile->setText(ProgressFileText(status.path, status.fileIndex, status.fileCount));
    m_pControl->m_pImages->setText(ProgressImagesText(status.imagesWritten));
    m_pControl->m_pTime->setText(TimeLeftText(static_cast<double>(m_timer.elapsed()) / 1000.0, position));
}

void RunProgressWindow::Show(int position, const RunProgressStatus& status) {
    Window();
    ShowTexts(position, status);
    m_pControl->m_progress->setValue(position);
    if (m_fnShown)
        m_fnShown(*m_pControl);
}

void RunProgressWindow::SetPos(int position) {
    BarProgress& bar = Window();
    // The Run sets the same position once per tile: only a new one costs anything.
    if (position == m_nLastPosition)
        return;
    m_nLastPosition = position;
    if (m_fnStatus && !m_pControl->m_bStopRequested)
        ShowTexts(position, m_fnStatus());
    bar.SetPos(position);
    // The user's input: Stop, and the viewer's commands in the other windows.
    m_pollTimer.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (m_fnShown)
        m_fnShown(*m_pControl);
}

void RunProgressWindow::Close() {
    m_progress.SetBar(nullptr);
    m_nLastPosition = -1;
    m_pControl.reset();
}

BarProgress& RunProgressWindow::Window() {
    if (!m_pControl) {
        m_pControl = std::make_unique<RunProgressDialog>(m_pParent);
        m_pControl->m_fnStop = [this] { m_stop = true; };
        if (m_stop)
            m_pControl->RequestStop();
        m_pControl->show();
        m_timer.start();
        m_progress.SetBar(m_pControl->m_progress);
    }
    return m_progress;
}

} // namespace gc
