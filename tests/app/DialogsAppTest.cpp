// The dialogs behind the window's commands, worked as a user does: Run parameters set in the dialog
// and a Run started from the window on a generated scan; the Convert / Cut dialog opened by its
// command; picking three particles with the mouse after the settings dialog, and saving them.
#include "AppTestSupport.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/PickSettingsDialog.h"
#include "app/RunParametersDialog.h"
#include "forms/RunParametersForm.h"
#include "image/MrcHeader.h"
#include "image/TiffCodec.h"
#include "pick/PickMessages.h"
#include "pick/PickOperations.h"
#include "split/SplitMessages.h"
#include "tools/ScanGenerator.h"
#include "view/ImageView.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <filesystem>

namespace gc {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesEndingIn(const fs::path& folder, const std::string& ending) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= ending.size() &&
            name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
            names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// A press, a release, the double click and its release: what the window receives for a double click.
void DoubleClick(QWidget* widget, QPoint point) {
    QTest::mousePress(widget, Qt::LeftButton, {}, point);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, point);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, point, widget->mapToGlobal(point), Qt::LeftButton,
                            Qt::LeftButton, {});
    QApplication::sendEvent(widget, &doubleClick);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, point);
}

class DialogsAppTest : public QObject {
    Q_OBJECT
private slots:
    void RunFromTheWindow() {
        test::TempDir dir;
        const std::string scan = dir.File("film.tif");
        const tools::ScanSpec recipe = tools::OneImageSpec();
        std::string error;
        QVERIFY2(tools::GenerateScan(recipe, scan, nullptr, &error), error.c_str());

        test::TestApp app;
        // Without saved parameters the Run refuses.
        app->GetFrame().GetAction(ID_FILE_RUN)->trigger();
        QCOMPARE(app.m_messages.Texts(), std::vector<std::string>{MSG_PARAMETERS_NOT_SAVED});

        app.m_messages.m_shown.clear();
        app.m_chooser.Answer(scan);
        app.m_dialogs.m_inspect = [](QDialog& dialog) {
            auto& view = dynamic_cast<RunParametersDialog&>(dialog);
            Choose(view.m_pImageCount, 0); // 1 image
            Choose(view.m_pHeight, 0);     // 9 cm
            Choose(view.m_pWidth, 0);      // 7 cm
            QTest::mouseClick(view.m_pSelectFiles, Qt::LeftButton);
            QTest::mouseClick(view.m_pSaveParameters, Qt::LeftButton);
            QCOMPARE(view.result(), RUN_PARAMETERS_END_CODE);
        };
        app->GetFrame().GetAction(ID_FILE_PRESET_RUN_PARAMETERS)->trigger();
        QCOMPARE(app.m_dialogs.m_titles, QStringList{"Set Run Parameters"});
        QVERIFY(app->m_runState.m_bSaved);
        QCOMPARE(app.m_messages.Texts().size(), std::size_t{1}); // the summary
        QVERIFY(app.m_messages.Texts()[0].find("Images in TIFF file: 1\n") != std::string::npos);

        app.m_messages.m_shown.clear();
        app->GetFrame().GetAction(ID_FILE_RUN)->trigger();
        QCOMPARE(app.m_messages.Texts(), std::vector<std::string>{MSG_RUN_COMPLETE});
        QVERIFY(app.m_exits.empty());
        const auto outputs = FilesEndingIn(dir.Path(), ".mrc");
        QCOMPARE(outputs.size(), std::size_t{1});
        const auto header = test::ReadFileBytes(outputs[0]);
        QVERIFY(header.size() > std::size_t(MRC_HEADER_SIZE));
        QCOMPARE(GetInt32LE(header.data()), 10171);
        QCOMPARE(GetInt32LE(header.data() + 4), 12870);
        // Picking now names its files after the Run's input.
        QCOMPARE(app->m_pick.m_strOpenFilePath, scan);
    }

    void ConvertDialogFromItsCommand() {
        test::TestApp app;
        QString a;
        app.m_dialogs.m_inspect = [&a](QDialog& dialog) { a = dialog.findChild<QLineEdit*>("A")->text(); };
        app->GetFrame().GetAction(ID_TOOLS_TRANSMITTIVITY_TO_OD)->trigger();
        QCOMPARE(app.m_dialogs.m_titles, QStringList{"Convert / Cut Files Dialog ..."});
        QCOMPARE(a, QString("-0.4016"));
    }

    void PickThreeParticlesAndSave() {
        test::TempDir dir;
        const std::string path = dir.File("grid.tif");
        DIBSection picture;
        picture.Create(300, 200, 24);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x) {
                unsigned char* pixel = picture.MemoryRow(199 - y) + 3 * x;
                pixel[0] = pixel[1] = pixel[2] = static_cast<unsigned char>((3 * x + 5 * y) % 256);
            }
        test::RecordingMessages silent;
        QCOMPARE(WriteTiffFile(path, picture, silent), 300 * 200);

        test::TestApp app;
        app.m_chooser.Answer(path);
        app->GetFrame().GetAction(ID_FILE_OPEN)->trigger();
        QCOMPARE(app->GetDocument().GetImageCount(), 1);

        // The settings: pick mode on, boxes of 20 pixels, one file per box.
        app.m_dialogs.m_inspect = [](QDialog& dialog) {
            auto& settings = dynamic_cast<PickSettingsDialog&>(dialog);
            QTest::mouseClick(settings.PickModeBox(), Qt::LeftButton, {},
                              QPoint(6, settings.PickModeBox()->height() / 2));
            settings.MaskSizeEdit()->selectAll();
            QTest::keyClicks(settings.MaskSizeEdit(), "20");
            QTest::mouseClick(settings.OkButton(), Qt::LeftButton);
            QCOMPARE(settings.result(), PICK_MASK_END_CODE);
        };
        app->GetFrame().GetAction(ID_TOOLS_SET_PICK_MODE)->trigger();
        QCOMPARE(app.m_dialogs.m_titles, QStringList{"Particle Pick Settings ..."});
        QCOMPARE(app->m_pick.m_bPickMode, 1);
        QCOMPARE(app->m_pick.m_nMaskSize, 20);

        QWidget* viewport = app->GetView().viewport();
        for (QPoint centre : {QPoint(40, 40), QPoint(120, 60), QPoint(200, 150), QPoint(45, 45)})
            QTest::mouseClick(viewport, Qt::RightButton, {}, centre);
        QCOMPARE(app->m_pick.m_nPickCount, 3); // (45, 45) touches the first centre
        // A double click on the second box removes it, then saves the other two.
        DoubleClick(viewport, QPoint(125, 55));
        QCOMPARE(app.m_messages.Texts(), std::vector<std::string>{pick_text::SAVED});
        const auto boxes = FilesEndingIn(dir.Path(), ".mrc");
        QCOMPARE(boxes.size(), std::size_t{2});
        QCOMPARE(app->m_pick.m_bPickMode, 0);
        QCOMPARE(app->m_pick.m_nPickCount, 0);

        const PixelStore& shown = *app->GetDocument().GetImage(0);
        std::vector<float> firstSamples;
        for (const std::string& box : boxes) {
            const auto bytes = test::ReadFileBytes(box);
            QCOMPARE(bytes.size(), std::size_t{1024 + 4 * 20 * 20});
            QCOMPARE(GetInt32LE(bytes.data()), 20);
            firstSamples.push_back(GetFloatLE(bytes.data() + MRC_HEADER_SIZE));
        }
        // Boxes 1 and 2 are the first and third picks; their first sample is their top-left pixel.
        QVERIFY(boxes[0].find("_Image_Number_1.mrc") != std::string::npos);
        QVERIFY(boxes[1].find("_Image_Number_2.mrc") != std::string::npos);
        QCOMPARE(firstSamples[0], shown.BoxValue(30, 30));
        QCOMPARE(firstSamples[1], shown.BoxValue(190, 140));
    }
};

} // namespace
} // namespace gc

QTEST_MAIN(gc::DialogsAppTest)
#include "DialogsAppTest.moc"
