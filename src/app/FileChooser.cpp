#include "FileChooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <utility>

namespace gc {

std::string QtNameFilter(const FileFilterEntry& entry) {
    std::string patterns = entry.m_szPatterns;
    std::replace(patterns.begin(), patterns.end(), ';', ' ');
    return std::string(entry.m_szDescription) + " (" + patterns + ")";
}

void ConfigureFileDialog(QFileDialog& dialog, FilterList filters, int selectedFilter) {
    QStringList names;
    for (const FileFilterEntry& entry : filters)
        names << QString::fromStdString(QtNameFilter(entry));
    // The list shows each description as it is; the trailing pattern group only selects files.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(names);
    if (selectedFilter >= 0 && selectedFilter < names.size())
        dialog.selectNameFilter(names[selectedFilter]);
}

int SelectedFilterIndex(const QFileDialog& dialog, FilterList filters) {
    const QString selected = dialog.selectedNameFilter();
    // Depending on the Qt version the dialog reports the whole filter or only the text it shows.
    for (std::size_t i = 0; i < filters.size(); ++i)
        if (selected == QString::fromStdString(QtNameFilter(filters[i])) ||
            selected == QString::fromUtf8(filters[i].m_szDescription))
            return static_cast<int>(i);
    return 0;
}

namespace {

QWidget* DialogParent() {
    return QApplication::activeWindow();
}

// The open chooser starts in the folder of the last file opened, in this session or an earlier one.
constexpr const char* SETTINGS_LAST_FOLDER = "lastFolder";

void StartInLastFolder(QFileDialog& dialog) {
    const QString folder = QSettings().value(SETTINGS_LAST_FOLDER).toString();
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        dialog.setDirectory(folder);
}

void RememberFolder(const QString& path) {
    QSettings().setValue(SETTINGS_LAST_FOLDER, QFileInfo(path).absolutePath());
}

} // namespace

std::string QtFileChooser::TakeStartFolder() {
    return std::exchange(m_strStartFolder, std::string());
}

std::optional<ChosenFile> QtFileChooser::ChooseOpenFile(FilterList filters, int selectedFilter) {
    QFileDialog dialog(DialogParent(), {}, QString::fromStdString(TakeStartFolder()));
    dialog.setFileMode(QFileDialog::ExistingFile);
    ConfigureFileDialog(dialog, filters, selectedFilter);
    StartInLastFolder(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    RememberFolder(dialog.selectedFiles().first());
    return ChosenFile{dialog.selectedFiles().first().toStdString(), SelectedFilterIndex(dialog, filters)};
}

std::vector<std::string> QtFileChooser::ChooseOpenFiles(FilterList filters, int selectedFilter) {
    QFileDialog dialog(DialogParent(), {}, QString::fromStdString(TakeStartFolder()));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    ConfigureFileDialog(dialog, filters, selectedFilter);
    std::vector<std::string> paths;
    if (dialog.exec() == QDialog::Accepted)
        for (const QString& path : dialog.selectedFiles())
            paths.push_back(path.toStdString());
    return paths;
}

std::optional<ChosenFile> QtFileChooser::ChooseSaveFile(FilterList filters, int selectedFilter) {
    QFileDialog dialog(DialogParent(), {}, QString::fromStdString(TakeStartFolder()));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    ConfigureFileDialog(dialog, filters, selectedFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ChosenFile{dialog.selectedFiles().first().toStdString(), SelectedFilterIndex(dialog, filters)};
}

std::optional<std::string> QtFileChooser::ChooseFolder(const std::string& caption) {
    const QString folder = QFileDialog::getExistingDirectory(DialogParent(), QString::fromStdString(caption),
                                                             QString::fromStdString(TakeStartFolder()));
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

} // namespace gc
