// What happens before work in progress would be lost: unsaved picks when another image is opened or
// the program ends ("Save the picks of NAME?" Save / Discard / Cancel), and a Run in progress when the
// main window is closed (asked: Yes stops the Run, and the window closes once it has ended).
#include "AppMessages.h"
#include "Application.h"
#include "MainWindow.h"
#include "RunProgressDialog.h"
#include "view/ImageView.h"

#include <QCloseEvent>
#include <QEvent>
#include <QFileInfo>

namespace gc {

bool Application::MayLeavePicks() {
    if (m_pick.m_nPickCount <= 0)
        return true;
    const std::string name =
        QFileInfo(QString::fromStdString(m_document.GetImagePath())).fileName().toStdString();
    const Answer answer = m_pQuestions->Ask(QUESTION_SAVE_PICKS_OF + name + QUESTION_SAVE_PICKS_END,
                                            {Answer::Save, Answer::Discard, Answer::Cancel});
    if (answer == Answer::Cancel)
        return false;
    if (answer == Answer::Save)
        SavePicks(PickPointer{{0, 0}, {0, 0}, m_pView->GetImageIndex()});
    return true;
}

bool Application::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pFrame.get() && event->type() == QEvent::Close) {
        if (m_pRunProgress != nullptr) {
            // The Run ends first (within one image), so no file is left half-written.
            event->ignore();
            if (!m_bQuitAfterRun &&
                m_pQuestions->Ask(MSG_QUIT_DURING_RUN, {Answer::Yes, Answer::No}) == Answer::Yes) {
                m_bQuitAfterRun = true;
                m_pRunProgress->RequestStop();
            }
            return true;
        }
        if (!MayLeavePicks()) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace gc
