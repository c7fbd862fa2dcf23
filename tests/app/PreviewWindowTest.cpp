// The Preview Placements command from the Tools menu: a batch of generated scans (one the Run splits,
// one that is no TIFF, one that would stop a Run, a copy of the first) is previewed without a file
// written or the program ended, and the window shows each scan's table and picture or outcome; the
// command refuses as the Run does.
#include "AppTestSupport.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/PlacementPreviewWindow.h"
#include "split/SplitMessages.h"
#include "tools/ScanGenerator.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace gc {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FilesUnder(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            names.push_back(fs::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<PlacementPreviewWindow*> PreviewWindows(test::TestApp& app) {
    std::vector<PlacementPreviewWindow*> windows;
    for (PlacementPreviewWindow* window : app->GetFrame().findChildren<PlacementPreviewWindow*>())
        windows.push_back(window);
    return windows;
}

bool ProgressWindowShown() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == "Run Progress Indicator...")
            return true;
    return false;
}

QStringList TableRow(QTableWidget* table, int row) {
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c)
        cells << table->item(row, c)->text();
    return cells;
}

// The parameters SAVE PARAMETERS leaves for a batch of 1-image scans, numbered from 7.
void SaveParameters(RunSettings& parameters, RunDialogState& state, const std::vector<std::string>& files) {
    parameters.m_nImageCount = 1;
    parameters.m_nHeightCm = 9;
    parameters.m_nWidthCm = 7;
    parameters.m_bBatchMode = true;
    parameters.m_bStartNumber = true;
    parameters.m_strStartNumber = "0007";
    parameters.m_strInputFiles = files;
    state.m_bFilesLoaded = true;
    state.m_bSaved = true;
}

// A left-button press, a move with the button held and a release on `widget`.
void Drag(QWidget* widget, QPointF from, QPointF to) {
    const auto send = [widget](QEvent::Type type, QPointF at, Qt::MouseButtons held) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    };
    send(QEvent::MouseButtonPress, from, Qt::LeftButton);
    send(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    send(QEvent::MouseMove, to, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// The first row of a classic MRC file (mode 0, rows after the 1024-byte header).
std::vector<unsigned char> FirstMrcRow(const std::string& path, int width) {
    std::ifstream file(path, std::ios::binary);
    file.seekg(1024);
    std::vector<unsigned char> row(static_cast<std::size_t>(width));
    file.read(reinterpret_cast<char*>(row.data()), width);
    return file ? row : std::vector<unsigned char>{};
}

class PreviewWindowTest : public QObject {
    Q_OBJECT
private slots:
    void batchIsPreviewedScanByScanWithoutWriting() {
        test::TempDir dir;
        fs::create_directories(dir.Path() / "a");
        fs::create_directories(dir.Path() / "b");
        tools::ScanSpec plate = tools::OneImageSpec();
        plate.m_compression = tools::ScanCompression::Deflate;
        const std::string first = dir.File("a/plate.tif");
        std::string error;
        QVERIFY2(tools::GenerateScan(plate, first, nullptr, &error), error.c_str());
        const std::string copy = dir.File("b/plate.tif");
        fs::copy_file(first, copy);
        // Too narrow for three columns of 7 cm images: a Run ends the program at this scan.
        tools::ScanSpec narrow = plate;
        narrow.m_nImages = 0;
        narrow.m_nWidth = 7168;
        narrow.m_nHeight = 16384;
        const std::string tooNarrow = dir.File("narrow.tif");
        QVERIFY2(tools::GenerateScan(narrow, tooNarrow, nullptr, &error), error.c_str());
        const std::string junk = dir.File("junk.tif");
        test::WriteFileBytes(junk, {'n', 'o', 't', ' ', 'a', ' ', 't', 'i', 'f', 'f'});
        const std::vector<std::string> inputs = FilesUnder(dir.Path());

        test::TestApp app;
        SaveParameters(app->m_runSettings, app->m_runState, {first, junk, tooNarrow, copy});
        app->GetFrame().GetAction(ID_TOOLS_PREVIEW_PLACEMENTS)->trigger();

        // Nothing written, the program goes on, no "Run Complete.", the busy flag and progress gone.
        QCOMPARE(FilesUnder(dir.Path()), inputs);
        QVERIFY(app.m_exits.empty());
        QVERIFY(!app->m_runState.m_bRunning);
        QVERIFY(app->m_runState.m_bSaved);
        QVERIFY(!ProgressWindowShown());
        const std::vector<std::string> texts = app.m_messages.Texts();
        QVERIFY(std::find(texts.begin(), texts.end(), MSG_RUN_COMPLETE) == texts.end());
        // The messages a Run would show (the TIFF library's error about the junk file first), then the
        // preview's own message where a Run would end the program.
        QCOMPARE(texts.size(), std::size_t{4});
        const std::vector<std::string> shown(texts.begin() + 1, texts.end());
        QCOMPARE(shown, (std::vector<std::string>{junk + MSG_INVALID_TIFF, MSG_BINNED_IMAGE,
                                                  tooNarrow + MSG_PREVIEW_WOULD_STOP}));

        const std::vector<PlacementPreviewWindow*> windows = PreviewWindows(app);
        QCOMPARE(windows.size(), std::size_t{1});
        PlacementPreviewWindow& window = *windows[0];
        QVERIFY(window.isVisible());
        QVERIFY(!window.isModal());
        QCOMPARE(window.windowTitle(), QString("Preview Placements"));
        QCOMPARE(window.ScanList()->count(), 4);

        const tools::PlacedImage placed = tools::PlanPlacements(plate)[0];
        const QString corner = QString("%1, %2").arg(placed.m_nX).arg(placed.m_nY);
        struct Expected {
            QString listText;
            std::vector<QStringList> rows;
            QString outcomeStart; // empty: the picture is shown
            const char* outcomeHas;
        };
        const Expected expected[] = {
            {"plate.tif — 1 of 1 found",
             {{"1", QString::fromStdString(dir.File("a/plate_7.mrc")), corner, "10171 × 12870", "found", ""}},
             "",
             ""},
            {"junk.tif — skipped", {}, PREVIEW_SKIPPED, MSG_INVALID_TIFF},
            {"narrow.tif — would stop the Run", {}, PREVIEW_STOPPED, MSG_READ_ERROR},
            // Numbering goes on across the batch as in the Run.
            {"plate.tif — 1 of 1 found",
             {{"1", QString::fromStdString(dir.File("b/plate_8.mrc")), corner, "10171 × 12870", "found", ""}},
             "",
             ""},
        };
        for (int s = 0; s < 4; ++s) {
            const Expected& e = expected[s];
            window.ShowScan(s);
            QCOMPARE(window.CurrentScan(), s);
            QCOMPARE(window.ScanList()->item(s)->text(), e.listText);
            QCOMPARE(window.Table()->rowCount(), static_cast<int>(e.rows.size()));
            for (int r = 0; r < static_cast<int>(e.rows.size()); ++r)
                QCOMPARE(TableRow(window.Table(), r), e.rows[r]);
            if (e.outcomeStart.isEmpty()) {
                // The scan reduced by 7 (its longer side to at most 2,000 pixels), fitted into the window.
                QVERIFY(window.Picture()->isVisible());
                QVERIFY(!window.Picture()->Pixmap().isNull());
                QCOMPARE(window.Picture()->Pixmap().size(), QSize(1500, 1902));
                const QRect shown = window.Picture()->PictureRect();
                QVERIFY(window.Picture()->rect().contains(shown));
                QVERIFY(shown.width() > 0 && shown.height() > 0);
                QVERIFY(std::abs(shown.width() * 1902 - shown.height() * 1500) <= 1902);
            } else {
                QVERIFY(!window.Picture()->isVisible());
                QVERIFY(window.OutcomeLabel()->isVisible());
                QVERIFY(window.OutcomeLabel()->text().startsWith(e.outcomeStart));
                QVERIFY(window.OutcomeLabel()->text().contains(e.outcomeHas));
            }
        }
        QCOMPARE(window.SummaryLabel()->text(),
                 QString("4 scan(s): 2 split, 1 skipped, 1 would stop the Run. "
                         "2 of 2 expected images found; no file was written."));

        // Closing the window removes it.
        QPointer<PlacementPreviewWindow> closed(&window);
        window.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(closed.isNull());
    }

    void tableNamesClashesAndMissingImages() {
        ScanRecord record;
        ImageRecord clashing;
        clashing.number = 1;
        clashing.found = true;
        clashing.x = 120;
        clashing.y = 340;
        clashing.width = 11625;
        clashing.height = 14300;
        clashing.name = "/s/plate_1.mrc";
        clashing.notWrittenReason = std::string("/s/plate_1.mrc") + MSG_CLASHES_WITH_INPUT;
        clashing.warnings = {"overlaps image 2", "runs 900 rows past the bottom of the scan"};
        ImageRecord missing;
        missing.number = 2;
        missing.width = 11625;
        missing.height = 14300;
        record.images = {clashing, missing};
        const std::vector<PreviewRow> rows = PreviewRows(record);
        QCOMPARE(rows.size(), std::size_t{2});
        QCOMPARE(QStringList(std::begin(rows[0].cells), std::end(rows[0].cells)),
                 QStringList({"1", "/s/plate_1.mrc", "120, 340", "11625 × 14300",
                              "found, would not be written: /s/plate_1.mrc is an input of this Run.",
                              "overlaps image 2; runs 900 rows past the bottom of the scan"}));
        QCOMPARE(QStringList(std::begin(rows[1].cells), std::end(rows[1].cells)),
                 QStringList({"2", "", "", "11625 × 14300", "not found", ""}));
        record.path = "/s/plate.tif";
        QCOMPARE(ScanListText(record), QString("plate.tif — 1 of 2 found"));
    }

    // A person drags image 1's rectangle on the picture, then types its corner (a refused text first);
    // "Run with these corners" cuts it there.
    void correctedCornersAreRun() {
        test::TempDir dir;
        const tools::ScanSpec plate = tools::OneImageSpec();
        const std::string scan = dir.File("plate.tif");
        std::string error;
        std::vector<tools::PlacedImage> placed;
        QVERIFY2(tools::GenerateScan(plate, scan, &placed, &error), error.c_str());
        test::TestApp app;
        SaveParameters(app->m_runSettings, app->m_runState, {scan});
        app->GetFrame().GetAction(ID_TOOLS_PREVIEW_PLACEMENTS)->trigger();
        QCOMPARE(PreviewWindows(app).size(), std::size_t{1});
        PlacementPreviewWindow& window = *PreviewWindows(app)[0];
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.RunCorrectedButton()->isEnabled());

        // The picture's pixels per scan pixel, and image 1's centre on the widget.
        ScaledPicture* picture = window.Picture();
        const QRect shown = picture->PictureRect();
        const double zoom = static_cast<double>(shown.width()) / plate.m_nWidth;
        const tools::PlacedImage& image = placed[0];
        const QPointF centre =
            QPointF(shown.topLeft()) +
            QPointF(image.m_nX + image.m_nWidth / 2.0, image.m_nY + image.m_nHeight / 2.0) * zoom;
        Drag(picture, centre, centre + QPointF(20, 30));
        QCOMPARE(window.Corrections().size(), std::size_t{1});
        const ImageRecord dragged = window.Corrections().begin()->second.at(0);
        QVERIFY(dragged.setByHand && dragged.found && dragged.number == 1);
        QVERIFY2(std::abs(dragged.x - (image.m_nX + 20 / zoom)) <= 2 / zoom,
                 std::to_string(dragged.x).c_str());
        QVERIFY2(std::abs(dragged.y - (image.m_nY + 30 / zoom)) <= 2 / zoom,
                 std::to_string(dragged.y).c_str());
        QCOMPARE(window.Table()->item(0, 2)->text(), QString("%1, %2").arg(dragged.x).arg(dragged.y));
        QCOMPARE(window.Table()->item(0, 4)->text(), QString(PREVIEW_SET_BY_HAND));
        QVERIFY(window.RunCorrectedButton()->isEnabled());

        // Typed: a text that is no corner is refused and the cell shows the corner in force.
        QVERIFY(window.Table()->item(0, 2)->flags() & Qt::ItemIsEditable);
        window.Table()->item(0, 2)->setText("12; 40");
        QCOMPARE(window.HintLabel()->text(), QString(PREVIEW_CORNER_NOT_CORRECT));
        QCOMPARE(window.Corrections().begin()->second.at(0).x, dragged.x);
        QCOMPARE(window.Table()->item(0, 2)->text(), QString("%1, %2").arg(dragged.x).arg(dragged.y));
        const int x = image.m_nX + 37, y = image.m_nY + 211;
        window.Table()->item(0, 2)->setText(QString(" %1 ,%2").arg(x).arg(y));
        QCOMPARE(window.Corrections().begin()->second.at(0).x, x);
        QCOMPARE(window.Corrections().begin()->second.at(0).y, y);

        QTest::mouseClick(window.RunCorrectedButton(), Qt::LeftButton);
        QVERIFY(app.m_exits.empty());
        const std::vector<std::string> texts = app.m_messages.Texts();
        QVERIFY(std::find(texts.begin(), texts.end(), MSG_RUN_COMPLETE) != texts.end());
        // The output starts at the typed corner, not at the one found.
        const std::vector<unsigned char> first = FirstMrcRow(dir.File("plate_7.mrc"), image.m_nWidth);
        QCOMPARE(first.size(), static_cast<std::size_t>(image.m_nWidth));
        const tools::ScanPainter painter(plate, placed);
        std::vector<unsigned char> expected(first.size()), found(first.size());
        painter.RenderRow(y, x, image.m_nWidth, expected.data());
        painter.RenderRow(image.m_nY, image.m_nX, image.m_nWidth, found.data());
        QVERIFY(first == expected);
        QVERIFY(first != found);
    }

    void cornerTexts() {
        int x = -1, y = -1;
        QVERIFY(CornerFromText("12, 40", 100, 50, x, y) && x == 12 && y == 40);
        QVERIFY(CornerFromText(" 0 ,0 ", 100, 50, x, y) && x == 0 && y == 0);
        for (const char* refused : {"12; 40", "-1, 3", "100, 3", "3, 50", "1.5, 2", "12", "", "1e3, 2"})
            QVERIFY2(!CornerFromText(refused, 100, 50, x, y), refused);
    }

    // (The refusal during a Run is checked with every other command in the shell's tests.)
    void refusedWithoutSavedParameters() {
        test::TestApp app;
        app->m_runSettings.m_strInputFiles = {"/no/such/scan.tif"};
        app->m_runState.m_bFilesLoaded = true;
        app->GetFrame().GetAction(ID_TOOLS_PREVIEW_PLACEMENTS)->trigger();
        QCOMPARE(app.m_messages.Texts(), std::vector<std::string>{MSG_PARAMETERS_NOT_SAVED});
        QVERIFY(PreviewWindows(app).empty());
        QVERIFY(!ProgressWindowShown());
        QVERIFY(!app->m_runState.m_bRunning);
    }
};

} // namespace
} // namespace gc

QTEST_MAIN(gc::PreviewWindowTest)
#include "PreviewWindowTest.moc"
