// Helpers for the dialog tests: a file chooser that answers from a script and records what it was
// asked, and the user's way of replacing a field's text.
#pragma once

#include "app/FileChooser.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace gc::test {

class DialogChooser final : public FileChooser {
public:
    std::optional<ChosenFile> ChooseOpenFile(FilterList filters, int) override {
        m_filters.assign(filters.begin(), filters.end());
        ++m_nOpenFile;
        if (m_openFiles.empty())
            return std::nullopt;
        auto path = m_openFiles.front();
        m_openFiles.pop_front();
        if (path.empty())
            return std::nullopt;
        return ChosenFile{path, 0};
    }
    std::vector<std::string> ChooseOpenFiles(FilterList filters, int) override {
        m_filters.assign(filters.begin(), filters.end());
        ++m_nOpenFiles;
        if (m_fileLists.empty())
            return {};
        auto paths = m_fileLists.front();
        m_fileLists.pop_front();
        return paths;
    }
    std::optional<ChosenFile> ChooseSaveFile(FilterList, int) override { return std::nullopt; }
    std::optional<std::string> ChooseFolder(const std::string& caption) override {
        m_folderCaptions.push_back(caption);
        if (m_folders.empty())
            return std::nullopt;
        auto folder = m_folders.front();
        m_folders.pop_front();
        return folder;
    }

    std::deque<std::string> m_openFiles; // an empty path is a Cancel
    std::deque<std::vector<std::string>> m_fileLists;
    std::deque<std::string> m_folders;
    std::vector<FileFilterEntry> m_filters;
    std::vector<std::string> m_folderCaptions;
    int m_nOpenFile = 0;
    int m_nOpenFiles = 0;
};

// Replaces the field's text the way a user does: focus, select everything, type.
inline void Retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
}

// A click on a check box's indicator (a click in the empty part of a wide box does nothing).
inline void ClickBox(QWidget* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// A user's pick of item `index` in a list.
template <typename Combo> void Choose(Combo* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// The texts of a list's items, in order.
inline QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// Shows the dialog and waits until it is the active window, as a user's dialog would be.
inline void Activate(QWidget& dialog) {
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
}

} // namespace gc::test
