// RunParametersDialog: the "Set Run Parameters" dialog. Every control writes straight into the Run's
// parameter record through RunParametersForm, which also clears the saved mark; SAVE PARAMETERS shows the
// summary and ends the dialog with RUN_PARAMETERS_END_CODE. There is no OK or Cancel: the close box ends it
// unsaved.
#pragma once

#include "FileChooser.h"
#include "core/Messages.h"
#include "split/RunParameters.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace gc {

class RunParametersForm;
class RunParametersChooser;

class RunParametersDialog : public QDialog {
    Q_OBJECT
public:
    // Constructing the dialog resets the record to the dialog's starting values.
    RunParametersDialog(RunParameters& parameters, FileChooser& chooser, Messages& messages,
                        QWidget* parent = nullptr);
    ~RunParametersDialog() override;

    const RunParametersForm& Logic() const { return *m_pLogic; }

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

    std::unique_ptr<RunParametersChooser> m_pChooser;
    std::unique_ptr<RunParametersForm> m_pLogic;
};

} // namespace gc
