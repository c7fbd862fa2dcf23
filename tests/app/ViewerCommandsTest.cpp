// The viewer's commands in the running program (offscreen): Fit to Window, Actual Size and the
// Ctrl+wheel zoom about the pointer, the status bar's position and value panes for an MRC and a TIFF
// file, Auto Contrast leaving the document alone, Undo Last Pick and the pick pane, the Run's Stop
// and results window, and Help finding the guide.
#include "AppTestSupport.h"

#include "app/AppMessages.h"
#include "app/HelpGuide.h"
#include "app/MainWindow.h"
#include "app/RunProgressDialog.h"
#include "app/RunResultsWindow.h"
#include "image/MrcHeader.h"
#include "image/TiffCodec.h"
#include "split/SplitMessages.h"
#include "tools/ScanGenerator.h"
#include "view/ImageListWindow.h"
#include "view/ImageView.h"

#include <QDockWidget>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QWheelEvent>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace gc {
namespace {

// A width × height float MRC whose pixel (x, y) holds x / 2 − y / 4 + 0.125.
// (Every section alike.)
std::string WriteFloatMrc(const test::TempDir& dir, int width, int height, int sections = 1) {
    MrcHeader header;
    header.SetImage(width, height, MRC_MODE_FLOAT, sections);
    const auto bytes = header.Bytes();
    std::vector<unsigned char> file(bytes.begin(), bytes.end());
    for (int y = 0; y < height * sections; ++y)
        for (int x = 0; x < width; ++x) {
            const float value = static_cast<float>(x) / 2 - static_cast<float>(y % height) / 4 + 0.125f;
            unsigned char sample[4];
            std::memcpy(sample, &value, 4);
            file.insert(file.end(), sample, sample + 4);
        }
    const std::string path = dir.File("float.mrc");
    test::WriteFileBytes(path, file);
    return path;
}

// A grey TIFF whose pixel (x, y) has level (x + 3y) mod 200 + 20: nothing near black or white.
std::string WriteGreyTiff(const test::TempDir& dir, int width, int height) {
    DIBSection image;
    image.Create(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memset(image.MemoryRow(height - 1 - y) + 3 * x, (x + 3 * y) % 200 + 20, 3);
    const std::string path = dir.File("grey.tif");
    test::RecordingMessages messages;
    WriteTiffFile(path, image, messages);
    return path;
}

void Open(test::TestApp& app, const std::string& path) {
    app.m_chooser.Answer(path);
    app->OnFileOpen();
}

void MoveTo(ImageView& view, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, view.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
}

void CtrlWheel(ImageView& view, QPoint at, int delta) {
    QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
}

} // namespace

class ViewerCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void fitActualSizeAndWheelZoomKeepThePointUnderThePointer() {
        test::TempDir dir;
        test::TestApp app;
        app->GetFrame().resize(700, 500);
        QApplication::processEvents();
        Open(app, WriteGreyTiff(dir, 1500, 1100));
        QApplication::processEvents();
        ImageView& view = app->GetView();
        QCOMPARE(app->m_fZoom, 1.0f); // the factor still starts at 1.0
        QCOMPARE(app->GetFrame().GetStatusBarWidget()->currentMessage(), QString(MSG_FIT_HINT));

        app->OnCommand(ID_VIEW_FIT_TO_WINDOW);
        QTest::qWait(20); // the scroll bars go
        const QSize client = view.viewport()->size();
        QVERIFY(app->m_fZoom < 0.5f);
        QVERIFY(view.GetZoomedSize().cx <= client.width() && view.GetZoomedSize().cy <= client.height());
        QVERIFY(view.GetZoomedSize().cx >= client.width() - 1 ||
                view.GetZoomedSize().cy >= client.height() - 1);

        // Ctrl+wheel in and out from a place inside the picture: the pixel under the pointer stays.
        app->OnCommand(ID_VIEW_ACTUAL_SIZE);
        QTest::qWait(20);
        view.ScrollTo({300, 300});
        const QPoint at(150, 120);
        const QString start = view.PointerTexts({at.x(), at.y()}).first;
        QCOMPARE(start, QString("x 451, y 421"));
        for (const int delta : {120, 240, -120, -240}) {
            const float zoom = app->m_fZoom;
            CtrlWheel(view, at, delta);
            QVERIFY(delta > 0 ? app->m_fZoom > zoom : app->m_fZoom < zoom);
            // Resampling to the nearest pixel may land on a neighbour, never further.
            const QStringList now = view.PointerTexts({at.x(), at.y()})
                                        .first.split(QRegularExpression("[^0-9]+"), Qt::SkipEmptyParts);
            QCOMPARE(now.size(), 2);
            QVERIFY2(std::abs(now[0].toInt() - 451) <= 1 && std::abs(now[1].toInt() - 421) <= 1,
                     qPrintable(now.join(",")));
        }
        QCOMPARE(app->GetFrame().GetZoomPane()->text(), QString("Zoom 100%"));
        // The documented keys still step by 0.05 from wherever the factor is.
        app->OnCommand(ID_VIEW_ACTUAL_SIZE);
        QCOMPARE(app->m_fZoom, 1.0f);
        app->OnCommand(ID_ZOOM_OUT);
        QCOMPARE(app->m_fZoom, 0.949999988079071f);
        // A Run in progress does not hold the viewer back.
        app->m_runState.m_bRunning = true;
        app->OnCommand(ID_VIEW_ACTUAL_SIZE);
        QCOMPARE(app->m_fZoom, 1.0f);
        app->m_runState.m_bRunning = false;
    }

    void statusBarShowsPositionAndTheFilesOwnValue() {
        test::TempDir dir;
        struct Case {
            std::string path;
            QPoint pointer;
            QString position, value;
        };
        const Case cases[] = {
            {WriteFloatMrc(dir, 64, 48), {10, 20}, "x 11, y 21", "value 0.125"}, // 5 − 5 + 0.125
            {WriteFloatMrc(dir, 64, 48), {63, 1}, "x 64, y 2", "value 31.375"},
            {WriteGreyTiff(dir, 64, 48), {10, 20}, "x 11, y 21", "grey 90"}, // (10 + 60) + 20
        };
        for (const Case& c : cases) {
            test::TestApp app;
            Open(app, c.path);
            ImageView& view = app->GetView();
            MoveTo(view, c.pointer);
            QCOMPARE(app->GetFrame().GetPositionPane()->text(), c.position);
            QCOMPARE(app->GetFrame().GetValuePane()->text(), c.value);
            // Beyond the picture the panes are empty.
            MoveTo(view, {300, 300});
            QVERIFY(app->GetFrame().GetPositionPane()->text().isEmpty());
        }
    }

    // The image list docks at the side with a picture per entry; filling it leaves the shown image
    // the document's current one.
    void imageListDocksWithThumbnails() {
        test::TempDir dir;
        test::TestApp app;
        Open(app, WriteFloatMrc(dir, 40, 30, 3));
        ImageView& view = app->GetView();
        QVERIFY(view.IsImageListVisible());
        auto* dock = qobject_cast<QDockWidget*>(view.GetDirDlg().parentWidget());
        QVERIFY(dock != nullptr);
        QCOMPARE(app->GetFrame().dockWidgetArea(dock), Qt::LeftDockWidgetArea);
        QListWidget& list = view.GetDirDlg().GetList();
        QCOMPARE(list.count(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(list.item(i)->text(), QString("image%1").arg(i + 1));
            QVERIFY(!list.item(i)->icon().isNull());
        }
        QCOMPARE(app->GetDocument().GetCurrentImage(), 0);
        app->OnCommand(ID_VIEW_IMAGE_LIST);
        QVERIFY(!view.IsImageListVisible() && !dock->isVisible());

        // File ▸ Open Recent: newest first, and its entry opens the file again.
        const std::string mrc = app->GetDocument().GetImagePath();
        Open(app, WriteGreyTiff(dir, 20, 20));
        QCOMPARE(app->RecentFiles().mid(0, 2),
                 QStringList({QString::fromStdString(dir.File("grey.tif")), QString::fromStdString(mrc)}));
        QMenu* recent = app->GetFrame().GetRecentMenu();
        QVERIFY(recent->actions().size() >= 2 && recent->actions().size() <= RECENT_FILE_COUNT);
        recent->actions()[1]->trigger();
        QCOMPARE(app->GetDocument().GetImagePath(), mrc);
        QCOMPARE(app->GetDocument().GetImageCount(), 3);
    }

    void autoContrastChangesTheDisplayOnly() {
        test::TempDir dir;
        test::TestApp app;
        Open(app, WriteGreyTiff(dir, 120, 90));
        ImageView& view = app->GetView();
        const QImage plain = view.viewport()->grab().toImage();
        app.m_chooser.Answer(dir.File("before.tif"), 2);
        app->OnFileSave();

        app->OnCommand(ID_VIEW_AUTO_CONTRAST);
        QVERIFY(app->GetFrame().GetAction(ID_VIEW_AUTO_CONTRAST)->isChecked());
        const QImage stretched = view.viewport()->grab().toImage();
        // Level 20 (the darkest) shows black, 219 (the brightest) white.
        QCOMPARE(qGray(plain.pixel(0, 0)), 20);
        QCOMPARE(qGray(stretched.pixel(0, 0)), 0);
        QCOMPARE(qGray(stretched.pixel(199 - 3 * 60, 60)), 255);
        app.m_chooser.Answer(dir.File("after.tif"), 2);
        app->OnFileSave();
        QCOMPARE(test::ReadFileBytes(dir.File("after.tif")), test::ReadFileBytes(dir.File("before.tif")));
    }

    void undoRemovesTheLastBoxAndThePanesFollowPicking() {
        test::TempDir dir;
        test::TestApp app;
        Open(app, WriteGreyTiff(dir, 200, 150));
        app->m_pick.m_bPickMode = 1;
        app->m_pick.m_nMaskSize = 20;
        for (const ViewPoint at : {ViewPoint{30, 30}, ViewPoint{80, 60}, ViewPoint{150, 100}})
            app->AddPick(PickPointer{at, {0, 0}, 0});
        QCOMPARE(app->m_pick.m_nPickCount, 3);
        test::Snapshot(app->GetFrame(), "pick-mode");
        QVERIFY(app->GetFrame().GetPickPane()->isVisibleTo(&app->GetFrame()));
        QVERIFY(app->GetFrame().GetPickPane()->text().contains("20 px boxes, 3 picked"));

        app->GetFrame().GetAction(ID_TOOLS_UNDO_LAST_PICK)->trigger();
        QCOMPARE(app->m_pick.m_nPickCount, 2);
        QCOMPARE(app->m_pick.m_ptPicks[1], (PickPoint{80, 60}));
        QCOMPARE(app->m_pick.m_ptPicks[2], EMPTY_PICK);
        QVERIFY(app->GetFrame().GetPickPane()->text().contains("2 picked"));

        // Saving keeps the boxes drawn in their own colour and names the files in the status bar.
        app->SavePicks(PickPointer{{5, 5}, {0, 0}, 0});
        QCOMPARE(app->m_pick.m_nPickCount, 0);
        QCOMPARE(app->GetSavedPicks(0).size(), std::size_t{2});
        const QString status = app->GetFrame().GetStatusBarWidget()->currentMessage();
        QVERIFY2(status.contains(QString::fromStdString(dir.Path())) && status.contains("_Picked_Image_"),
                 qPrintable(status));
        QVERIFY(!app->GetFrame().GetPickPane()->isVisibleTo(&app->GetFrame()));
        const QImage shot = app->GetView().viewport()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(80 - 10, 60)), QColor(0, 200, 0));
        // Another file: the saved boxes go.
        Open(app, WriteGreyTiff(dir, 50, 50));
        QVERIFY(app->GetSavedPicks(0).empty());
    }

    // Stop during the second scan of a batch: the first scan's files stay and are listed, the
    // second leaves nothing behind, and no "Run Complete." is shown.
    void stopEndsTheRunKeepingOnlyCommittedFiles() {
        test::TempDir dir;
        const std::string first = dir.File("first.tif");
        const std::string second = dir.File("second.tif");
        std::string error;
        QVERIFY2(tools::GenerateScan(tools::OneImageSpec(), first, nullptr, &error), error.c_str());
        std::filesystem::copy_file(first, second);

        test::TestApp app;
        RunSettings& parameters = app->m_runSettings;
        parameters.m_nImageCount = 1;
        parameters.m_nHeightCm = 9;
        parameters.m_nWidthCm = 7;
        parameters.m_bBatchMode = true;
        parameters.m_strInputFiles = {first, second};
        app->m_runState.m_bFilesLoaded = true;
        app->m_runState.m_bSaved = true;
        QStringList fileTexts;
        app->m_fnRunProgressShown = [&fileTexts](RunProgressDialog& dialog) {
            fileTexts << dialog.m_pFile->text();
            if (dialog.m_pFile->text().startsWith("second.tif") && dialog.m_pStop->isEnabled()) {
                test::Snapshot(dialog, "run-window");
                QTest::mouseClick(dialog.m_pStop, Qt::LeftButton);
            }
        };
        app->OnCommand(ID_FILE_RUN);

        QVERIFY(fileTexts.contains("first.tif — file 1 of 2"));
        QVERIFY(fileTexts.contains("second.tif — file 2 of 2"));
        QCOMPARE(app.m_messages.Texts(), std::vector<std::string>{MSG_RUN_STOPPED});
        QVERIFY(app.m_exits.empty());
        QVERIFY(!app->m_runState.m_bRunning);
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            left.push_back(entry.path().filename().string());
        std::sort(left.begin(), left.end());
        QCOMPARE(left.size(), std::size_t{3}); // the two scans and the first scan's image
        QCOMPARE(left[1], std::string("first_1.mrc"));

        RunResultsWindow* results = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<RunResultsWindow*>(widget); window && window->isVisible())
                results = window;
        QVERIFY(results != nullptr);
        QTableWidget* table = results->Table();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 0)->text(), QString::fromStdString(first));
        QCOMPARE(table->item(0, 2)->text(), QString::fromStdString(dir.File(left[1])));
        QCOMPARE(table->item(0, 3)->text(), QString(RESULT_WRITTEN));
        QCOMPARE(table->item(1, 0)->text(), QString::fromStdString(second));
        QCOMPARE(table->item(1, 3)->text(), QString("not written: stopped"));
        QVERIFY(results->Summary()->text().startsWith("1 images written"));
        test::Snapshot(*results, "results-window");
        // Open Image shows the written image in the viewer.
        QTest::mouseClick(results->OpenImageButton(), Qt::LeftButton);
        QCOMPARE(app->GetDocument().GetImagePath(), dir.File(left[1]));
        app->OnCommand(ID_VIEW_FIT_TO_WINDOW);
        test::Snapshot(app->GetFrame(), "fitted-mrc");
        results->close();
    }

    // The HTML guide names every command of the menus and the keys, and every exit status.
    void theGuideDescribesTheProgramAsItIs() {
        const std::vector<unsigned char> bytes = test::ReadFileBytes(GRIDCARVER_SOURCE_DIR "/index.html");
        const QString guide = QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<qsizetype>(bytes.size()));
        QVERIFY(guide.startsWith("<!DOCTYPE html>"));
        for (const CommandEntry& entry : CommandTable()) {
            if (*entry.m_szText == '\0')
                continue;
            // The entry as the menu shows it: no access letter, no key column, "..." kept.
            QString text = QString(entry.m_szText).section('\t', 0, 0).remove('&').trimmed();
            if (text.endsWith("...") && !text.startsWith("Set pick") && !text.startsWith("About"))
                text.chop(3);
            text = text.trimmed().toHtmlEscaped();
            QVERIFY2(guide.contains(text), qPrintable(text));
            if (*entry.m_szKey != '\0')
                QVERIFY2(guide.contains(QString("<kbd>%1</kbd>").arg(entry.m_szKey)), entry.m_szKey);
        }
        for (const char* status : {"<td>0</td>", "<td>1</td>", "<td>2</td>", "<td>3</td>", "<td>4</td>"})
            QVERIFY2(guide.contains(status), status);
        for (const char* topic : {"Preview Placements", "MRC files", "Open Recent", "Stop", "Run Results"})
            QVERIFY2(guide.contains(topic), topic);
    }

    // The guide is looked for folder by folder, HTML first; every path is whole, and when none is
    // found the warning names each path looked at.
    void helpPrefersTheInstalledHtmlGuide() {
        test::TempDir dir;
        const std::string share = dir.File("share");
        const std::string build = dir.File("build");
        std::filesystem::create_directory(share);
        std::filesystem::create_directory(build);
        const std::vector<std::string> folders{share, build};
        QCOMPARE(FindHelpGuide(folders).m_strHtml, std::string());
        QCOMPARE(FindHelpGuide(folders).m_strRtf, std::string());
        QCOMPARE(FindHelpGuide(folders).m_lookedFor,
                 (std::vector<std::string>{share + "/index.html", share + "/index.rtf", build + "/index.html",
                                           build + "/index.rtf"}));
        {
            test::TestApp app;
            app->m_helpFolders = folders;
            app->OnCommand(ID_HELP_CONTENTS);
            QCOMPARE(app.m_messages.Texts(),
                     std::vector<std::string>{std::string(MSG_HELP_NOT_FOUND) + "\n" + share +
                                              "/index.html\n" + share + "/index.rtf\n" + build +
                                              "/index.html\n" + build + "/index.rtf"});
        }
        std::ofstream(build + "/index.html") << "<html></html>";
        QCOMPARE(FindHelpGuide(folders).m_strHtml, build + "/index.html");
        std::ofstream(share + "/index.rtf") << "{\\rtf1 guide}";
        QCOMPARE(FindHelpGuide(folders).m_strRtf, share + "/index.rtf");
        std::ofstream(share + "/index.html") << "<html></html>";
        QCOMPARE(FindHelpGuide(folders).m_strHtml, share + "/index.html");
        // A relative folder (the working directory) gives whole paths too.
        const std::filesystem::path here = std::filesystem::current_path();
        std::filesystem::current_path(share);
        const std::string html = FindHelpGuide({"."}).m_strHtml;
        std::filesystem::current_path(here);
        QCOMPARE(html, share + "/index.html");
        const std::vector<std::string> searched = HelpFolders(share);
        QCOMPARE(searched.front(), share);
        QVERIFY(std::find(searched.begin(), searched.end(), here.string()) != searched.end());

        const std::string record = dir.File("record.txt");
        const std::string viewer = dir.File("viewer");
        std::ofstream(viewer) << "#!/bin/sh\nprintf '%s|' \"$@\" > '" << record << "'\n";
        std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);
        for (const bool browserOpens : {true, false}) {
            test::TestApp app;
            std::vector<std::string> pages;
            app->m_openHelpPage = [&pages, browserOpens](const std::string& page) {
                pages.push_back(page);
                return browserOpens;
            };
            app->m_helpFolders = {share};
            app->m_strHelpViewer = viewer;
            app->OnCommand(ID_HELP_CONTENTS);
            QCOMPARE(pages, std::vector<std::string>{share + "/index.html"});
            QVERIFY(app.m_messages.m_shown.empty());
            if (!browserOpens) // the RTF guide with the viewer instead
                QTRY_COMPARE_WITH_TIMEOUT(test::ReadFileBytes(record).size(), share.size() + 11, 20000);
        }
    }
};

} // namespace gc

QTEST_MAIN(gc::ViewerCommandsTest)
#include "ViewerCommandsTest.moc"
