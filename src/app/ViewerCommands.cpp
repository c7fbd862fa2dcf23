// The viewer's commands around the documented ones: Fit to Window and Actual Size, Auto Contrast,
// Undo Last Pick, the opening of a chosen, recent or dropped file, the status bar's panes (zoom,
// pointer position and value, pick mode) and the Ctrl+wheel zoom's factor.
#include "AppMessages.h"
#include "Application.h"
#include "ContrastPanel.h"
#include "MainWindow.h"
#include "document/DocumentMessages.h"
#include "view/ImageListWindow.h"
#include "view/ImageView.h"
#include "view/LowPass.h"
#include "view/PixelReadout.h"
#include "view/ViewMessages.h"
#include "view/ViewerNavigation.h"
#include "view/ZoomFactor.h"

#include <QAction>
#include <QDockWidget>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>

namespace gc {

void Application::OnFitToWindow() {
    const PixelStore* image = m_document.GetImage(m_pView->GetImageIndex());
    if (image == nullptr || !image->IsValid())
        return;
    // Without scroll bars the whole client area is free for the picture.
    const QSize client = m_pView->maximumViewportSize();
    m_fZoom = FitZoom(image->Width(), image->Height(), client.width(), client.height());
    m_pView->UpdateZoomedSize();
    m_pView->ScrollTo({0, 0});
    m_pFrame->GetStatusBarWidget()->clearMessage();
    m_pView->DrawImage();
}

void Application::OnActualSize() {
    m_fZoom = ResetZoom();
    m_pView->DrawImage();
}

void Application::OnAutoContrast() {
    m_pView->SetAutoContrast(!m_pView->IsAutoContrast());
    m_pFrame->GetAction(ID_VIEW_AUTO_CONTRAST)->setChecked(m_pView->IsAutoContrast());
}

void Application::OnLowPass() {
    const bool angstrom = m_document.GetPixelSize() > 0;
    QInputDialog dialog(m_pFrame.get());
    dialog.setWindowTitle(LOW_PASS_CAPTION);
    dialog.setLabelText(angstrom ? LOW_PASS_ANGSTROM : LOW_PASS_PIXELS);
    dialog.setInputMode(QInputDialog::DoubleInput);
    dialog.setDoubleRange(0, 10000);
    dialog.setDoubleDecimals(1);
    dialog.setDoubleValue(m_dLowPassWidth);
    if (m_pDialogs->Exec(dialog) != QDialog::Accepted)
        return;
    m_dLowPassWidth = dialog.doubleValue();
    m_pView->SetLowPass(LowPassSigmaPixels(m_dLowPassWidth, m_document.GetPixelSize()));
    m_pFrame->GetAction(ID_VIEW_LOW_PASS)->setChecked(m_dLowPassWidth > 0);
}

void Application::OnContrastPanel() {
    if (m_pContrastPanel == nullptr) {
        auto* dock = new QDockWidget(CONTRAST_CAPTION, m_pFrame.get());
        dock->setObjectName("contrastDock");
        m_pContrastPanel =
            new ContrastPanel([this](const DisplayMapping& mapping) { m_pView->SetMapping(mapping); },
                              [this] { return AutoMapping(m_pView->Histogram()); }, dock);
        dock->setWidget(m_pContrastPanel);
        m_pFrame->addDockWidget(Qt::RightDockWidgetArea, dock);
        dock->hide();
    }
    QWidget* dock = m_pContrastPanel->parentWidget();
    dock->setVisible(!dock->isVisible());
    if (dock->isVisible())
        m_pContrastPanel->Show(m_pView->Histogram(), m_pView->Mapping());
}

void Application::OnUndoLastPick() {
    // While suggestions are reviewed, Undo takes back the review's steps first.
    if (m_pSuggest && m_pSuggest->Undo())
        return;
    if (m_pick.m_nPickCount <= 0)
        return;
    --m_pick.m_nPickCount;
    m_pick.m_ptPicks[m_pick.m_nPickCount] = EMPTY_PICK;
    UpdatePickStatus();
    m_pView->DrawImage();
}

bool Application::SetZoom(float zoom) {
    m_fZoom = zoom;
    return true;
}

void Application::OpenPath(const std::string& path) {
    if (!MayLeavePicks())
        return;
    CloseSuggestions();
    m_pick.m_strOpenFilePath = path;
    m_pick.ResetPickState();
    m_savedPicks.clear();
    m_nSavedImage = -1;
    if (EndIfFatal(OutcomeOf(m_document.OpenFile(path, *m_pMessages))))
        return;
    m_pView->OnUpdate();
    UpdatePickStatus();
    UpdateCommandUi();
    if (m_document.GetImagePath() != path)
        return;
    AddRecentFile(path);
    const PixelStore* image = m_document.GetImage(0);
    const QSize client = m_pView->viewport()->size();
    if (image != nullptr && image->IsValid() &&
        (ZoomedLength(image->Width(), m_fZoom) > client.width() ||
         ZoomedLength(image->Height(), m_fZoom) > client.height()))
        m_pFrame->GetStatusBarWidget()->showMessage(MSG_FIT_HINT);
}

void Application::AddRecentFile(const std::string& path) {
    const QString absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > RECENT_FILE_COUNT)
        m_recentFiles.removeLast();
    QSettings().setValue(SETTINGS_RECENT_FILES, m_recentFiles);
    FillRecentMenu();
}

void Application::FillRecentMenu() {
    QMenu* menu = m_pFrame->GetRecentMenu();
    if (menu == nullptr)
        return;
    menu->clear();
    for (int i = 0; i < m_recentFiles.size(); ++i) {
        const QString path = m_recentFiles[i];
        QAction* action = menu->addAction(QString("&%1 %2").arg(i + 1).arg(path));
        connect(action, &QAction::triggered, this, [this, path] { OpenPath(path.toStdString()); });
    }
    menu->setEnabled(!m_recentFiles.isEmpty());
}

std::vector<ViewPoint> Application::GetSavedPicks(int index) const {
    return index == m_nSavedImage ? m_savedPicks : std::vector<ViewPoint>{};
}

void Application::UpdatePickStatus() {
    if (!m_pFrame)
        return;
    QLabel* pane = m_pFrame->GetPickPane();
    pane->setText(QString(STATUS_PICK_MODE).arg(m_pick.m_nMaskSize).arg(m_pick.m_nPickCount));
    pane->setToolTip("Right click adds a box, left click removes one, a double click saves them");
    pane->setVisible(IsPickMode());
}

// Connects the view's reports to the status bar's panes, the drop of a file to File Open, and reads
// the recent files; called once the frame and the view exist.
void Application::ConnectViewer() {
    m_pView->SetCanvasColor(QColor(48, 48, 48));
    MainWindow* frame = m_pFrame.get();
    // The image list docks at the side instead of floating over the image.
    auto* dock = new QDockWidget(DIRECTORY_CAPTION, frame);
    dock->setObjectName("imageListDock");
    ImageListWindow& list = m_pView->GetDirDlg();
    list.setParent(dock);
    list.setWindowFlags(Qt::Widget);
    dock->setWidget(&list);
    frame->addDockWidget(Qt::LeftDockWidgetArea, dock);
    dock->toggleViewAction()->setVisible(false);
    m_pView->SetImageListHost(dock);
    dock->hide();
    connect(m_pView, &ImageView::PointerStatus, frame,
            [frame](const QString& position, const QString& value) {
                frame->GetPositionPane()->setText(position);
                frame->GetValuePane()->setText(value);
            });
    connect(m_pView, &ImageView::ZoomShown, frame, [frame](float zoom) {
        frame->GetZoomPane()->setText(QString::fromStdString(ZoomPaneText(zoom)));
    });
    connect(m_pView, &ImageView::FileDropped, this,
            [this](const QString& path) { OpenPath(path.toStdString()); });
    connect(m_pView, &ImageView::Measured, frame,
            [frame](const QString& text) { frame->GetStatusBarWidget()->showMessage(text); });
    frame->GetZoomPane()->setText(QString::fromStdString(ZoomPaneText(m_fZoom)));
    m_recentFiles = QSettings().value(SETTINGS_RECENT_FILES).toStringList().mid(0, RECENT_FILE_COUNT);
    FillRecentMenu();
}

} // namespace gc
