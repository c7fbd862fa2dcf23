#include "QtMessages.h"

#include <QDialog>

namespace gc {

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

void QtMessages::Show(MessageKind kind, const std::string& text, const std::string& caption) {
    QMessageBox box(IconOf(kind), QString::fromStdString(caption.empty() ? DEFAULT_CAPTION : caption),
                    QString::fromStdString(text), QMessageBox::Ok, m_pParent);
    box.exec();
}

int DialogRunner::Exec(QDialog& dialog) {
    return dialog.exec();
}

} // namespace gc
