// The desktop workflow where work could be lost: a Stop that stops whatever the bar is doing, the
// Run working on its own thread while the viewer stays usable, a quit during a Run, the results listing every
// scan, the windows fitting their screen, and the question about unsaved picks before another image opens.
#include "AppTestSupport.h"

#include "app/AppMessages.h"
#include "app/MainWindow.h"
#include "app/RunProgressDialog.h"
#include "app/RunResultsWindow.h"
#include "app/RunThread.h"
#include "app/WindowPlacement.h"
#include "image/TiffCodec.h"
#include "split/SplitMessages.h"
#include "tools/ScanGenerator.h"
#include "view/ImageView.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <thread>

namespace gc {
namespace {

std::string WriteGreyTiff(const test::TempDir& dir, const char* name, int width, int height) {
    DIBSection image;
    image.Create(width, height, 24);
    for (int y = 0; y < height; ++y)
        std::memset(image.MemoryRow(y), 90, static_cast<std::size_t>(3 * width));
    const std::string path = dir.File(name);
    test::RecordingMessages messages;
    WriteTiffFile(path, image, messages);
    return path;
}

// Three one-image scans, saved as the parameters of a batch Run.
std::vector<std::string> SaveBatch(test::TestApp& app, const test::TempDir& dir) {
    std::vector<std::string> scans;
    std::string error;
    for (const char* name : {"a.tif", "b.tif", "c.tif"}) {
        scans.push_back(dir.File(name));
        if (scans.size() == 1)
            QTest::qVerify(tools::GenerateScan(tools::OneImageSpec(), scans[0], nullptr, &error), "scan",
                           error.c_str(), __FILE__, __LINE__);
        else
            std::filesystem::copy_file(scans[0], scans.back());
    }
    RunSettings& parameters = app->m_runSettings;
    parameters.m_nImageCount = 1;
    parameters.m_nHeightCm = 9;
    parameters.m_nWidthCm = 7;
    parameters.m_bBatchMode = true;
    parameters.m_strInputFiles = scans;
    app->m_runState.m_bFilesLoaded = true;
    app->m_runState.m_bSaved = true;
    return scans;
}

RunResultsWindow* ShownResults() {
    RunResultsWindow* results = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<RunResultsWindow*>(widget); window && window->isVisible())
            results = window;
    return results;
}

int MrcFilesIn(const test::TempDir& dir) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        count += entry.path().extension() == ".mrc" ? 1 : 0;
    return count;
}

// The results of a batch stopped during its first scan, shown over the main window on its screen.
void CheckStoppedBatchResults(test::TestApp& app, const std::vector<std::string>& scans) {
    RunResultsWindow* results = ShownResults();
    QVERIFY(results != nullptr);
    QTableWidget* table = results->Table();
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(0, 0)->text(), QString::fromStdString(scans[0]));
    QVERIFY2(table->item(0, 3)->text().contains(RESULT_REASON_STOPPED),
             qPrintable(table->item(0, 3)->text()));
    for (int row : {1, 2}) {
        QCOMPARE(table->item(row, 0)->text(), QString::fromStdString(scans[static_cast<std::size_t>(row)]));
        QCOMPARE(table->item(row, 3)->text(), QString(RESULT_NOT_SPLIT));
    }
    QVERIFY2(results->Summary()->text().endsWith(", 2 not split"), qPrintable(results->Summary()->text()));
    test::Snapshot(*results, "results-stopped-batch");
    QVERIFY(results->screen() == app->GetFrame().screen());
    const QRect available = app->GetFrame().screen()->availableGeometry();
    QVERIFY(available.contains(results->geometry().center()));
    QVERIFY(results->width() <= available.width() && results->height() <= available.height());
    results->close();
}

} // namespace

class RunWorkflowTest : public QObject {
    Q_OBJECT

private slots:
    // A press of Stop is a click even when the bar takes the focus between press and release (the
    // Run moves it at every position), and the button then reads "Stopping…" and stays down. Esc and
    // the close box stop too, without hiding the window.
    void stopIsNeverLostToTheBarsFocus() {
        for (const char* way : {"button", "escape", "close box"}) {
            RunProgressWindow progress(nullptr);
            progress.SetRange(0, 100);
            progress.SetPos(10);
            RunProgressDialog& dialog = *progress.Dialog();
            QVERIFY(!dialog.isModal());
            if (QString(way) == "button") {
                QTest::mousePress(dialog.m_pStop, Qt::LeftButton);
                progress.SetPos(20);
                QVERIFY(dialog.m_progress->hasFocus() || !dialog.isActiveWindow());
                QTest::mouseRelease(dialog.m_pStop, Qt::LeftButton);
            } else if (QString(way) == "escape") {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                dialog.close();
            }
            QVERIFY2(progress.StopRequested(), way);
            QVERIFY2(dialog.isVisible(), way);
            QCOMPARE(dialog.m_pStop->text(), QString::fromUtf8(PROGRESS_STOPPING_BUTTON));
            test::Snapshot(dialog, "run-window-stopping");
            QVERIFY(!dialog.m_pStop->isEnabled());
        }
    }

    // The Run works on a thread of its own: while it splits the first scan of three, the viewer opens
    // an image and zooms (its events are handled meanwhile), and then Stop ends it with nothing
    // written; the results list all three scans, the first stopped and the two others never reached.
    // Closing the main window meanwhile asks; Yes stops the Run and the program ends once it has, with
    // no file half-written; No lets the Run go on.
    void theViewerWorksWhileTheRunSplits() {
        for (const char* way : {"stop", "quit", "keep running"}) {
            test::TempDir dir;
            const std::string picture = WriteGreyTiff(dir, "look.tif", 40, 30);
            test::TestApp app;
            const std::vector<std::string> scans = SaveBatch(app, dir);
            app.m_questions.m_answers = {QString(way) == "keep running" ? Answer::No : Answer::Yes};
            bool handled = false;
            bool zoomedDuringRun = false;
            app->m_fnRunProgressShown = [&](RunProgressDialog& dialog) {
                if (handled || !dialog.m_pFile->text().startsWith("a.tif"))
                    return;
                handled = true;
                // Handled by the event loop after this position, while the Run goes on splitting.
                QTimer::singleShot(0, &dialog, [&, pDialog = &dialog] {
                    QVERIFY(QApplication::activeModalWidget() == nullptr);
                    app.m_chooser.Answer(picture);
                    app->GetFrame().GetAction(ID_FILE_OPEN)->trigger();
                    const float zoom = app->m_fZoom;
                    app->GetFrame().GetAction(ID_ZOOM_IN)->trigger();
                    zoomedDuringRun = app->m_fZoom > zoom && app->m_runState.m_bRunning;
                    if (QString(way) == "stop")
                        QTest::mouseClick(pDialog->m_pStop, Qt::LeftButton);
                    else
                        QVERIFY(!app->GetFrame().close());
                });
            };
            app->OnCommand(ID_FILE_RUN);
            QVERIFY2(zoomedDuringRun, way);
            QCOMPARE(app->GetDocument().GetImagePath(), picture);
            QVERIFY(!app->m_runState.m_bRunning);
            if (QString(way) == "keep running") {
                QCOMPARE(app.m_messages.Texts(), std::vector<std::string>{MSG_RUN_COMPLETE});
                QCOMPARE(MrcFilesIn(dir), 3);
                QVERIFY(app->GetFrame().isVisible());
                ShownResults()->close();
                continue;
            }
            QCOMPARE(MrcFilesIn(dir), 0);
            // Nothing half-written: the folder holds the inputs alone.
            QCOMPARE(static_cast<int>(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                                    std::filesystem::directory_iterator())),
                     4);
            if (QString(way) == "stop") {
                QCOMPARE(app.m_messages.Texts(), std::vector<std::string>{MSG_RUN_STOPPED});
                QVERIFY(app->GetFrame().isVisible());
                CheckStoppedBatchResults(app, scans);
            } else {
                QCOMPARE(app.m_questions.m_asked, std::vector<std::string>{MSG_QUIT_DURING_RUN});
                QVERIFY(app.m_messages.Texts().empty());
                QVERIFY(!app->GetFrame().isVisible());
                QVERIFY(ShownResults() == nullptr);
            }
        }
    }

    // The messages of a Run on its thread reach the user on the user-interface thread, in order, each
    // one after the one before was confirmed; from the user-interface thread they are shown at once;
    // once abandoned, nothing more is shown and no caller waits.
    void messagesFromTheRunsThreadComeInOrder() {
        test::RecordingMessages shown;
        UiThreadCalls calls;
        ThreadMessages messages(shown, calls);
        std::vector<bool> onUiThread;
        std::thread worker([&] {
            for (int i = 0; i < 3; ++i)
                messages.Warning("message " + std::to_string(i));
            calls.Post([&] { onUiThread.push_back(calls.OnUiThread()); });
        });
        QTRY_COMPARE(onUiThread.size(), std::size_t{1});
        worker.join();
        QVERIFY(onUiThread[0]);
        QCOMPARE(shown.Texts(), (std::vector<std::string>{"message 0", "message 1", "message 2"}));
        messages.Information("here");
        QCOMPARE(shown.Texts().back(), std::string("here"));
        calls.Abandon();
        std::thread late([&] { messages.Warning("dropped"); });
        late.join();
        QTest::qWait(10);
        QCOMPARE(shown.Texts().size(), std::size_t{4});
    }

    // A scan skipped before its images were looked for gets one row with the reason.
    void aSkippedScanIsListedWithItsReason() {
        ScanRecord skipped;
        skipped.path = "/scans/strip.tif";
        skipped.outcome = ScanOutcome::Skipped;
        skipped.message = "/scans/strip.tif is not tiled. File is skipped.\nmore";
        ScanRecord done;
        done.path = "/scans/good.tif";
        ImageRecord image;
        image.number = 1;
        image.found = true;
        image.name = "/out/good_1.mrc";
        image.notWrittenReason = "its name is taken";
        done.images = {image};
        const std::vector<RunResultRow> rows =
            RunResultRows({skipped, done}, {"/scans/strip.tif", "/scans/good.tif", "/scans/late.tif"});
        QCOMPARE(rows.size(), std::size_t{3});
        QCOMPARE(rows[0].cells[3], QString("skipped: /scans/strip.tif is not tiled. File is skipped."));
        QCOMPARE(rows[1].cells[2], QString("/out/good_1.mrc"));
        QCOMPARE(rows[1].cells[3], QString("not written: its name is taken"));
        QCOMPARE(rows[2].cells[0], QString("/scans/late.tif"));
        QCOMPARE(rows[2].cells[3], QString(RESULT_NOT_SPLIT));
    }

    // A window fits the screen at any scaling (a 1366 × 768 screen at 1.5× is 910 × 512 units), and a
    // window over the main window stays on the main window's screen.
    void windowsFitTheirScreen() {
        QCOMPARE(FittedWindowSize({900, 700}, {1920, 1080}), QSize(900, 700));
        QCOMPARE(FittedWindowSize({900, 700}, {910, 482}), QSize(819, 433));
        struct Case {
            QRect owner, available, expected;
        } cases[] = {
            {{100, 100, 800, 600}, {0, 0, 1920, 1080}, {120, 220, 760, 360}},    // centred over the owner
            {{1500, 800, 800, 600}, {0, 0, 1920, 1080}, {1160, 720, 760, 360}},  // pulled back on screen
            {{2000, 0, 800, 600}, {1920, 0, 1280, 1024}, {2020, 120, 760, 360}}, // the second screen
            {{0, 0, 600, 300}, {0, 0, 640, 300}, {0, 0, 640, 300}},              // never larger than it
        };
        for (const Case& c : cases)
            QCOMPARE(PlaceOnOwnerScreen({760, 360}, c.owner, c.available), c.expected);
        test::TestApp app;
        const QRect screen = app->GetFrame().screen()->availableGeometry();
        QVERIFY(app->GetFrame().width() <= screen.width() && app->GetFrame().height() <= screen.height());
    }

    // Another image with unsaved picks asks "Save the picks of NAME?": Cancel keeps everything,
    // Discard drops the picks, Save writes them as a double click would; both then open the image.
    void unsavedPicksAreAskedAboutBeforeAnotherImage() {
        for (const Answer answer : {Answer::Cancel, Answer::Discard, Answer::Save}) {
            test::TempDir dir;
            const std::string first = WriteGreyTiff(dir, "first.tif", 80, 60);
            const std::string second = WriteGreyTiff(dir, "second.tif", 50, 50);
            test::TestApp app;
            app.m_chooser.Answer(first);
            app->OnFileOpen();
            app->m_pick.m_bPickMode = 1;
            app->m_pick.m_nMaskSize = 10;
            app->AddPick(PickPointer{{30, 30}, {0, 0}, 0});
            QCOMPARE(app->m_pick.m_nPickCount, 1);
            app.m_questions.m_answers = {answer};
            app.m_chooser.Answer(second);
            app->OnFileOpen();
            QCOMPARE(app.m_questions.m_asked, std::vector<std::string>{"Save the picks of first.tif?"});
            QCOMPARE(app->GetDocument().GetImagePath(), answer == Answer::Cancel ? first : second);
            QCOMPARE(app->m_pick.m_nPickCount, answer == Answer::Cancel ? 1 : 0);
            QCOMPARE(MrcFilesIn(dir), answer == Answer::Save ? 1 : 0);
            // Nothing to ask without picks.
            app.m_questions.m_asked.clear();
            app->m_pick.ClearPicks();
            app.m_chooser.Answer(first);
            app->OnFileOpen();
            QVERIFY(app.m_questions.m_asked.empty());
        }
    }

    // The pick settings offer the size accepted last time.
    void thePickSizeIsRememberedBetweenOpenings() {
        test::TestApp app;
        QStringList shown;
        app.m_dialogs.m_inspect = [&shown](QDialog& dialog) {
            auto* size = dialog.findChild<QLineEdit*>("MaskSize");
            shown << size->text();
            if (shown.size() == 1) {
                dialog.findChild<QCheckBox*>("PickMode")->click();
                size->setText("64");
                dialog.findChild<QPushButton*>("OK")->click();
            }
        };
        app->OnCommand(ID_TOOLS_SET_PICK_MODE);
        QCOMPARE(app->m_pick.m_nMaskSize, 64);
        app->OnCommand(ID_TOOLS_SET_PICK_MODE);
        QCOMPARE(shown, (QStringList{"0", "64"}));
    }
};

} // namespace gc

QTEST_MAIN(gc::RunWorkflowTest)
#include "RunWorkflowTest.moc"
