// FView: the "Set Run Parameters" dialog. Every control writes straight into the Run's parameter
// record through FViewLogic, which also clears the saved mark; SAVE PARAMETERS shows the summary
// and ends the dialog with FVIEW_END_CODE. There is no OK or Cancel: the close box ends it unsaved.
#pragma once

#include "FileChooser.h"
#include "core/Messages.h"
#include "split/FViewLogic.h"
#include "split/RunParameters.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace gc {

// The parameter dialog's choosers over the program's file and folder choosers.
class FViewChooser final : public RunFileChooser {
public:
    explicit FViewChooser(FileChooser& chooser) : m_chooser(chooser) {}
    std::optional<std::vector<std::string>> ChooseInputFiles(bool multiple,
                                                             const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;

private:
    FileChooser& m_chooser;
};

class FView : public QDialog {
    Q_OBJECT
public:
    // Constructing the dialog resets the record to the dialog's starting values.
    FView(RunParameters& parameters, FileChooser& chooser, Messages& messages, QWidget* parent = nullptr);
    ~FView() override;

    const FViewLogic& Logic() const { return m_logic; }

    QPushButton* m_pDefaultSettings; // 1017
    QComboBox* m_pImageCount;        // 1004
    QComboBox* m_pHeight;            // 1007
    QComboBox* m_pWidth;             // 1009
    QCheckBox* m_pOutputTiff;        // 1011
    QCheckBox* m_pBatchMode;         // 1013
    QComboBox* m_pBinning;           // 1029
    QCheckBox* m_pAppendString;      // 1018
    QLineEdit* m_pAppendText;        // 1019
    QCheckBox* m_pStartNumber;       // 1020
    QLineEdit* m_pStartNumberText;   // 1022
    QCheckBox* m_pOutputDir;         // 1021
    QPushButton* m_pSelectFiles;     // 1016
    QPushButton* m_pSaveParameters;  // 1014

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowSelections();
    void ShowChecks();

    FViewChooser m_chooser;
    FViewLogic m_logic;
};

} // namespace gc
