#include "RunProgressDialog.h"

#include "AppMessages.h"

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

void RunProgressWindow::Close() {
    m_progress.SetBar(nullptr);
    m_pControl.reset();
}

BarProgress& RunProgressWindow::Window() {
    if (!m_pControl) {
        m_pControl = std::make_unique<RunProgressDialog>(m_pParent);
        m_pControl->show();
        m_progress.SetBar(m_pControl->m_progress);
    }
    return m_progress;
}

} // namespace gc
