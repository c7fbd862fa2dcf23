#include "RunProgressDialog.h"

#include "AppMessages.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QVBoxLayout>

namespace gc {

RunProgressDialog::RunProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(PROGRESS_CAPTION);
    setModal(false);
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_progress);
    resize(580, 40);
}

void QtProgress::SetRange(int lower, int upper) {
    m_control.m_progress->setRange(lower, upper);
}

void QtProgress::SetPos(int position) {
    if (position == m_nLastPosition)
        return;
    m_nLastPosition = position;
    m_control.m_progress->setValue(position);
    m_control.m_progress->setFocus();
    m_control.m_progress->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void RunProgressWindow::Close() {
    m_pProgress.reset();
    m_pControl.reset();
}

QtProgress& RunProgressWindow::Window() {
    if (!m_pControl) {
        m_pControl = std::make_unique<RunProgressDialog>(m_pParent);
        m_pControl->show();
        m_pProgress = std::make_unique<QtProgress>(*m_pControl);
    }
    return *m_pProgress;
}

} // namespace gc
