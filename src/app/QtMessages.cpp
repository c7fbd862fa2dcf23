#include "QtMessages.h"

#include <QDialog>

#include <algorithm>
#include <utility>

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

namespace {

constexpr std::pair<Answer, QMessageBox::StandardButton> BUTTONS[] = {
    {Answer::Yes, QMessageBox::Yes},       {Answer::No, QMessageBox::No},
    {Answer::Save, QMessageBox::Save},     {Answer::Discard, QMessageBox::Discard},
    {Answer::Cancel, QMessageBox::Cancel},
};

QMessageBox::StandardButton ButtonOf(Answer answer) {
    for (const auto& [each, button] : BUTTONS)
        if (each == answer)
            return button;
    return QMessageBox::NoButton;
}

} // namespace

Answer QtQuestions::Ask(const std::string& text, const std::vector<Answer>& answers) {
    QMessageBox box(QMessageBox::Question, DEFAULT_CAPTION, QString::fromStdString(text),
                    QMessageBox::NoButton, m_pParent);
    for (Answer answer : answers)
        box.addButton(ButtonOf(answer));
    if (!answers.empty())
        box.setDefaultButton(ButtonOf(answers.front()));
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [answer, button] : BUTTONS)
        if (button == pressed)
            return answer;
    for (Answer answer : {Answer::Cancel, Answer::No})
        if (std::find(answers.begin(), answers.end(), answer) != answers.end())
            return answer;
    return answers.empty() ? Answer::Cancel : answers.back();
}

int DialogRunner::Exec(QDialog& dialog) {
    return dialog.exec();
}

} // namespace gc
