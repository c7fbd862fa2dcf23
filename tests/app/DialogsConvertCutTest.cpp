// The "Convert / Cut Files Dialog ..." as the user works it.
#include "DialogsTestSupport.h"
#include "app/ConvertCutDialog.h"
#include "convert/ConvertMessages.h"
#include "core/TiffHandle.h"
#include "forms/ConvertCutForm.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <filesystem>
#include <memory>
#include <tiffio.h>

using namespace gc;
using Texts = std::vector<std::string>;

class DialogsConvertCutTest : public QObject {
    Q_OBJECT
private slots:
    void ControlsAndTexts();
    void KeyboardOrder();
    void ConvertAtOnceAsksForFiles();
    void GainFillsTheConstants();
    void DefaultsShowZeroCutFields();
    void LoadOfTheLastRun();
    void MoreThanHundredFilesAreRefused();
    void ConvertATiffAndClose();
    void FatalWriteEndsTheProgram();
};

namespace {

using test::Activate;
using test::Items;

// An 8-bit greyscale strip TIFF, one row per strip, with a gradient of values 1..250.
void WriteGreyTiff(const std::string& path, int width, int height) {
    gc::TiffHandle tiff(TIFFOpen(path.c_str(), "w"));
    QVERIFY(tiff != nullptr);
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, 1);
    std::vector<unsigned char> row(width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            row[x] = static_cast<unsigned char>(1 + (x + y) % 250);
        QVERIFY(TIFFWriteEncodedStrip(tiff.get(), y, row.data(), width) == width);
    }
}

} // namespace

void DialogsConvertCutTest::ControlsAndTexts() {
    test::DialogChooser chooser;
    test::RecordingMessages messages;
    ConvertCutDialog dialog(chooser, messages, {});
    QCOMPARE(dialog.windowTitle(), QString("Convert / Cut Files Dialog ..."));
    QCOMPARE(dialog.m_pLoadFiles->text(),
             QString("Load TIFF file(s) for Convert or Cut Operations... (Refer Help)"));
    QCOMPARE(dialog.m_pSetDefaults->text(), QString("Set Default Parameters"));
    QCOMPARE(dialog.m_pLoadLastRun->text(), QString("Load GAIN, a, x0, y0 of last run..."));
    QCOMPARE(dialog.m_pConvert->text(), QString("Convert"));
    QCOMPARE(dialog.m_pCut->text(), QString("Cut"));
    QCOMPARE(dialog.m_pNegative->text(), QString("Output Negative - Check for Yes"));
    QCOMPARE(
        dialog.m_pStatistics->text(),
        QString(
            "Display statistics (Min, Max, Mean and Standard Deviation of Pixel values) - Check for Yes"));
    QStringList groups;
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>())
        groups << group->title();
    QCOMPARE(groups, (QStringList{"Set Parameters for Convert...", "Set Parameters for Cut..."}));
    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    for (const char* text :
         {"a", "x0", "y0", "GAIN", "Select Bin Size for Output", "Output format 8/16 bit.", "Start X Pixel",
          "Start Y Pixel", "End X Pixel", "End Y Pixel",
          "Fitting equation (Refer Help Index):\ny = y0 + (a ln (abs(x - x0 ))),\nwhere a, x0,and  "
          "y0 constants."})
        QVERIFY2(labels.contains(text), text);

    const QStringList gains = Items(dialog.m_pGain);
    QCOMPARE(gains.size(), 41);
    QCOMPARE(gains.front(), QString("2.0"));
    QCOMPARE(gains[19], QString("0.1"));
    QCOMPARE(gains[20], QString("0.0"));
    QCOMPARE(gains[21], QString("-0.1"));
    QCOMPARE(gains.back(), QString("-2.0"));
    QCOMPARE(Items(dialog.m_pBinSize), (QStringList{"None", "2", "3", "4"}));
    QCOMPARE(Items(dialog.m_pOutputFormat), (QStringList{"Auto", "8 bit", "16 bit"}));
    // Opened: no list selection, the default constants, Cut fields 0, an empty bar.
    for (QComboBox* list : {dialog.m_pGain, dialog.m_pBinSize, dialog.m_pOutputFormat})
        QCOMPARE(list->currentIndex(), -1);
    QCOMPARE(dialog.m_pA->text(), QString("-0.4016"));
    QCOMPARE(dialog.m_pX0->text(), QString("-309"));
    QCOMPARE(dialog.m_pY0->text(), QString("4.402"));
    for (QLineEdit* field : {dialog.m_pStartX, dialog.m_pStartY, dialog.m_pEndX, dialog.m_pEndY})
        QCOMPARE(field->text(), QString("0"));
    QVERIFY(!dialog.m_pNegative->isChecked());
    QVERIFY(!dialog.m_pStatistics->isChecked());
    QCOMPARE(dialog.m_pProgress->minimum(), 0);
    QCOMPARE(dialog.m_pProgress->maximum(), 100);
    QCOMPARE(dialog.m_pProgress->value(), 0);

    // Checking "Output Negative" twice leaves it off.
    Activate(dialog);
    test::ClickBox(dialog.m_pNegative);
    QVERIFY(dialog.m_pNegative->isChecked());
    QVERIFY(dialog.Logic().m_bNegative);
    test::ClickBox(dialog.m_pNegative);
    QVERIFY(!dialog.m_pNegative->isChecked());
    QVERIFY(!dialog.Logic().m_bNegative);
}

void DialogsConvertCutTest::KeyboardOrder() {
    test::DialogChooser chooser;
    test::RecordingMessages messages;
    ConvertCutDialog dialog(chooser, messages, {});
    const QList<QWidget*> expected{dialog.m_pLoadFiles,  dialog.m_pConvert,      dialog.m_pA,
                                   dialog.m_pX0,         dialog.m_pY0,           dialog.m_pNegative,
                                   dialog.m_pBinSize,    dialog.m_pOutputFormat, dialog.m_pSetDefaults,
                                   dialog.m_pStatistics, dialog.m_pCut,          dialog.m_pStartX,
                                   dialog.m_pStartY,     dialog.m_pEndX,         dialog.m_pEndY,
                                   dialog.m_pGain,       dialog.m_pLoadLastRun};
    QList<QWidget*> order;
    QWidget* widget = dialog.m_pLoadFiles;
    do {
        if (expected.contains(widget))
            order << widget;
        widget = widget->nextInFocusChain();
    } while (widget != dialog.m_pLoadFiles && order.size() < expected.size());
    QCOMPARE(order, expected);
}

void DialogsConvertCutTest::ConvertAtOnceAsksForFiles() {
    test::DialogChooser chooser;
    test::RecordingMessages messages;
    ConvertCutDialog dialog(chooser, messages, {});
    Activate(dialog);
    QTest::mouseClick(dialog.m_pConvert, Qt::LeftButton);
    QCOMPARE(messages.Texts(), (Texts{MSG_LOAD_VALID_TIFF_FIRST}));
    QVERIFY(dialog.isVisible());
}

void DialogsConvertCutTest::GainFillsTheConstants() {
    test::DialogChooser chooser;
    test::RecordingMessages messages;
    ConvertCutDialog dialog(chooser, messages, {});
    Activate(dialog);
    test::Choose(dialog.m_pGain, 0);
    QCOMPARE(dialog.m_pA->text(), QString("-0.7913"));
    QCOMPARE(dialog.m_pX0->text(), QString("-12420."));
    QCOMPARE(dialog.m_pY0->text(), QString("9.194"));
    QCOMPARE(dialog.Logic().m_dGain, 2.0);
    test::Choose(dialog.m_pGain, 32);
    QCOMPARE(dialog.m_pGain->currentText(), QString("-1.2"));
    QCOMPARE(dialog.m_pA->text(), QString("-0.3983"));
    QCOMPARE(dialog.m_pX0->text(), QString("-87.68"));
    QCOMPARE(dialog.m_pY0->text(), QString("4.039"));
    test::Choose(dialog.m_pBinSize, 2);
    test::Choose(dialog.m_pOutputFormat, 2);
    QCOMPARE(dialog.Logic().m_nBinIndex, 2);
    QCOMPARE(dialog.Logic().m_nOutputFormat, 2);
    QVERIFY(messages.m_shown.empty());
}

void DialogsConvertCutTest::DefaultsShowZeroCutFields() {
    test::TempDir dir;
    test::DialogChooser chooser;
    chooser.m_fileLists.push_back({dir.File("a.tif")});
    test::RecordingMessages messages;
    ConvertCutDialog dialog(chooser, messages, {});
    Activate(dialog);
    QTest::mouseClick(dialog.m_pLoadFiles, Qt::LeftButton);
    QCOMPARE(chooser.m_nOpenFiles, 1);
    QCOMPARE(std::string(chooser.m_filters.at(0).m_szPatterns), std::string("*.tif;*.tiff"));
    test::Choose(dialog.m_pGain, 3);
    test::Choose(dialog.m_pBinSize, 1);
    test::ClickBox(dialog.m_pNegative);
    test::ClickBox(dialog.m_pStatistics);
    test::Retype(dialog.m_pStartX, "12");
    test::Retype(dialog.m_pEndX, "40");
    QTest::mouseClick(dialog.m_pSetDefaults, Qt::LeftButton);
    QCOMPARE(dialog.m_pGain->currentText(), QString("0.0"));
    QCOMPARE(dialog.m_pBinSize->currentText(), QString("None"));
    QCOMPARE(dialog.m_pOutputFormat->currentText(), QString("Auto"));
    QCOMPARE(dialog.m_pA->text(), QString("-0.4016"));
    QCOMPARE(dialog.m_pX0->text(), QString("-309"));
    QVERIFY(!dialog.m_pNegative->isChecked());
    QVERIFY(dialog.m_pStatistics->isChecked()); // left as it was
    QCOMPARE(dialog.m_pStartX->text(), QString("0"));
    QCOMPARE(dialog.m_pEndX->text(), QString("0"));
    QTest::mouseClick(dialog.m_pCut, Qt::LeftButton);
    QCOMPARE(messages.Texts(), (Texts{MSG_CUT_START_X_RANGE}));
    QVERIFY(dialog.isVisible());
}

void DialogsConvertCutTest::LoadOfTheLastRun() {
    test::TempDir dir;
    const std::string lastRun = dir.File("last_run_parameters.txt");
    const std::string text = "1.9\n-0.5\n-1000.25\n5.5\n";
    test::WriteFileBytes(lastRun, {text.begin(), text.end()});
    test::DialogChooser chooser;
    chooser.m_fileLists.push_back({dir.File("a.tif"), dir.File("b.tif")});
    test::RecordingMessages messages;
    ConvertCutDialog dialog(chooser, messages, {});
    dialog.Logic().m_strLastRunPath = lastRun;
    Activate(dialog);
    QTest::mouseClick(dialog.m_pLoadLastRun, Qt::LeftButton);
    QCOMPARE(messages.Texts(), (Texts{MSG_LOAD_TIFF_FIRST}));
    QCOMPARE(dialog.m_pA->text(), QString("-0.4016"));

    messages.m_shown.clear();
    QTest::mouseClick(dialog.m_pLoadFiles, Qt::LeftButton);
    QTest::mouseClick(dialog.m_pLoadLastRun, Qt::LeftButton);
    QVERIFY(messages.m_shown.empty());
    QCOMPARE(dialog.m_pGain->currentText(), QString("1.9"));
    QCOMPARE(dialog.m_pA->text(), QString("-0.5"));
    QCOMPARE(dialog.m_pX0->text(), QString("-1000.25"));
    QCOMPARE(dialog.m_pY0->text(), QString("5.5"));
}

void DialogsConvertCutTest::MoreThanHundredFilesAreRefused() {
    test::DialogChooser chooser;
    std::vector<std::string> hundred, more;
    for (int i = 0; i < 101; ++i)
        (i < 100 ? hundred : more).push_back("/scans/f" + std::to_string(i) + ".tif");
    more.insert(more.begin(), hundred.begin(), hundred.end());
    chooser.m_fileLists = {hundred, more};
    test::RecordingMessages messages;
    ConvertCutDialog dialog(chooser, messages, {});
    Activate(dialog);
    QTest::mouseClick(dialog.m_pLoadFiles, Qt::LeftButton);
    QCOMPARE(dialog.Logic().m_nTiffCount, 100);
    QTest::mouseClick(dialog.m_pLoadFiles, Qt::LeftButton);
    QCOMPARE(messages.Texts(), (Texts{MSG_MORE_THAN_100_FILES}));
    QCOMPARE(dialog.Logic().m_nTiffCount, 100);
    QVERIFY(dialog.Logic().m_bTiffLoaded);
}

void DialogsConvertCutTest::ConvertATiffAndClose() {
    test::TempDir dir;
    const std::string tiff = dir.File("film.tif");
    WriteGreyTiff(tiff, 64, 48);
    test::DialogChooser chooser;
    chooser.m_fileLists.push_back({tiff});
    test::RecordingMessages messages;
    int exitStatus = -1;
    ConvertCutDialog dialog(chooser, messages, [&exitStatus](int status) { exitStatus = status; });
    dialog.Logic().m_strLastRunPath = dir.File("last_run_parameters.txt");
    Activate(dialog);
    QTest::mouseClick(dialog.m_pLoadFiles, Qt::LeftButton);
    QTest::mouseClick(dialog.m_pConvert, Qt::LeftButton);
    QCOMPARE(messages.Texts().back(), std::string(MSG_DONE));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(exitStatus, -1);
    QCOMPARE(dialog.m_pProgress->value(), 100);
    const auto bytes = test::ReadFileBytes(dir.File("film.mrc"));
    QCOMPARE(bytes.size(), std::size_t{1024 + 4 * 64 * 48});
    QVERIFY(std::filesystem::exists(dir.File("last_run_parameters.txt")));
}

// The last-run file cannot be written: "WRITE ERROR…", then the program ends with status 1.
void DialogsConvertCutTest::FatalWriteEndsTheProgram() {
    test::TempDir dir;
    const std::string tiff = dir.File("film.tif");
    WriteGreyTiff(tiff, 16, 8);
    test::DialogChooser chooser;
    chooser.m_fileLists.push_back({tiff});
    test::RecordingMessages messages;
    std::vector<int> exits;
    ConvertCutDialog dialog(chooser, messages, [&exits](int status) { exits.push_back(status); });
    dialog.Logic().m_strLastRunPath = dir.File("gone/last_run_parameters.txt");
    Activate(dialog);
    QTest::mouseClick(dialog.m_pLoadFiles, Qt::LeftButton);
    QTest::mouseClick(dialog.m_pConvert, Qt::LeftButton);
    QCOMPARE(messages.Texts(), (Texts{MSG_WRITE_ERROR}));
    QCOMPARE(exits, std::vector<int>{1});
}

QTEST_MAIN(DialogsConvertCutTest)
#include "DialogsConvertCutTest.moc"
