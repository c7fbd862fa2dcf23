// The shell: menus, keys, toolbar and status bar against the listed command table, the busy refusal
// during a Run, start-up, the view toggles, the About box, the progress window and the help viewer.
#include "AppTestSupport.h"
#include "app/AboutDialog.h"
#include "app/AppMessages.h"
#include "app/ChildProcess.h"
#include "app/CommandTable.h"
#include "app/MainWindow.h"
#include "app/RunProgressDialog.h"
#include "image/TiffTestFiles.h"
#include "view/ImageListWindow.h"
#include "view/ImageView.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

namespace gc {
namespace {

struct Listed {
    CommandId id;
    const char* text;
    const char* key;
    const char* prompt;
    const char* tip;
    bool refuses;
};

// The command table as the program's users know it.
const Listed LISTED[] = {
    {ID_FILE_PRESET_RUN_PARAMETERS, "&Preset Run Parameters\tCtrl+N", "Ctrl+N", "Set Run Parameters",
     "Preset Run Parameters", true},
    {ID_FILE_RUN, "&Run\tCtrl+R", "Ctrl+R", "Run the Gridcarver Application Using the Run Parameters",
     " Run Step", true},
    {ID_FILE_OPEN, "&Open...\tCtrl+O", "Ctrl+O", "Open an existing document", "Open", false},
    {ID_FILE_SAVE, "&Save\tCtrl+S", "Ctrl+S", "Save the active document", "Save", false},
    {ID_FILE_SAVE_AS, "Save &As...", "", "Save the active document with a new name", "Save As", false},
    {ID_FILE_PRINT, "&Print...\tCtrl+P", "Ctrl+P", "Print the active document", "Print", false},
    {ID_FILE_PRINT_PREVIEW, "Print Pre&view", "", "Display full pages", "Print Preview", false},
    {ID_FILE_PRINT_SETUP, "P&rint Setup...", "", "Change the printer and printing options", "Print Setup",
     false},
    {ID_FILE_PROPERTIES, "&Properties", "", "", "", false},
    {ID_APP_EXIT, "E&xit", "", "Quit the application; prompts to save documents", "Exit", false},
    {ID_TOOLS_CONVERT_TO_PDF, "Convert to PDF", "", "Convert open TIFF image file to PDF", "", false},
    {ID_TOOLS_TRANSMITTIVITY_TO_OD, "Transmittivity to OD - MRC Output", "",
     "Convert open TIFF image file to MRC in OD format", "", true},
    {ID_TOOLS_SET_PICK_MODE, "Set pick mode and mask size...", "", "", "", false},
    {ID_TOOLS_SUGGEST_PICKS, "Suggest Picks...", "",
     "Find particles of a given diameter and review them on the image as picks", "", false},
    {ID_TOOLS_PREVIEW_PLACEMENTS, "Preview Placements", "",
     "Find the images of the chosen scans without writing any file, and show where they lie", "", true},
    {ID_TOOLS_WRITE_MRC2014, "Write MRC2014 Files", "",
     "Write MRC files with MRC2014 headers (the Run's images as unsigned 16-bit)", "", true},
    {ID_VIEW_TOOLBAR, "&Toolbar", "", "Show or hide the toolbar", "Toggle ToolBar", false},
    {ID_VIEW_STATUS_BAR, "&Status Bar", "", "Show or hide the status bar", "Toggle StatusBar", false},
    {ID_VIEW_FIT_TO_WINDOW, "&Fit to Window\tCtrl+0", "Ctrl+0", "Show the whole image in the window",
     "Fit to Window", false},
    {ID_VIEW_ACTUAL_SIZE, "&Actual Size\tCtrl+1", "Ctrl+1", "Show the image one screen pixel per image pixel",
     "Actual Size", false},
    {ID_VIEW_AUTO_CONTRAST, "Auto &Contrast", "",
     "Stretch the display between the 0.5 % and 99.5 % levels; files and picks are unchanged", "", false},
    {ID_VIEW_CONTRAST, "C&ontrast Panel", "",
     "Show the histogram with the black and white levels and invert; files and picks are unchanged", "",
     false},
    {ID_VIEW_LOW_PASS, "&Low-pass...", "",
     "Smooth the display with a Gaussian to see faint particles; files and picks are unchanged", "", false},
    {ID_TOOLS_UNDO_LAST_PICK, "Undo Last Pick\tCtrl+Z", "Ctrl+Z",
     "Remove the last box picked and not yet saved", "", false},
    {ID_VIEW_IMAGE_LIST, "Image List", "", "", "", false},
    {ID_HELP_CONTENTS, "&Help Contents ...\tCtrl+H", "Ctrl+H", "Display Help for Gridcarver application", "",
     false},
    {ID_APP_ABOUT, "&About Filmsplice...", "", "Display program information, version number and copyright",
     "About Filmsplice", false},
    {ID_ZOOM_IN, "", "I", "Resize Image - Zoom In", "Zoom In", false},
    {ID_ZOOM_OUT, "", "O", "Resize Image - Zoom Out", "Zoom Out", false},
    {ID_RESET_ZOOM, "", "R", "Reset Zoom", "Reset Zoom", false},
    {ID_NEXT_PANE, "", "F6", "Switch to the next window pane", "Next Pane", false},
    {ID_PREV_PANE, "", "Shift+F6", "Switch back to the previous window pane", "Previous Pane", false},
};

QStringList EntriesOf(QMenu* menu) {
    QStringList entries;
    for (QAction* action : menu->actions())
        entries << (action->isSeparator() ? QString("-") : action->text());
    return entries;
}

std::string ReadText(const std::string& path) {
    const std::vector<unsigned char> bytes = test::ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

bool Shown(const test::RecordingMessages& messages, const char* text) {
    for (const auto& shown : messages.m_shown)
        if (shown.m_strText == text)
            return true;
    return false;
}

// Records each message with whether the Run's progress window was on screen at that moment.
class WindowCheckingMessages final : public Messages {
public:
    void Show(MessageKind, const std::string& text, const std::string& = {}) override {
        bool progressShown = false;
        for (QWidget* widget : QApplication::topLevelWidgets())
            progressShown = progressShown ||
                            (widget->isVisible() && widget->windowTitle() == "Run Progress Indicator...");
        m_shown.push_back({text, progressShown});
    }
    std::vector<std::pair<std::string, bool>> m_shown;
};

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void menusEntriesKeysAndPromptsAreTheListedOnes() {
        test::TestApp app;
        QVERIFY(app.m_bStarted);
        MainWindow& frame = app->GetFrame();
        QStringList titles;
        for (QAction* action : frame.menuBar()->actions())
            titles << action->text();
        QCOMPARE(titles, QStringList({"&File", "&Tools", "&View", "&Help"}));

        // The File menu holds exactly these entries; the recent files are in their own submenu.
        QCOMPARE(EntriesOf(frame.GetMenu(0)),
                 QStringList({"&Preset Run Parameters\tCtrl+N", "&Run\tCtrl+R", "&Open...\tCtrl+O",
                              "Open &Recent", "&Save\tCtrl+S", "Save &As...", "-", "&Print...\tCtrl+P",
                              "Print Pre&view", "P&rint Setup...", "-", "&Properties", "-", "E&xit"}));
        QCOMPARE(EntriesOf(frame.GetMenu(1)),
                 QStringList({"Convert to PDF", "Transmittivity to OD - MRC Output",
                              "Set pick mode and mask size...", "Suggest Picks...", "Preview Placements",
                              "Write MRC2014 Files", "Undo Last Pick\tCtrl+Z"}));
        QCOMPARE(EntriesOf(frame.GetMenu(2)),
                 QStringList({"&Toolbar", "&Status Bar", "Image List", "&Fit to Window\tCtrl+0",
                              "&Actual Size\tCtrl+1", "Auto &Contrast", "C&ontrast Panel", "&Low-pass..."}));
        QCOMPARE(EntriesOf(frame.GetMenu(3)),
                 QStringList({"&Help Contents ...\tCtrl+H", "&About Filmsplice..."}));

        int count = 0;
        for (const Listed& listed : LISTED) {
            QAction* action = frame.GetAction(listed.id);
            QVERIFY2(action != nullptr, qPrintable(QString::number(listed.id)));
            QCOMPARE(action->text(), QString(listed.text));
            QCOMPARE(action->shortcut(), QKeySequence(QString(listed.key)));
            QCOMPARE(action->statusTip(), QString(listed.prompt));
            const CommandEntry* entry = FindCommand(listed.id);
            QVERIFY(entry != nullptr);
            QCOMPARE(entry->m_bRefusesDuringRun, listed.refuses);
            QCOMPARE(QString(entry->m_szTip), QString(listed.tip));
            // Keys act in the main window, whether or not the command is in a menu.
            QVERIFY(frame.actions().contains(action));
            ++count;
        }
        QCOMPARE(count, static_cast<int>(CommandTable().size()));
    }

    void toolbarHoldsTheEightButtonsInOrder() {
        test::TestApp app;
        QToolBar* toolbar = app->GetFrame().GetToolBar();
        QVERIFY(toolbar->isMovable());
        QCOMPARE(toolbar->allowedAreas(), Qt::AllToolBarAreas);
        std::vector<int> layout;
        for (QAction* action : toolbar->actions())
            layout.push_back(action->isSeparator() ? TOOLBAR_SEPARATOR : action->data().toInt());
        QCOMPARE(layout, (std::vector<int>{ID_FILE_PRESET_RUN_PARAMETERS, ID_FILE_OPEN, ID_FILE_SAVE,
                                           TOOLBAR_SEPARATOR, ID_FILE_PRINT, TOOLBAR_SEPARATOR, ID_APP_ABOUT,
                                           TOOLBAR_SEPARATOR, ID_ZOOM_IN, ID_ZOOM_OUT, ID_RESET_ZOOM,
                                           ID_VIEW_FIT_TO_WINDOW, ID_VIEW_ACTUAL_SIZE}));
        // Each button's tooltip: the name of its menu entry (or of the button) and its key.
        const QStringList tips = {"Preset Run Parameters (Ctrl+N)",
                                  "Open (Ctrl+O)",
                                  "Save (Ctrl+S)",
                                  "",
                                  "Print (Ctrl+P)",
                                  "",
                                  "About Filmsplice",
                                  "",
                                  "Zoom In (I)",
                                  "Zoom Out (O)",
                                  "Reset Zoom (R)",
                                  "Fit to Window (Ctrl+0)",
                                  "Actual Size (Ctrl+1)"};
        for (int i = 0; i < toolbar->actions().size(); ++i)
            if (!toolbar->actions()[i]->isSeparator())
                QCOMPARE(toolbar->actions()[i]->toolTip(), tips[i]);
        for (QAction* action : toolbar->actions())
            QVERIFY(action->isSeparator() || !action->icon().isNull());
    }

    void statusBarShowsReadyAndTheIndicators() {
        test::TestApp app;
        MainWindow& frame = app->GetFrame();
        QCOMPARE(frame.GetStatusBarWidget()->currentMessage(), QString("Ready"));
        QStringList indicators;
        for (QLabel* label : frame.GetIndicators())
            indicators << label->text();
        QCOMPARE(indicators, QStringList({"CAP", "NUM", "SCRL"}));
        frame.GetStatusBarWidget()->showMessage(frame.GetAction(ID_ZOOM_IN)->statusTip());
        QCOMPARE(frame.GetStatusBarWidget()->currentMessage(), QString("Resize Image - Zoom In"));
        frame.GetStatusBarWidget()->clearMessage();
        QCOMPARE(frame.GetStatusBarWidget()->currentMessage(), QString("Ready"));
        QCOMPARE(frame.windowTitle(), QString("Gridcarver"));
    }

    void keysReachTheirCommands() {
        test::TestApp app;
        ImageView& view = app->GetView();
        view.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&app->GetFrame()));

        QTest::keyClick(&view, Qt::Key_O);
        QCOMPARE(app->m_fZoom, 0.949999988079071f);
        QCOMPARE(app.m_chooser.m_nCalls, 0);
        QTest::keyClick(&view, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(app.m_chooser.m_nCalls, 1);
        QCOMPARE(app.m_chooser.m_firstDescriptions.back(), std::string("All Supported Files"));
        QCOMPARE(app.m_chooser.m_selected.back(), 0);
        QTest::keyClick(&view, Qt::Key_I);
        QTest::keyClick(&view, Qt::Key_I);
        QCOMPARE(app->m_fZoom, 1.0499999523162842f);
        QTest::keyClick(&view, Qt::Key_R);
        QCOMPARE(app->m_fZoom, 1.0f);
        QVERIFY(app.m_messages.m_shown.empty());
        // Ctrl+R is the Run, which refuses without saved parameters.
        QTest::keyClick(&view, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(app.m_messages.Texts(),
                 std::vector<std::string>{
                     "Paramters Not saved. Save Parameters first before running application."});
        QCOMPARE(app->m_fZoom, 1.0f);
        QTest::keyClick(&view, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(app.m_chooser.m_nCalls, 2);
        QCOMPARE(app.m_chooser.m_firstDescriptions.back(), std::string("BMP File (*.bmp)"));
    }

    // Ctrl+R with saved parameters runs the driver: a file that is no TIFF is skipped with its message
    // while the progress window is up; the window goes before "Run Complete." is shown.
    void runSplitsTheSavedInputsWithTheProgressWindow() {
        test::TempDir folder;
        const std::string input = folder.File("not a scan.tif");
        test::WriteFileBytes(input, {'n', 'o', 't', ' ', 'a', ' ', 't', 'i', 'f', 'f'});
        WindowCheckingMessages messages;
        test::RecordingDialogs dialogs;
        test::ScriptedChooser chooser;
        Application app({&messages, &chooser, &dialogs, [](int) { QFAIL("the Run ended the program"); }});
        QVERIFY(app.InitInstance({}));
        app.m_runState.m_bSaved = true;
        app.m_runState.m_bFilesLoaded = true;
        app.m_runSettings.m_strInputFiles = {input};
        app.GetFrame().GetAction(ID_FILE_RUN)->trigger();
        // The TIFF library's own error comes first, then the Run's skip message and its end.
        QCOMPARE(messages.m_shown.size(), std::size_t(3));
        QVERIFY(messages.m_shown[0].first.find("Not a TIFF") != std::string::npos);
        QCOMPARE(messages.m_shown[1].first,
                 input + " This file has an invalid TIFF file format. Cannot open this file for reading.");
        QVERIFY(messages.m_shown[1].second);
        QCOMPARE(messages.m_shown[2].first, std::string("Run Complete."));
        QVERIFY(!messages.m_shown[2].second); // the window went before the completion message
        QVERIFY(!app.m_runState.m_bRunning);
        QVERIFY(app.m_runState.m_bSaved);
        QCOMPARE(app.m_pick.m_strOpenFilePath, input);
        for (QWidget* widget : QApplication::topLevelWidgets())
            QVERIFY(!widget->isVisible() || widget->windowTitle() != "Run Progress Indicator...");

        // A refused Run shows no progress window.
        messages.m_shown.clear();
        app.m_runState.m_bSaved = false;
        app.OnRun();
        QCOMPARE(messages.m_shown.size(), std::size_t(1));
        QVERIFY(!messages.m_shown[0].second);
    }

    void zoomCommandsStepTheFactor() {
        test::TestApp app;
        QAction* zoomOut = app->GetFrame().GetAction(ID_ZOOM_OUT);
        for (int i = 0; i < 19; ++i)
            zoomOut->trigger();
        QCOMPARE(app->m_fZoom, 0.05f);
        zoomOut->trigger();
        QCOMPARE(app->m_fZoom, 0.05f);
        app->GetFrame().GetAction(ID_ZOOM_IN)->trigger();
        QCOMPARE(app->m_fZoom, 0.1f);
        app->GetFrame().GetAction(ID_RESET_ZOOM)->trigger();
        QCOMPARE(app->m_fZoom, 1.0f);
    }

    // While a Run is in progress exactly the marked commands answer "Running ... Wait!" and change
    // nothing; the others still act.
    void exactlyTheMarkedCommandsRefuseDuringARun() {
        test::TestApp app;
        app->m_runState.m_bRunning = true;
        app->m_pick.m_bPickMode = 1;
        app->m_pick.m_nMaskSize = 10;
        for (const Listed& listed : LISTED) {
            if (listed.id == ID_APP_EXIT)
                continue;
            app.m_messages.m_shown.clear();
            const int chooserCalls = app.m_chooser.m_nCalls;
            const qsizetype dialogs = app.m_dialogs.m_titles.size();
            app->m_fZoom = 0.5f;
            app->OnCommand(listed.id);
            const bool refused = Shown(app.m_messages, "Running ... Wait!");
            QVERIFY2(refused == listed.refuses, qPrintable(QString::number(listed.id)));
            if (refused) {
                QCOMPARE(app.m_messages.m_shown.size(), std::size_t(1));
                QCOMPARE(app->m_fZoom, 0.5f);
                QCOMPARE(app.m_chooser.m_nCalls, chooserCalls);
                QCOMPARE(app.m_dialogs.m_titles.size(), dialogs);
            }
        }
        // The pick settings command clears the pick state before its dialog (cancelled here).
        QCOMPARE(app->m_pick.m_bPickMode, 0);
        QCOMPARE(app->m_pick.m_nMaskSize, 0);
        // Open, Save, Print, Print Preview, Print Setup, the pick settings, Low-pass and About still
        // worked: the viewer and picking go on during a Run.
        QCOMPARE(app.m_chooser.m_nCalls, 3);
        QCOMPARE(app.m_dialogs.m_titles.size(), qsizetype(6));

        app->m_runState.m_bRunning = false;
        app.m_messages.m_shown.clear();
        app->OnCommand(ID_ZOOM_OUT);
        QCOMPARE(app->m_fZoom, 0.45f);
        QVERIFY(app.m_messages.m_shown.empty());
        app->OnCommand(ID_APP_EXIT);
        QVERIFY(!app->GetFrame().isVisible());
    }

    // Each action of the window reaches its command's handler through the busy rule: during a Run
    // exactly the marked ones refuse, and without a Run none does.
    void actionsReachTheirHandlersThroughTheBusyRule() {
        for (const bool running : {true, false}) {
            test::TestApp app;
            for (const Listed& listed : LISTED) {
                const CommandEntry* entry = FindCommand(listed.id);
                QVERIFY(entry != nullptr && entry->m_handler != nullptr);
                if (listed.id == ID_APP_EXIT)
                    continue;
                app->m_runState.m_bRunning = running;
                app.m_messages.m_shown.clear();
                QAction* action = app->GetFrame().GetAction(listed.id);
                action->setEnabled(true);
                action->trigger();
                const bool refused = Shown(app.m_messages, "Running ... Wait!");
                QVERIFY2(refused == (running && listed.refuses), qPrintable(action->text()));
            }
        }
    }

    void viewCommandsToggleWithCheckMarks() {
        // The window as an earlier run left it is not the start-up layout checked here.
        QSettings().remove(SETTINGS_WINDOW_STATE);
        test::TestApp app;
        MainWindow& frame = app->GetFrame();
        QAction* toolbar = frame.GetAction(ID_VIEW_TOOLBAR);
        QAction* statusBar = frame.GetAction(ID_VIEW_STATUS_BAR);
        QAction* imageList = frame.GetAction(ID_VIEW_IMAGE_LIST);
        QVERIFY(toolbar->isChecked() && statusBar->isChecked() && !imageList->isChecked());
        toolbar->trigger();
        QVERIFY(!frame.GetToolBar()->isVisible());
        QVERIFY(!toolbar->isChecked());
        statusBar->trigger();
        QVERIFY(!frame.GetStatusBarWidget()->isVisible());
        QVERIFY(!statusBar->isChecked());
        imageList->trigger();
        QVERIFY(app->GetView().IsImageListVisible());
        QVERIFY(imageList->isChecked());
        // Closing the list window hides it; the check mark follows when the menu opens.
        app->GetView().GetDirDlg().close();
        app->UpdateCommandUi();
        QVERIFY(!imageList->isChecked());
        toolbar->trigger();
        QVERIFY(frame.GetToolBar()->isVisible());
        QVERIFY(toolbar->isChecked());
        // Properties is offered only for an open TIFF.
        QVERIFY(!frame.GetAction(ID_FILE_PROPERTIES)->isEnabled());
    }

    // Write MRC2014 Files: one check mark for the Run, Convert and the pick boxes, named in the
    // Run summary while on. The tests' program has no organisation name, so nothing is remembered.
    void mrc2014ChoiceReachesEveryWriter() {
        test::TestApp app;
        QAction* mrc2014 = app->GetFrame().GetAction(ID_TOOLS_WRITE_MRC2014);
        QVERIFY(mrc2014->isCheckable() && !mrc2014->isChecked());
        mrc2014->trigger();
        QVERIFY(mrc2014->isChecked());
        QVERIFY(app->m_runSettings.mrc.IsMrc2014() && app->m_pick.mrc.IsMrc2014());
        QVERIFY(QString::fromStdString(BuildRunSummary(app->m_runSettings)).contains("MRC2014"));
        mrc2014->trigger();
        QVERIFY(!mrc2014->isChecked());
        QVERIFY(!app->m_runSettings.mrc.IsMrc2014() && !app->m_pick.mrc.IsMrc2014());
    }

    // A file named on the command line opens as File Open opens it; one that cannot be read is
    // refused with its reason and the program starts all the same.
    void startUpWithAFileNameOpensIt() {
        test::TempDir folder;
        const std::string path = folder.File("named.tif");
        test::WriteFileBytes(path, {1, 2, 3});
        test::TestApp app(QStringList{QString::fromStdString(path)});
        QVERIFY(app.m_bStarted);
        QCOMPARE(app->GetDocument().GetImageCount(), 0);
        QCOMPARE(app->GetFrame().windowTitle(), QString("Gridcarver"));
        QCOMPARE(app->m_fZoom, 1.0f);
        QVERIFY(!app->m_runState.m_bRunning);
        QCOMPARE(app->m_pick.m_ptPicks[999], (PickPoint{-1, -1}));

        test::TestApp missing(QStringList{QString::fromStdString(folder.File("missing.tif"))});
        QVERIFY(missing.m_bStarted);
        QCOMPARE(missing->GetDocument().GetImageCount(), 0);

        const std::string picture = folder.File("picture.tif");
        QVERIFY(test::WriteTiff(picture, {test::GreyPage(20000, 2)}));
        test::TestApp opened(QStringList{QString::fromStdString(picture)});
        QVERIFY(opened.m_bStarted);
        QCOMPARE(opened->GetDocument().GetImageCount(), 1);
        QCOMPARE(opened->GetDocument().GetImagePath(), picture);
    }

    void aboutBoxShowsTheVersion() {
        test::TestApp app;
        QStringList labels;
        app.m_dialogs.m_inspect = [&labels](QDialog& dialog) {
            for (QLabel* label : dialog.findChildren<QLabel*>())
                labels << label->text();
        };
        app->GetFrame().GetAction(ID_APP_ABOUT)->trigger();
        QCOMPARE(app.m_dialogs.m_titles, QStringList({"About Filmsplice"}));
        QVERIFY(labels.contains("Gridcarver Version 1.0"));
        QVERIFY(app.m_messages.m_shown.empty());
        // OK and Esc close it.
        AboutDialog about;
        about.show();
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Rejected));
        about.show();
        QTest::keyClick(&about, Qt::Key_Return);
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void progressWindowShowsTheRunsPositions() {
        RunProgressDialog control;
        QCOMPARE(control.windowTitle(), QString("Run Progress Indicator..."));
        control.show();
        BarProgress progress(control.m_progress, BarProgress::Focus::MoveToBar);
        progress.SetRange(0, 100);
        progress.SetPos(10);
        QCOMPARE(control.m_progress->value(), 10);
        progress.SetPos(55);
        progress.SetPos(55);
        QCOMPARE(control.m_progress->value(), 55);
        QCOMPARE(control.m_progress->maximum(), 100);
    }

    void helpStartsTheViewerOnTheHelpDocument() {
        test::TempDir folder;
        const std::string record = folder.File("record.txt");
        const std::string viewer = folder.File("viewer");
        std::ofstream(viewer) << "#!/bin/sh\nprintf '%s|' \"$@\" > '" << record << "'\n";
        std::filesystem::permissions(viewer, std::filesystem::perms::owner_all);

        std::ofstream(folder.File("index.rtf")) << "{\\rtf1 guide}";
        test::TestApp app;
        app->m_strHelpViewer = viewer;
        app->m_helpFolders = {folder.Path().string()};
        app->OnCommand(ID_HELP_CONTENTS);
        app->OnCommand(ID_HELP_CONTENTS);
        // The viewer gets the help document's whole path as its one argument (it may outlive the
        // one-second wait).
        QTRY_COMPARE_WITH_TIMEOUT(ReadText(record), folder.File("index.rtf") + "|", 20000);
        QVERIFY(app.m_messages.m_shown.empty());
    }

    // When no viewer opens the guide within the wait, a warning names the guide's full path.
    void helpNamesTheGuideWhenNoViewerOpensIt() {
        test::TempDir folder;
        const std::string emptyFolder = folder.File("bin");
        std::filesystem::create_directory(emptyFolder);
        struct Case {
            const char* name;
            const char* script; // the viewer's shell script; none: the default viewer, not on PATH
            bool warns;
        };
        const Case cases[] = {
            {"no xdg-open on PATH", nullptr, true},
            {"viewer fails at once", "exit 4", true},
            {"viewer killed", "kill -9 $$", true},
            {"viewer succeeds", "exit 0", false},
        };
        const QByteArray path = qgetenv("PATH");
        const std::string guide = folder.File("index.rtf");
        std::ofstream(guide) << "{\\rtf1 guide}";
        for (const Case& c : cases) {
            test::TestApp app;
            app->m_helpFolders = {folder.Path().string()};
            if (c.script == nullptr) {
                app->m_strHelpViewer = HELP_VIEWER;
                qputenv("PATH", QByteArray::fromStdString(emptyFolder));
            } else {
                app->m_strHelpViewer = folder.File(c.name);
                std::ofstream(app->m_strHelpViewer) << "#!/bin/sh\n" << c.script << "\n";
                std::filesystem::permissions(app->m_strHelpViewer, std::filesystem::perms::owner_all);
            }
            app->OnCommand(ID_HELP_CONTENTS);
            qputenv("PATH", path);
            if (!c.warns) {
                QVERIFY2(app.m_messages.m_shown.empty(), c.name);
                continue;
            }
            QVERIFY2(app.m_messages.m_shown.size() == 1, c.name);
            QCOMPARE(app.m_messages.m_shown[0].m_kind, MessageKind::Warning);
            QCOMPARE(app.m_messages.m_shown[0].m_strText, MSG_HELP_NOT_OPENED + guide);
        }
    }

    void childProcessesRunOnWithoutBeingWaitedFor() {
        test::TempDir folder;
        const std::string pidFile = folder.File("pid");
        const std::string script = folder.File("long runner");
        std::ofstream(script) << "#!/bin/sh\necho $$ > '" << pidFile << "'\nexec sleep 60\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);

        ChildProcess process;
        QVERIFY(process.Start(script, {"a b", "c"}, 50));
        QVERIFY(!process.HasEnded());
        QCOMPARE(process.GetArguments(), (std::vector<std::string>{"a b", "c"}));
        QTRY_VERIFY_WITH_TIMEOUT(!test::ReadFileBytes(pidFile).empty(), 10000);
        const pid_t pid = std::stoi(ReadText(pidFile));
        QCOMPARE(::kill(pid, 0), 0); // still running after Start returned
        ::kill(pid, SIGTERM);

        ChildProcess missing;
        QVERIFY(!missing.Start(folder.File("nothing-here"), {}, 0));
        ChildProcess quick;
        QVERIFY(quick.Start("true", {}, 5000));
        QVERIFY(quick.HasEnded());
        QVERIFY(!quick.HasFailed());
    }
};

} // namespace gc

QTEST_MAIN(gc::ShellTest)
#include "ShellTest.moc"
