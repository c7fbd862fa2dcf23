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
#include <QPointer>
#include <QTableWidget>

#include <algorithm>
#include <filesystem>

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
