// ConvertCutDialog: the "Convert / Cut Files Dialog ...". Loads up to 100 TIFF files and runs Convert
// (transmittance to optical density, float MRC) or Cut on them; the rules live in ConvertCutForm.
// The dialog copies its controls into the logic before each handler and shows the logic's state
// afterwards. It closes after a Convert or Cut that ended with "Done...", or with Esc or the close box.
#pragma once

#include "BarProgress.h"
#include "FileChooser.h"
#include "convert/ConvertOutcome.h"
#include "core/Messages.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace gc {

class ConvertCutForm;

class ConvertCutDialog : public QDialog {
    Q_OBJECT
public:
    // `exit` ends the process after a fatal read or write (status 1).
    ConvertCutDialog(FileChooser& chooser, Messages& messages, std::function<void(int)> exit,
                     QWidget* parent = nullptr);

    ~ConvertCutDialog() override;

    ConvertCutForm& Logic() { return *m_pLogic; }

    QPushButton* m_pLoadFiles;
    QPushButton* m_pSetDefaults;
    QPushButton* m_pLoadLastRun;
    QLineEdit* m_pA;
    QLineEdit* m_pX0;
    QLineEdit* m_pY0;
    QComboBox* m_pGain;
    QCheckBox* m_pNegative;
    QComboBox* m_pBinSize;
    QComboBox* m_pOutputFormat;
    QCheckBox* m_pStatistics;
    QPushButton* m_pConvert;
    QLineEdit* m_pStartX;
    QLineEdit* m_pStartY;
    QLineEdit* m_pEndX;
    QLineEdit* m_pEndY;
    QPushButton* m_pCut;
    QProgressBar* m_pProgress;

private:
    // The dialog's layout, built in these steps: each group's controls, then where they stand, the
    // keyboard order, and the handlers behind them.
    QGroupBox* CreateConvertGroup();
    QGroupBox* CreateCutGroup();
    void LayOutConvertGroup(QGroupBox* group);
    void LayOutCutGroup(QGroupBox* group);
    void LayOutDialog(QGroupBox* convertGroup, QGroupBox* cutGroup);
    void SetKeyboardOrder();
    void ConnectControls();
    // Controls → logic before a handler, logic → controls after it.
    void TakeControls();
    void ShowLogic();
    // Runs a handler between the two copies.
    template <typename Handler> void Handle(Handler handler);
    void Finish(ConvertOutcome outcome);

    FileChooser& m_chooser;
    Messages& m_messages;
    std::function<void(int)> m_exit;
    BarProgress m_progress;
    std::unique_ptr<ConvertCutForm> m_pLogic;
};

} // namespace gc
