// The desktop program's side of the core's interfaces: messages as modal message boxes, modal
// dialogs run through a replaceable runner (tests answer them without blocking).
#pragma once

#include "core/Messages.h"
#include "forms/Questions.h"

#include <QMessageBox>

class QDialog;
class QWidget;

namespace gc {

// Icon of a message box by the message's kind.
QMessageBox::Icon IconOf(MessageKind kind);

// A modal QMessageBox with an OK button, caption "Gridcarver" unless the message names its own.
class QtMessages final : public Messages {
public:
    void SetParent(QWidget* parent) { m_pParent = parent; }
    void Show(MessageKind kind, const std::string& text, const std::string& caption = {}) override;

private:
    QWidget* m_pParent = nullptr;
};

// A modal question box with a button per answer, caption "Gridcarver".
class QtQuestions final : public Questions {
public:
    void SetParent(QWidget* parent) { m_pParent = parent; }
    Answer Ask(const std::string& text, const std::vector<Answer>& answers) override;

private:
    QWidget* m_pParent = nullptr;
};

// Runs a modal dialog and returns its result code.
class DialogRunner {
public:
    virtual ~DialogRunner() = default;
    virtual int Exec(QDialog& dialog);
};

} // namespace gc
