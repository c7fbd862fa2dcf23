// RunParametersDialog: the "Set Run Parameters" dialog. Every control writes straight into the Run's
// settings through RunParametersForm, which also clears the saved mark of the dialog's state; SAVE PARAMETERS
// shows the summary and ends the dialog with RUN_PARAMETERS_END_CODE. There is no OK or Cancel: the close box
// ends it unsaved.
#pragma once

#include "FileChooser.h"
#include "core/Messages.h"
#include "forms/RunParametersForm.h"
#include "split/RunSettings.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QLineEdit;
class QPushButton;

namespace gc {

class RunParametersForm;
class RunParametersChooser;

class RunParametersDialog : public QDialog {
    Q_OBJECT
public:
    // Constructing the dialog resets the record to the dialog's starting values.
    // `memory`: where the last saved parameters and folders are remembered (RunParametersForm).
    RunParametersDialog(RunSettings& parameters, RunDialogState& state, FileChooser& chooser,
                        Messages& messages, QWidget* parent = nullptr, SettingsStore* memory = nullptr);
    ~RunParametersDialog() override;

    const RunParametersForm& Logic() const { return *m_pLogic; }

    QPushButton* m_pDefaultSettings;
    QComboBox* m_pImageCount;
    QComboBox* m_pHeight;
    QComboBox* m_pWidth;
    QCheckBox* m_pOutputTiff;
    QCheckBox* m_pBatchMode;
    QComboBox* m_pBinning;
    QComboBox* m_pFinder; // how the images are found
    QCheckBox* m_pDeskew; // with the sheet finder only
    QCheckBox* m_pAppendString;
    QLineEdit* m_pAppendText;
    QCheckBox* m_pStartNumber;
    QLineEdit* m_pStartNumberText;
    QCheckBox* m_pOutputDir;
    QLineEdit* m_pPixelSize; // Å; empty = not set
    QPushButton* m_pSelectFiles;
    QPushButton* m_pSaveParameters;
    QLabel* m_pOutputFolder; // the chosen output folder
    QLabel* m_pScanCount;    // "3 scans chosen:"
    QListWidget* m_pScans;   // their whole paths

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's steps: the group's controls, the fields from the record, their grid, and the
    // controls wired to the form's handlers.
    void MakeControls(QGroupBox* group);
    void ShowFields();
    void LayOutGroup(QGroupBox* group);
    void ConnectControls(RunSettings& parameters, Messages& messages);
    void ShowSelections();
    void ShowChecks();
    // The output folder and the scans, as the form lists them.
    void ShowChoices();

    std::unique_ptr<RunParametersChooser> m_pChooser;
    std::unique_ptr<RunParametersForm> m_pLogic;
};

} // namespace gc
