#include "FileChooser.h"

#include <QApplication>
#include <QFileDialog>

#include <algorithm>

namespace gc {

std::string QtNameFilter(const FileFilterEntry& entry) {
    std::string description = entry.m_szDescription;
    if (!description.empty() && description.back() == ')') {
        const std::size_t open = description.rfind(" (");
        if (open != std::string::npos)
            description.erase(open);
    }
    std::string patterns = entry.m_szPatterns;
    std::replace(patterns.begin(), patterns.end(), ';', ' ');
    return description + " (" + patterns + ")";
}

namespace {

struct QtFilters {
    QString m_strAll;
    QStringList m_list;
};

QtFilters MakeQtFilters(FilterList filters) {
    QtFilters result;
    for (const FileFilterEntry& entry : filters)
        result.m_list << QString::fromStdString(QtNameFilter(entry));
    result.m_strAll = result.m_list.join(";;");
    return result;
}

QString Selected(const QtFilters& filters, int index) {
    return (index >= 0 && index < filters.m_list.size()) ? filters.m_list[index] : QString();
}

int IndexOf(const QtFilters& filters, const QString& selected) {
    return static_cast<int>(std::max<qsizetype>(0, filters.m_list.indexOf(selected)));
}

QWidget* DialogParent() {
    return QApplication::activeWindow();
}

} // namespace

std::optional<ChosenFile> QtFileChooser::ChooseOpenFile(FilterList filterList, int selectedFilter) {
    const QtFilters filters = MakeQtFilters(filterList);
    QString selected = Selected(filters, selectedFilter);
    const QString path =
        QFileDialog::getOpenFileName(DialogParent(), QString(), QString(), filters.m_strAll, &selected);
    if (path.isEmpty())
        return std::nullopt;
    return ChosenFile{path.toStdString(), IndexOf(filters, selected)};
}

std::vector<std::string> QtFileChooser::ChooseOpenFiles(FilterList filterList, int selectedFilter) {
    const QtFilters filters = MakeQtFilters(filterList);
    QString selected = Selected(filters, selectedFilter);
    std::vector<std::string> paths;
    for (const QString& path :
         QFileDialog::getOpenFileNames(DialogParent(), QString(), QString(), filters.m_strAll, &selected))
        paths.push_back(path.toStdString());
    return paths;
}

std::optional<ChosenFile> QtFileChooser::ChooseSaveFile(FilterList filterList, int selectedFilter) {
    const QtFilters filters = MakeQtFilters(filterList);
    QString selected = Selected(filters, selectedFilter);
    const QString path = QFileDialog::getSaveFileName(DialogParent(), QString(), QString(), filters.m_strAll,
                                                      &selected, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty())
        return std::nullopt;
    return ChosenFile{path.toStdString(), IndexOf(filters, selected)};
}

std::optional<std::string> QtFileChooser::ChooseFolder(const std::string& caption) {
    const QString folder = QFileDialog::getExistingDirectory(DialogParent(), QString::fromStdString(caption));
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}

} // namespace gc
