// The "Set Run Parameters" dialog as the user works it.
#include "DialogsTestSupport.h"
#include "app/RunParametersDialog.h"
#include "forms/RunParametersForm.h"
#include "split/SplitMessages.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

using namespace gc;
using Texts = std::vector<std::string>;

class DialogsRunParametersTest : public QObject {
    Q_OBJECT
private slots:
    void ControlsAndTexts();
    void SaveWithoutFilesStaysOpen();
    void BatchSessionShowsTheSummary();
    void SingleFileAndStartNumber();
    void DefaultSettingsKeepTheCheckBoxes();
    void ReopeningStartsFromTheDefaults();
    void ReopeningShowsTheSavedParameters();
};

namespace {

using test::Activate;
using test::Items;

QStringList LabelTexts(QWidget& dialog) {
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (!label->text().isEmpty())
            texts << label->text();
    return texts;
}

} // namespace

void DialogsRunParametersTest::ControlsAndTexts() {
    RunSettings parameters;
    RunDialogState state;
    test::DialogChooser chooser;
    test::RecordingMessages messages;
    RunParametersDialog dialog(parameters, state, chooser, messages);
    QCOMPARE(dialog.windowTitle(), QString("Set Run Parameters"));
    QCOMPARE(dialog.findChild<QGroupBox*>()->title(),
             QString("Set/Change Run Parameters and Load Input Files"));
    QCOMPARE(dialog.m_pDefaultSettings->text(), QString("Click to change default settings."));
    QCOMPARE(Items(dialog.m_pImageCount), (QStringList{"1", "2", "3", "4", "5", "6"}));
    QCOMPARE(Items(dialog.m_pHeight), (QStringList{"9", "10", "11"}));
    QCOMPARE(Items(dialog.m_pWidth), (QStringList{"7", "8", "9"}));
    QCOMPARE(Items(dialog.m_pBinning), (QStringList{"0", "2", "3", "4"}));
    for (QComboBox* combo : {dialog.m_pImageCount, dialog.m_pHeight, dialog.m_pWidth, dialog.m_pBinning})
        QCOMPARE(combo->currentIndex(), -1);
    for (QCheckBox* box : {dialog.m_pOutputTiff, dialog.m_pBatchMode, dialog.m_pAppendString,
                           dialog.m_pStartNumber, dialog.m_pOutputDir}) {
        QCOMPARE(box->text(), QString("Check for YES"));
        QVERIFY(!box->isChecked());
    }
    QCOMPARE(dialog.m_pAppendText->maxLength(), 50);
    QCOMPARE(dialog.m_pStartNumberText->maxLength(), 6);
    QCOMPARE(dialog.m_pSelectFiles->text(), QString("SELECT FILES TO LOAD"));
    QCOMPARE(dialog.m_pSaveParameters->text(), QString("SAVE PARAMETERS"));
    const QStringList labels = LabelTexts(dialog);
    for (const char* text :
         {"Change number of images in scanned\nTIFF file to extract.",
          "Change approximate height of images in\nscanned TIFF file (cms).",
          "Change approximate width of images\nin scanned TIFF file (cms).", "Output TIFF:", "Batch Mode:",
          "Set BINNING for output files.\nSee Help index for more\ninformation...",
          "Use string below to append to output file names:",
          "Use number below as start number for output file names:", "Select the output directory:"})
        QVERIFY2(labels.contains(text), text);

    // The start number takes digits only, at most six.
    Activate(dialog);
    test::Retype(dialog.m_pStartNumberText, "12ab345678");
    QCOMPARE(dialog.m_pStartNumberText->text(), QString("123456"));
}

void DialogsRunParametersTest::SaveWithoutFilesStaysOpen() {
    RunSettings parameters;
    RunDialogState state;
    test::DialogChooser chooser;
    test::RecordingMessages messages;
    RunParametersDialog dialog(parameters, state, chooser, messages);
    Activate(dialog);
    QTest::mouseClick(dialog.m_pSaveParameters, Qt::LeftButton);
    QCOMPARE(messages.Texts(), (Texts{"No input files are selected..."}));
    QVERIFY(dialog.isVisible());
    QVERIFY(!state.m_bSaved);
}

void DialogsRunParametersTest::BatchSessionShowsTheSummary() {
    RunSettings parameters;
    RunDialogState state;
    test::DialogChooser chooser;
    chooser.m_fileLists.push_back({"/scans/one.tif", "/scans/two.tiff"});
    chooser.m_folders.push_back("/out");
    test::RecordingMessages messages;
    RunParametersDialog dialog(parameters, state, chooser, messages);
    Activate(dialog);

    test::Choose(dialog.m_pImageCount, 3);
    test::Choose(dialog.m_pHeight, 2);
    test::Choose(dialog.m_pWidth, 0);
    test::Choose(dialog.m_pBinning, 2);
    test::ClickBox(dialog.m_pBatchMode);
    test::ClickBox(dialog.m_pOutputDir);
    test::ClickBox(dialog.m_pAppendString);
    QVERIFY(dialog.m_pBatchMode->isChecked());
    test::Retype(dialog.m_pAppendText, "grid");
    // Leaving the field for the button stores its text.
    QTest::mouseClick(dialog.m_pSelectFiles, Qt::LeftButton);
    QCOMPARE(parameters.m_strAppendString, std::string("grid"));
    QCOMPARE(chooser.m_nOpenFiles, 1);
    QCOMPARE(chooser.m_filters.size(), std::size_t{1});
    QCOMPARE(std::string(chooser.m_filters[0].m_szPatterns), std::string("*.tif;*.tiff"));
    // Ticking the box chose the folder; the chooser after the files was cancelled and kept it.
    QCOMPARE(chooser.m_folderCaptions, (Texts{"Pick an output directory to output the files:",
                                              "Pick an output directory to output the files:"}));
    QCOMPARE(messages.Texts(), (Texts{"/out  : Location of Output Directory."}));
    QCOMPARE(dialog.m_pOutputFolder->text(), QString("/out/"));
    QCOMPARE(dialog.m_pScanCount->text(), QString("2 scans chosen:"));
    QCOMPARE(dialog.m_pScans->count(), 2);
    QCOMPARE(dialog.m_pScans->item(1)->text(), QString("/scans/two.tiff"));
    if (const QByteArray folder = qgetenv("GRIDCARVER_SCREENSHOT_DIR"); !folder.isEmpty())
        dialog.grab().save(QString("%1/run-parameters.png").arg(QString::fromLocal8Bit(folder)));

    messages.m_shown.clear();
    QTest::mouseClick(dialog.m_pSaveParameters, Qt::LeftButton);
    const std::string summary =
        "Input Files Selected: \n/scans/one.tif\n/scans/two.tiff\n"
        "Images in TIFF file: 4\n"
        "Approximate height of images in TIFF file (cms): 11\n"
        "Approximate width of images in TIFF file (cms): 7\n"
        "Files will have grid appended. Numbering will start with 1.\n"
        "Output directory selected is: /out/ .\n"
        "Now select Run from the File menu or use the shortcut key Ctrl+R.\n"
        "NOTE: MRC format files will be produced.\n"
        "3X3 binned output image will also be produced. Images will have _3X3 appended.\n";
    QCOMPARE(messages.Texts(), (Texts{summary}));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), RUN_PARAMETERS_END_CODE);
    QVERIFY(state.m_bSaved);
    QCOMPARE(parameters.m_strInputFiles.size(), std::size_t(2));
    QCOMPARE(parameters.m_nBinning, 3);
}

void DialogsRunParametersTest::SingleFileAndStartNumber() {
    RunSettings parameters;
    RunDialogState state;
    test::DialogChooser chooser;
    chooser.m_openFiles = {"", "/scans/plate.tif"}; // the first choice is cancelled
    test::RecordingMessages messages;
    RunParametersDialog dialog(parameters, state, chooser, messages);
    Activate(dialog);
    test::ClickBox(dialog.m_pOutputTiff);
    test::ClickBox(dialog.m_pStartNumber);
    dialog.m_pStartNumberText->setFocus();
    QTest::mouseClick(dialog.m_pSelectFiles, Qt::LeftButton); // focused, left empty: "0001"
    QVERIFY(!state.m_bFilesLoaded);
    QCOMPARE(parameters.m_strStartNumber, std::string("0001"));
    QTest::mouseClick(dialog.m_pSelectFiles, Qt::LeftButton);
    QVERIFY(state.m_bFilesLoaded);
    QCOMPARE(chooser.m_nOpenFile, 2);
    QVERIFY(chooser.m_folderCaptions.empty());
    QTest::mouseClick(dialog.m_pSaveParameters, Qt::LeftButton);
    QCOMPARE(messages.Texts(), (Texts{"Input File Selected: \n/scans/plate.tif\n"
                                      "Images in TIFF file: 6\n"
                                      "Approximate height of images in TIFF file (cms): 10\n"
                                      "Approximate width of images in TIFF file (cms): 8\n"
                                      "Files will start with number 0001 appended after file name.\n"
                                      "Now select Run from the File menu or use the shortcut key Ctrl+R.\n"
                                      "NOTE: TIFF format files will be produced.\n"
                                      "No binned output image will be produced.\n"}));
    QVERIFY(state.m_bSaved);
}

void DialogsRunParametersTest::DefaultSettingsKeepTheCheckBoxes() {
    RunSettings parameters;
    RunDialogState state;
    test::DialogChooser chooser;
    test::RecordingMessages messages;
    RunParametersDialog dialog(parameters, state, chooser, messages);
    Activate(dialog);
    test::ClickBox(dialog.m_pOutputTiff);
    test::Choose(dialog.m_pImageCount, 1);
    QCOMPARE(parameters.m_nImageCount, 2);
    QTest::mouseClick(dialog.m_pDefaultSettings, Qt::LeftButton);
    QCOMPARE(dialog.m_pImageCount->currentText(), QString("6"));
    QCOMPARE(dialog.m_pHeight->currentText(), QString("10"));
    QCOMPARE(dialog.m_pWidth->currentText(), QString("8"));
    QCOMPARE(dialog.m_pBinning->currentText(), QString("0"));
    QCOMPARE(parameters.m_nImageCount, 6);
    QVERIFY(dialog.m_pOutputTiff->isChecked());
    QVERIFY(parameters.m_bOutputTiff);
}

void DialogsRunParametersTest::ReopeningStartsFromTheDefaults() {
    RunSettings parameters;
    RunDialogState state;
    test::DialogChooser chooser;
    chooser.m_openFiles = {"/scans/plate.tif"};
    test::RecordingMessages messages;
    {
        RunParametersDialog dialog(parameters, state, chooser, messages);
        Activate(dialog);
        test::Choose(dialog.m_pBinning, 3);
        test::ClickBox(dialog.m_pBatchMode);
        test::ClickBox(dialog.m_pBatchMode);
        QTest::mouseClick(dialog.m_pSelectFiles, Qt::LeftButton);
        QTest::mouseClick(dialog.m_pSaveParameters, Qt::LeftButton);
        QVERIFY(state.m_bSaved);
    }
    RunParametersDialog again(parameters, state, chooser, messages);
    QVERIFY(!state.m_bSaved);
    QCOMPARE(parameters.m_nBinning, 0);
    QCOMPARE(again.m_pBinning->currentIndex(), -1);
    QVERIFY(!again.m_pBatchMode->isChecked());
    // The scan chosen before stays chosen and listed.
    QCOMPARE(parameters.m_strInputFiles[0], std::string("/scans/plate.tif"));
    QVERIFY(state.m_bFilesLoaded);
    QCOMPARE(again.m_pScans->count(), 1);
}

// With a memory, the dialog opens with the parameters last saved: lists, boxes, fields, and the
// finder. The finder list shows the classic search on opening; the sheet finder chosen there (with the
// deskew it enables) is what the Run gets and what the summary names.
void DialogsRunParametersTest::ReopeningShowsTheSavedParameters() {
    RunSettings parameters;
    RunDialogState state;
    test::DialogChooser chooser;
    chooser.m_openFiles = {"/scans/plate.tif"};
    chooser.m_folders.push_back("/out");
    test::RecordingMessages messages;
    MemorySettings memory;
    {
        RunParametersDialog dialog(parameters, state, chooser, messages, nullptr, &memory);
        QCOMPARE(Items(dialog.m_pFinder), (QStringList{"classic search", "sheet finder"}));
        QCOMPARE(dialog.m_pFinder->currentIndex(), 0);
        QVERIFY(LabelTexts(dialog).contains("Find the images by:"));
        Activate(dialog);
        QVERIFY(!dialog.m_pDeskew->isEnabled());
        test::Choose(dialog.m_pFinder, 1);
        QVERIFY(dialog.m_pDeskew->isEnabled());
        test::ClickBox(dialog.m_pDeskew);
        QVERIFY(parameters.m_bDeskew);
        // The defaults button keeps the finder.
        QTest::mouseClick(dialog.m_pDefaultSettings, Qt::LeftButton);
        QCOMPARE(dialog.m_pFinder->currentIndex(), 1);
        test::Choose(dialog.m_pBinning, 3);
        test::Choose(dialog.m_pImageCount, 1);
        test::ClickBox(dialog.m_pOutputDir);
        test::ClickBox(dialog.m_pStartNumber);
        test::Retype(dialog.m_pStartNumberText, "12");
        test::Retype(dialog.m_pPixelSize, "1.5");
        QTest::mouseClick(dialog.m_pSelectFiles, Qt::LeftButton);
        QTest::mouseClick(dialog.m_pSaveParameters, Qt::LeftButton);
        QVERIFY(state.m_bSaved);
        QVERIFY(parameters.m_finder == ImageFinder::Sheet);
        QVERIFY(messages.m_shown.back().m_strText.find("Images will be found by the sheet finder.") !=
                std::string::npos);
    }
    RunSettings nextSession;
    RunDialogState nextState;
    RunParametersDialog again(nextSession, nextState, chooser, messages, nullptr, &memory);
    QCOMPARE(again.m_pBinning->currentIndex(), 3);
    QCOMPARE(again.m_pImageCount->currentIndex(), 1);
    QVERIFY(again.m_pOutputDir->isChecked() && again.m_pStartNumber->isChecked());
    QCOMPARE(again.m_pStartNumberText->text(), QString("12"));
    QCOMPARE(again.m_pPixelSize->text(), QString("1.5"));
    QCOMPARE(again.m_pOutputFolder->text(), QString("/out/"));
    QCOMPARE(again.m_pScanCount->text(), QString("No scans chosen."));
    QCOMPARE(again.m_pFinder->currentIndex(), 1);
    QVERIFY(nextSession.m_finder == ImageFinder::Sheet);
    QVERIFY(again.m_pDeskew->isChecked());
    // The classic search takes the deskew with it.
    test::Choose(again.m_pFinder, 0);
    QVERIFY(!again.m_pDeskew->isChecked() && !again.m_pDeskew->isEnabled());
}

QTEST_MAIN(DialogsRunParametersTest)
#include "DialogsRunParametersTest.moc"
