#include "Application.h"

#include "AboutDialog.h"
#include "AppDialogs.h"
#include "AppMessages.h"
#include "ChildProcess.h"
#include "CommandTable.h"
#include "HelpGuide.h"
#include "MainWindow.h"
#include "ProgramSettings.h"
#include "WindowPlacement.h"
#include "pick/PickOperations.h"
#include "split/SplitMessages.h"
#include "view/ImageView.h"
#include "view/PixelReadout.h"
#include "view/ZoomFactor.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include <cstdlib>
#include <filesystem>

namespace gc {

Application::Application(AppServices services) : m_strHelpViewer(HELP_VIEWER) {
    m_openHelpPage = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
    m_helpFolders = HelpFolders((QCoreApplication::applicationDirPath() + HELP_DATA_FOLDER).toStdString());
    if (services.m_pMessages == nullptr) {
        m_pOwnMessages = std::make_unique<QtMessages>();
        services.m_pMessages = m_pOwnMessages.get();
    }
    if (services.m_pChooser == nullptr) {
        m_pOwnChooser = std::make_unique<QtFileChooser>();
        services.m_pChooser = m_pOwnChooser.get();
    }
    if (services.m_pDialogs == nullptr) {
        m_pOwnDialogs = std::make_unique<DialogRunner>();
        services.m_pDialogs = m_pOwnDialogs.get();
    }
    if (services.m_pQuestions == nullptr) {
        m_pOwnQuestions = std::make_unique<QtQuestions>();
        services.m_pQuestions = m_pOwnQuestions.get();
    }
    if (services.m_pSettings == nullptr) {
        m_pOwnSettings = MakeProgramSettings();
        services.m_pSettings = m_pOwnSettings.get();
    }
    m_pMessages = services.m_pMessages;
    m_pChooser = services.m_pChooser;
    m_pDialogs = services.m_pDialogs;
    m_pQuestions = services.m_pQuestions;
    m_pSettings = services.m_pSettings;
    m_exit = services.m_exit ? services.m_exit : [](int status) { std::exit(status); };
    // The TIFF library's errors appear as warning boxes captioned with the reporting function.
    m_pTiffErrors = std::make_unique<TiffErrorScope>(*m_pMessages);
    AttachDialogs(*this);
}

Application::~Application() {
    m_pFrame.reset();
}

bool Application::InitInstance(const QStringList& arguments) {
    m_pFrame = std::make_unique<MainWindow>([this] { UpdateCommandUi(); });
    for (const CommandEntry& entry : CommandTable())
        connect(m_pFrame->GetAction(entry.m_id), &QAction::triggered, this,
                [this, &entry] { RunCommand(entry); });
    m_pView = new ImageView(*this, m_pFrame.get());
    m_pFrame->setCentralWidget(m_pView);
    if (auto* qtMessages = dynamic_cast<QtMessages*>(m_pMessages))
        qtMessages->SetParent(m_pFrame.get());
    if (m_pOwnQuestions)
        m_pOwnQuestions->SetParent(m_pFrame.get());
    m_pFrame->installEventFilter(this);
    m_pView->OnInitialUpdate();
    LoadMrcPreference();
    ConnectViewer();

    // The window fits the screen it opens on, at any display scaling, or is as it was left: its size
    // and place, the toolbar and the docks.
    m_pFrame->resize(FittedWindowSize(QSize(900, 700), m_pFrame->screen()->availableGeometry().size()));
    QSettings settings;
    m_pFrame->restoreGeometry(settings.value(SETTINGS_WINDOW_GEOMETRY).toByteArray());
    m_pFrame->restoreState(settings.value(SETTINGS_WINDOW_STATE).toByteArray());
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { SaveWindowState(); });
    m_pFrame->show();
    m_pView->setFocus();

    m_pick.ResetPickState();
    m_runSettings = RunSettings{};
    m_runState = RunDialogState{};
    m_fZoom = ResetZoom();
    UpdateCommandUi();
    // Files named on the command line open as File Open opens them, in order.
    for (const QString& argument : arguments)
        if (!argument.startsWith('-'))
            OpenPath(argument.toStdString());
    return true;
}

void Application::SaveWindowState() {
    if (!m_pFrame)
        return;
    QSettings settings;
    settings.setValue(SETTINGS_WINDOW_GEOMETRY, m_pFrame->saveGeometry());
    settings.setValue(SETTINGS_WINDOW_STATE, m_pFrame->saveState());
}

bool Application::EndIfFatal(Outcome outcome) {
    if (!EndsProgram(outcome))
        return false;
    EndProcess(ExitStatusOf(outcome, 0));
    return true;
}

void Application::EndProcess(int status) {
    m_exit(status);
}

bool Application::RefuseDuringRun() {
    if (!m_runState.m_bRunning)
        return false;
    m_pMessages->Warning(MSG_RUNNING_WAIT);
    return true;
}

void Application::OnCommand(CommandId id) {
    if (const CommandEntry* entry = FindCommand(id))
        RunCommand(*entry);
}

void Application::RunCommand(const CommandEntry& entry) {
    if (entry.m_beforeBusyTest != nullptr)
        (this->*entry.m_beforeBusyTest)();
    const bool refused = entry.m_bRefusesDuringRun && RefuseDuringRun();
    if (!refused)
        (this->*entry.m_handler)();
    UpdateCommandUi();
}

void Application::UpdateCommandUi() {
    if (!m_pFrame)
        return;
    m_pFrame->GetAction(ID_VIEW_TOOLBAR)->setChecked(m_pFrame->GetToolBar()->isVisible());
    m_pFrame->GetAction(ID_VIEW_STATUS_BAR)->setChecked(m_pFrame->GetStatusBarWidget()->isVisible());
    m_pFrame->GetAction(ID_VIEW_IMAGE_LIST)->setChecked(m_pView->IsImageListVisible());
    m_pFrame->GetAction(ID_FILE_PROPERTIES)->setEnabled(m_document.CanShowProperties());
    m_pFrame->GetAction(ID_TOOLS_WRITE_MRC2014)->setChecked(WritesMrc2014());
}

void Application::OnPresetRunParameters() {
    if (m_hooks.m_presetRunParameters)
        m_hooks.m_presetRunParameters(*this);
}

void Application::OnTransmittivityToOD() {
    if (m_hooks.m_transmittivityToOD)
        m_hooks.m_transmittivityToOD(*this);
}

void Application::ClearPickState() {
    CloseSuggestions();
    m_pick.ResetPickState();
}

void Application::OnSetPickMode() {
    if (m_hooks.m_pickSettings)
        m_hooks.m_pickSettings(*this);
    UpdatePickStatus();
    m_pView->DrawImage();
}

void Application::OnZoomIn() {
    m_fZoom = ZoomIn(m_fZoom);
    m_pView->DrawImage();
}

void Application::OnZoomOut() {
    m_fZoom = ZoomOut(m_fZoom);
    m_pView->DrawImage();
}

void Application::OnResetZoom() {
    m_fZoom = ResetZoom();
    m_pView->DrawImage();
}

void Application::OnAppExit() {
    m_pFrame->close();
}

void Application::OnViewToolbar() {
    m_pFrame->GetToolBar()->setVisible(!m_pFrame->GetToolBar()->isVisible());
}

void Application::OnViewStatusBar() {
    m_pFrame->GetStatusBarWidget()->setVisible(!m_pFrame->GetStatusBarWidget()->isVisible());
}

void Application::OnImageList() {
    m_pView->OnImageList();
}

// Opens the user guide: the HTML guide in the desktop's browser (a whole file:/// address) where one
// is found, else the RTF guide with the help viewer. The viewer is waited for at most a second; when
// it cannot be started or fails within that second, a warning names the guide it could not open. A
// viewer that fails later is not heard of. With no guide at all, the warning names every path looked at.
void Application::OnHelpContents() {
    const HelpGuide guide = FindHelpGuide(m_helpFolders);
    if (!guide.m_strHtml.empty() && m_openHelpPage && m_openHelpPage(guide.m_strHtml))
        return;
    if (guide.m_strRtf.empty()) {
        std::string text = MSG_HELP_NOT_FOUND;
        for (const std::string& path : guide.m_lookedFor)
            text += "\n" + path;
        m_pMessages->Warning(text);
        return;
    }
    ChildProcess process;
    if (process.Start(m_strHelpViewer, {guide.m_strRtf}, HELP_WAIT_MILLISECONDS) && !process.HasFailed())
        return;
    m_pMessages->Warning(MSG_HELP_NOT_OPENED + guide.m_strRtf);
}

void Application::OnAppAbout() {
    AboutDialog dialog(m_pFrame.get());
    m_pDialogs->Exec(dialog);
}

QPrinter& Application::Printer() {
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_pPrinter;
}

void Application::OnFilePrint() {
    QPrintDialog dialog(&Printer(), m_pFrame.get());
    if (m_pDialogs->Exec(dialog) == QDialog::Accepted)
        m_pView->Print(Printer());
}

void Application::OnFilePrintPreview() {
    QPrintPreviewDialog preview(&Printer(), m_pFrame.get());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { m_pView->Print(*printer); });
    m_pDialogs->Exec(preview);
}

void Application::OnFilePrintSetup() {
    QPageSetupDialog dialog(&Printer(), m_pFrame.get());
    m_pDialogs->Exec(dialog);
}

// ViewContext.

const PixelStore* Application::GetImage(int index) {
    return m_document.GetImage(index);
}

int Application::GetImageCount() const {
    return m_document.GetImageCount();
}

std::string Application::GetImagePath() const {
    return m_document.GetImagePath();
}

bool Application::IsPickMode() const {
    return m_pick.m_bPickMode != 0;
}

int Application::GetMaskSize() const {
    return m_pick.m_nMaskSize;
}

std::vector<ViewPoint> Application::GetPicks() const {
    std::vector<ViewPoint> picks;
    for (int i = 0; i < m_pick.m_nPickCount && i < MAX_PICKS; ++i)
        picks.push_back({m_pick.m_ptPicks[i].x, m_pick.m_ptPicks[i].y});
    return picks;
}

const PixelStore* Application::PickImage(const PickPointer& pointer) {
    return m_document.GetImage(pointer.imageIndex);
}

namespace {
PickPoint ImagePosition(const PickPointer& pointer, float zoom) {
    return {ImageCoordinate(pointer.window.x, pointer.scroll.x, zoom),
            ImageCoordinate(pointer.window.y, pointer.scroll.y, zoom)};
}
} // namespace

void Application::AddPick(const PickPointer& pointer) {
    if (gc::AddPick(m_pick, PickImage(pointer), ImagePosition(pointer, m_fZoom)) == AddPickResult::Added) {
        UpdatePickStatus();
        m_pView->DrawImage();
    }
}

void Application::RemovePick(const PickPointer& pointer) {
    if (gc::RemovePick(m_pick, PickImage(pointer), ImagePosition(pointer, m_fZoom))) {
        UpdatePickStatus();
        m_pView->DrawImage();
    }
}

// After saving, the saved boxes stay drawn (in their own colour) until another image is shown, and
// the status bar names the folder and the files written.
void Application::SavePicks(const PickPointer& pointer) {
    const std::vector<ViewPoint> picks = GetPicks();
    const int maskSize = m_pick.m_nMaskSize;
    // Boxes picked on an MRC section carry the file's own values.
    PickMicrograph micrograph;
    if (m_document.GetFileType() == FT_MRC)
        micrograph = {m_document.GetImagePath(), pointer.imageIndex, m_document.GetMrcPixelSize()};
    const SavePicksResult result = gc::SavePicks(m_pick, PickImage(pointer), *m_pMessages, {}, micrograph);
    if (EndIfFatal(OutcomeOf(result.m_outcome)))
        return;
    if (result.m_outcome == SavePicksOutcome::NothingToSave)
        return;
    if (!result.m_written.empty()) {
        // The accepted suggestions are saved boxes now; the review ends with the list it filled.
        CloseSuggestions();
        m_savedPicks = picks;
        m_nSavedImage = pointer.imageIndex;
        m_nSavedMaskSize = maskSize;
        QStringList names;
        for (const std::string& written : result.m_written)
            names << QFileInfo(QString::fromStdString(written)).fileName();
        for (const std::string& written : result.m_coordinateFiles)
            names << QFileInfo(QString::fromStdString(written)).fileName();
        const QString folder = QFileInfo(QString::fromStdString(result.m_written.front())).absolutePath();
        m_pFrame->GetStatusBarWidget()->showMessage(
            QString(STATUS_PICKS_SAVED).arg(folder, names.join(", ")));
    }
    UpdatePickStatus();
    m_pView->DrawImage();
}

} // namespace gc
