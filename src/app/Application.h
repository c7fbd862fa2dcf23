// Application: the application object. Owns the document, the main window and the view, the process-wide
// state (the Run's settings and the dialog's state with the Run-in-progress flag, pick state, zoom factor)
// and the handlers of the commands. Each action of the main window runs its command table entry's handler,
// after the busy test for the commands that refuse during a Run.
//
// Messages, choosers and modal dialogs go through replaceable services, so that tests drive every
// command without a blocking window.
#pragma once

#include "CommandTable.h"
#include "FileChooser.h"
#include "QtMessages.h"
#include "SuggestPicksDialog.h"
#include "core/Messages.h"
#include "core/Outcome.h"
#include "core/TiffErrors.h"
#include "document/ImageDocument.h"
#include "forms/Questions.h"
#include "forms/RunParametersForm.h"
#include "forms/SettingsStore.h"
#include "pick/PickState.h"
#include "split/RunRecord.h"
#include "split/RunSettings.h"
#include "view/ViewContext.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class QPrinter;

namespace gc {

class Application;
class MainWindow;
class ImageView;
class RunProgressDialog;
class RunProgressWindow;
struct RunResult;

struct AppServices {
    Messages* m_pMessages = nullptr;      // default: message boxes
    FileChooser* m_pChooser = nullptr;    // default: QFileDialog
    DialogRunner* m_pDialogs = nullptr;   // default: QDialog::exec
    std::function<void(int)> m_exit;      // ends the process after a fatal outcome; default std::exit
    Questions* m_pQuestions = nullptr;    // default: question boxes
    SettingsStore* m_pSettings = nullptr; // default: QSettings (kept in memory when nothing is remembered)
};

// The dialogs that other parts of the program attach to their commands. A command whose dialog is
// not attached does nothing beyond its busy test.
struct DialogHooks {
    std::function<void(Application&)> m_presetRunParameters; // "Set Run Parameters" (RunParametersDialog)
    std::function<void(Application&)> m_transmittivityToOD;  // Convert / Cut (ConvertCutDialog)
    std::function<void(Application&)> m_pickSettings; // "Particle Pick Settings ..." (PickSettingsDialog)
};

class Application : public QObject, public ViewContext {
    Q_OBJECT
public:
    explicit Application(AppServices services = {});
    ~Application() override;

    // Start-up: document, main window and view; the window's size, docks and toolbar as they were
    // left. Files named in `arguments` are opened in order (the last one stays open; one that cannot
    // be opened is refused with its reason and the program goes on). Shows the window. Returns false
    // when start-up failed.
    bool InitInstance(const QStringList& arguments);

    const std::string& GetFailedArgument() const { return m_strFailedArgument; }
    MainWindow& GetFrame() { return *m_pFrame; }
    ImageView& GetView() { return *m_pView; }
    ImageDocument& GetDocument() { return m_document; }
    Messages& GetMessages() override { return *m_pMessages; }
    FileChooser& GetChooser() { return *m_pChooser; }
    DialogRunner& GetDialogs() { return *m_pDialogs; }
    Questions& GetQuestions() { return *m_pQuestions; }
    SettingsStore& GetSettings() { return *m_pSettings; }
    // Before the open image makes way for another (or the program ends): with unsaved picks, asks
    // "Save the picks of NAME?" (Save saves them as a double click does). False on Cancel.
    bool MayLeavePicks();

    // Runs command `id` of the command table as its action does.
    void OnCommand(CommandId id);
    // Updates check marks and enabled states of the commands.
    void UpdateCommandUi();

    // The commands' handlers, named in the command table. Those marked there as refusing during a
    // Run are only reached when no Run is in progress.
    void OnPresetRunParameters();
    void OnRun();
    // The Run with corners a person corrected in Preview Placements: those images are cut there.
    void RunCorrected(const CornerCorrections& corrections);
    // Finds the images of the saved input files as the Run would, writes nothing, and shows where they
    // lie in a new "Preview Placements" window.
    void OnPreviewPlacements();
    void OnTransmittivityToOD();
    // Tools ▸ "Write MRC2014 Files": the header style of the Run, Convert and the pick boxes, checked
    // in the menu and remembered between sessions.
    void OnWriteMrc2014();
    bool WritesMrc2014() const { return m_runSettings.mrc.IsMrc2014(); }
    void LoadMrcPreference();
    // The pick settings clear the pick state first, even when the command then refuses.
    void ClearPickState();
    void OnSetPickMode();
    void OnZoomIn();
    void OnZoomOut();
    void OnResetZoom();
    void OnHelpContents();
    void OnAppAbout();
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnAppExit();
    // The toolbar, the status bar and the image list window show or hide.
    void OnViewToolbar();
    void OnViewStatusBar();
    void OnImageList();
    // F6 and Shift+F6: the window has no panes to switch between, so nothing happens.
    void OnSwitchPane() {}

    // The viewer's commands: the zoom that shows the whole image, zoom 1.0, the display-only
    // contrast stretch, and taking back the last unsaved pick.
    void OnFitToWindow();
    void OnActualSize();
    void OnAutoContrast();
    void OnUndoLastPick();
    // View ▸ Low-pass...: asks for the filter's width (Å when the pixel size is known, else pixels);
    // 0 switches it off. Display only.
    void OnLowPass();
    // View ▸ Contrast: the histogram panel with the window/level and invert.
    void OnContrastPanel();
    // Tools ▸ Suggest Picks...: the particle search for the shown image, its candidates drawn on the
    // picture as circles coloured by score; a right press on one accepts it into the pick list, a
    // left press removes it; Undo Last Pick takes back the window's steps while it is open.
    void OnSuggestPicks();
    // The open Suggest Picks window, or nullptr.
    SuggestPicksDialog* GetSuggestPicks() const { return m_pSuggest; }
    // Remembers the window's size and docks (on exit).
    void SaveWindowState();

    // The document's commands (open and save by type, properties, PDF conversion).
    void OnFileOpen();
    // What File Open does once a name is chosen; also File ▸ Open Recent and a file dropped on the view.
    void OpenPath(const std::string& path);
    // The files opened most recently, newest first (at most RECENT_FILE_COUNT).
    const QStringList& RecentFiles() const { return m_recentFiles; }
    void OnFileSave();
    void OnFileSaveAs();
    void OnProperties();
    void OnConvertToPdf();

    // ViewContext: what the view reads and calls.
    const PixelStore* GetImage(int index) override;
    int GetImageCount() const override;
    std::string GetImagePath() const override;
    float GetZoom() const override { return m_fZoom; }
    bool IsPickMode() const override;
    int GetMaskSize() const override;
    std::vector<ViewPoint> GetPicks() const override;
    void AddPick(const PickPointer& pointer) override;
    void RemovePick(const PickPointer& pointer) override;
    void SavePicks(const PickPointer& pointer) override;
    bool SetZoom(float zoom) override;
    double GetPixelSize() const override { return m_document.GetPixelSize(); }
    std::vector<ViewPoint> GetSavedPicks(int index) const override;
    int GetSavedMaskSize() const override { return m_nSavedMaskSize; }
    bool ReviewClick(const PickPointer& pointer, bool remove) override;
    // The status bar's pick pane: shown with the box size and count while pick mode is on.
    void UpdatePickStatus();

    // Process-wide state.
    PickState m_pick; // m_strOpenFilePath, m_bPickMode, m_bCollate, m_nMaskSize, m_nPickCount, m_ptPicks
    float m_fZoom = 1.0f;
    RunSettings m_runSettings;
    RunDialogState m_runState; // saved, files loaded, a Run or a preview in progress
    DialogHooks m_hooks;
    // The program that opens the help document (found on PATH).
    std::string m_strHelpViewer;
    // Opens the HTML guide in the desktop's browser (QDesktopServices); false when nothing opened it.
    std::function<bool(const std::string&)> m_openHelpPage;
    // Called at every new position of the Run's progress window, on the user-interface thread; when it
    // is set, the Run waits for it at each new position (tests press its Stop button here).
    std::function<void(RunProgressDialog&)> m_fnRunProgressShown;
    // The progress of the Run in progress, or nullptr.
    RunProgressWindow* m_pRunProgress = nullptr;
    // Set when the user closed the main window during a Run and chose to stop it: the window closes
    // once the Run has ended.
    bool m_bQuitAfterRun = false;
    // Where Help looks for the guide, in order: the installed guide (<prefix>/share/doc/gridcarver
    // beside <prefix>/bin), the guide beside the build, the working directory.
    std::vector<std::string> m_helpFolders;

    // Ends the process with the exit status of `outcome` when the outcome ends the program
    // (EndsProgram: a fatal stop, whose message has been shown); true when it did (a scripted exit in
    // the tests returns).
    bool EndIfFatal(Outcome outcome);
    // Ends the process with `status`.
    void EndProcess(int status);

protected:
    // The main window's close: during a Run it asks whether to stop the Run and quit (MSG_QUIT_DURING_RUN;
    // yes stops it, and the window closes once it has ended); unsaved picks are asked about first.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The busy test where the entry asks for it, then the entry's handler.
    void RunCommand(const CommandEntry& entry);
    // While a Run is in progress: shows "Running ... Wait!" and returns true.
    bool RefuseDuringRun();
    // The Run of `settings` on a thread of its own while this thread handles the events; returns when
    // it has ended, with its scans' records and the input it ended at.
    RunResult RunOnThread(const RunSettings& settings, const CornerCorrections& corrections,
                          RunProgressWindow& progress, BusyFlag& busy, std::vector<ScanRecord>& records,
                          std::string& lastInput);
    QPrinter& Printer();
    const PixelStore* PickImage(const PickPointer& pointer);

    std::unique_ptr<QtMessages> m_pOwnMessages;
    std::unique_ptr<QtFileChooser> m_pOwnChooser;
    std::unique_ptr<DialogRunner> m_pOwnDialogs;
    std::unique_ptr<QtQuestions> m_pOwnQuestions;
    std::unique_ptr<SettingsStore> m_pOwnSettings;
    Questions* m_pQuestions;
    SettingsStore* m_pSettings;
    Messages* m_pMessages;
    FileChooser* m_pChooser;
    DialogRunner* m_pDialogs;
    std::function<void(int)> m_exit;
    std::unique_ptr<TiffErrorScope> m_pTiffErrors;

    ImageDocument m_document;
    std::unique_ptr<MainWindow> m_pFrame;
    ImageView* m_pView = nullptr; // owned by the frame
    std::unique_ptr<QPrinter> m_pPrinter;
    std::string m_strFailedArgument;

    // The viewer's state beyond the documented one.
    void ConnectViewer();
    void AddRecentFile(const std::string& path);
    void FillRecentMenu();
    QStringList m_recentFiles;
    class ContrastPanel* m_pContrastPanel = nullptr; // owned by its dock
    double m_dLowPassWidth = 0;                      // as typed: Å or pixels
    std::vector<ViewPoint> m_savedPicks;             // boxes saved from image m_nSavedImage
    int m_nSavedImage = -1;
    int m_nSavedMaskSize = 0;
    // The review of suggested picks: its window (deleted when closed) and the image it searched.
    void ShowSuggestions();
    void CloseSuggestions();
    QPointer<SuggestPicksDialog> m_pSuggest;
    int m_nSuggestImage = -1;
};

} // namespace gc
