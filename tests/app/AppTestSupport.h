// Helpers for the desktop tests: a chooser answered from a script, a dialog runner that records
// the dialogs instead of running them, and an application started with both and recording messages.
#pragma once

#include "app/Application.h"
#include "app/FileChooser.h"
#include "app/QtMessages.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <QtTest>

#include <algorithm>
#include <deque>
#include <memory>

namespace gc::test {

class ScriptedChooser final : public FileChooser {
public:
    // The next open or save chooser returns this path with filter entry `filter`; no answer cancels.
    void Answer(const std::string& path, int filter = 0) { m_answers.push_back(ChosenFile{path, filter}); }

    std::optional<ChosenFile> ChooseOpenFile(FilterList filters, int selected) override {
        return Next(filters, selected);
    }
    std::vector<std::string> ChooseOpenFiles(FilterList filters, int selected) override {
        std::vector<std::string> paths;
        if (auto chosen = Next(filters, selected))
            paths.push_back(chosen->m_strPath);
        return paths;
    }
    std::optional<ChosenFile> ChooseSaveFile(FilterList filters, int selected) override {
        return Next(filters, selected);
    }
    std::optional<std::string> ChooseFolder(const std::string&) override {
        ++m_nCalls;
        return std::nullopt;
    }

    int m_nCalls = 0;
    std::vector<std::string> m_firstDescriptions; // first filter entry of each call
    std::vector<int> m_selected;                  // selected entry of each call

private:
    std::optional<ChosenFile> Next(FilterList filters, int selected) {
        ++m_nCalls;
        m_firstDescriptions.push_back(filters.empty() ? "" : filters[0].m_szDescription);
        m_selected.push_back(selected);
        if (m_answers.empty())
            return std::nullopt;
        ChosenFile answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    std::deque<ChosenFile> m_answers;
};

class RecordingDialogs final : public DialogRunner {
public:
    int Exec(QDialog& dialog) override {
        m_titles.push_back(dialog.windowTitle());
        if (m_inspect)
            m_inspect(dialog);
        return m_nResult;
    }
    QStringList m_titles;
    std::function<void(QDialog&)> m_inspect;
    int m_nResult = QDialog::Rejected;
};

// Questions answered from a script; unscripted ones get `m_fallback` when it is offered, else the
// first answer offered.
class ScriptedQuestions final : public Questions {
public:
    Answer Ask(const std::string& text, const std::vector<Answer>& answers) override {
        m_asked.push_back(text);
        if (!m_answers.empty()) {
            const Answer answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return std::find(answers.begin(), answers.end(), m_fallback) != answers.end() ? m_fallback
                                                                                      : answers.front();
    }
    std::deque<Answer> m_answers;
    Answer m_fallback = Answer::Discard;
    std::vector<std::string> m_asked;
};

// An application with recording services, started and shown.
struct TestApp {
    RecordingMessages m_messages;
    ScriptedChooser m_chooser;
    RecordingDialogs m_dialogs;
    ScriptedQuestions m_questions;
    std::vector<int> m_exits;
    std::unique_ptr<Application> m_app;

    explicit TestApp(const QStringList& arguments = {}) {
        AppServices services;
        services.m_pMessages = &m_messages;
        services.m_pChooser = &m_chooser;
        services.m_pDialogs = &m_dialogs;
        services.m_pQuestions = &m_questions;
        services.m_exit = [this](int status) { m_exits.push_back(status); };
        m_app = std::make_unique<Application>(services);
        m_bStarted = m_app->InitInstance(arguments);
        // Help must never start a real viewer in a test.
        m_app->m_strHelpViewer = "gridcarver-test-no-such-viewer";
        m_app->m_openHelpPage = [](const std::string&) { return false; };
    }
    Application* operator->() { return m_app.get(); }
    bool m_bStarted = false;
};

// With GRIDCARVER_SCREENSHOT_DIR set (docs/screenshots, taken under Xvfb), saves a picture of the
// window as <name>.png there; otherwise does nothing.
inline void Snapshot(QWidget& window, const char* name) {
    const QByteArray folder = qgetenv("GRIDCARVER_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QApplication::processEvents();
    window.grab().save(QString("%1/%2.png").arg(QString::fromLocal8Bit(folder), name));
}

} // namespace gc::test
