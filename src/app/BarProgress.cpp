#include "BarProgress.h"

#include <QCoreApplication>
#include <QProgressBar>

namespace gc {

BarProgress::BarProgress(QProgressBar* bar, Focus focus) : m_bar(bar), m_focus(focus) {}

void BarProgress::SetBar(QProgressBar* bar) {
    m_bar = bar;
    m_lastPosition = -1;
}

void BarProgress::SetRange(int lower, int upper) {
    if (m_bar != nullptr)
        m_bar->setRange(lower, upper);
}

void BarProgress::SetPos(int position) {
    if (m_bar == nullptr || position == m_lastPosition)
        return;
    m_lastPosition = position;
    m_bar->setValue(position);
    if (m_focus == Focus::MoveToBar)
        m_bar->setFocus();
    m_bar->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace gc
