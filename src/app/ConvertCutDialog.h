// ConvertCutDialog: the "Convert / Cut Files Dialog ...". Loads up to 100 TIFF files and runs Convert
// (transmittance to optical density, float MRC) or Cut on them; the rules live in ConvertCutForm.
// The dialog copies its controls into the logic before each handler and shows the logic's state
// afterwards. It closes after a Convert or Cut that ended with "Done...", or with Esc or the close box.
#pragma once

#include "FileChooser.h"
#include "convert/ConvertOutcome.h"
#include "core/Messages.h"
#include "core/Progress.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace gc {

// The dialog's progress bar behind the core's Progress: a new position repaints it at once.
class BarProgress final : public Progress {
public:
    void SetRange(int lower, int upper) override;
    void SetPos(int position) override;
    QProgressBar* m_pBar = nullptr;

private:
    int m_nLastPosition = -1;
};

class ConvertCutForm;

class ConvertCutDialog : public QDialog {
    Q_OBJECT
public:
    // `exit` ends the process after a fatal read or write (status 1).
    ConvertCutDialog(FileChooser& chooser, Messages& messages, std::function<void(int)> exit,
                     QWidget* parent = nullptr);

    ~ConvertCutDialog() override;

    ConvertCutForm& Logic() { return *m_pLogic; }

    QPushButton* m_pLoadFiles;   // 1014
    QPushButton* m_pSetDefaults; // 1029
    QPushButton* m_pLoadLastRun; // 1035
    QLineEdit* m_pA;             // 1025
    QLineEdit* m_pX0;            // 1026
    QLineEdit* m_pY0;            // 1027
    QComboBox* m_pGain;          // 1007
    QCheckBox* m_pNegative;      // 1011
    QComboBox* m_pBinSize;       // 1004
    QComboBox* m_pOutputFormat;  // 1028
    QCheckBox* m_pStatistics;    // 1013
    QPushButton* m_pConvert;     // 1017
    QLineEdit* m_pStartX;        // 1031
    QLineEdit* m_pStartY;        // 1032
    QLineEdit* m_pEndX;          // 1033
    QLineEdit* m_pEndY;          // 1034
    QPushButton* m_pCut;         // 1030
    QProgressBar* m_pProgress;   // 1036

private:
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
