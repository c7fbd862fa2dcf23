// File and folder choosers behind an interface, so that tests can script them. Filters are the
// document's tables of entries (description, patterns); the chooser reports which entry was selected.
#pragma once

#include "document/DocumentMessages.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

class QFileDialog;

namespace gc {

using FilterList = std::span<const FileFilterEntry>;

// The entry as a Qt name filter: the description followed by the full pattern list in parentheses,
// "JPEG Files (*.jpg) (*.jpg *.jpeg)". The file dialog hides that last group, so its list shows the
// description exactly.
std::string QtNameFilter(const FileFilterEntry& entry);

// Gives a file dialog the filter list, with entry `selectedFilter` selected.
void ConfigureFileDialog(QFileDialog& dialog, FilterList filters, int selectedFilter);
// The 0-based entry of `filters` that is selected in the dialog (0 when none matches).
int SelectedFilterIndex(const QFileDialog& dialog, FilterList filters);

struct ChosenFile {
    std::string m_strPath;
    int m_nFilterIndex = 0; // 0-based entry of the filter list that was selected
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // One existing file; nothing when the user cancels.
    virtual std::optional<ChosenFile> ChooseOpenFile(FilterList filters, int selectedFilter) = 0;
    // Several existing files, in selection order; empty when the user cancels.
    virtual std::vector<std::string> ChooseOpenFiles(FilterList filters, int selectedFilter) = 0;
    // A file name to write; no question is asked about an existing file.
    virtual std::optional<ChosenFile> ChooseSaveFile(FilterList filters, int selectedFilter) = 0;
    // A folder; nothing when the user cancels.
    virtual std::optional<std::string> ChooseFolder(const std::string& caption) = 0;
    // The folder the next chooser opens in; empty leaves it to the chooser.
    virtual void StartIn(const std::string& /*folder*/) {}
};

// The real choosers: QFileDialog.
class QtFileChooser final : public FileChooser {
public:
    std::optional<ChosenFile> ChooseOpenFile(FilterList filters, int selectedFilter) override;
    std::vector<std::string> ChooseOpenFiles(FilterList filters, int selectedFilter) override;
    std::optional<ChosenFile> ChooseSaveFile(FilterList filters, int selectedFilter) override;
    std::optional<std::string> ChooseFolder(const std::string& caption) override;
    void StartIn(const std::string& folder) override { m_strStartFolder = folder; }

private:
    // Taken by the next chooser, which then forgets it.
    std::string TakeStartFolder();
    std::string m_strStartFolder;
};

} // namespace gc
