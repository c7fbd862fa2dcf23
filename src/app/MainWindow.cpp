#include "MainWindow.h"

#include "AppIcons.h"
#include "AppMessages.h"
#include "CommandTable.h"
#include "LockKeys.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace gc {

MainWindow::MainWindow(MenuUpdater onMenuUpdate) : m_onMenuUpdate(std::move(onMenuUpdate)) {
    setWindowTitle(APP_TITLE);
    setWindowIcon(ApplicationIcon());
    setDockOptions(dockOptions());
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    UpdateIndicators();
    qApp->installEventFilter(this);
}

void MainWindow::UpdateIndicators() {
    const std::optional<LockKeyState> state = QueryLockKeys();
    const bool on[] = {!state || state->m_bCaps, !state || state->m_bNum, !state || state->m_bScroll};
    const char* texts[] = {INDICATOR_CAPS, INDICATOR_NUM, INDICATOR_SCROLL};
    for (int i = 0; i < m_indicators.size(); ++i)
        m_indicators[i]->setText(on[i] ? texts[i] : "");
}

// Lock keys change with key presses anywhere in the program and while it is in the background.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ApplicationActivate)
        UpdateIndicators();
    return QMainWindow::eventFilter(watched, event);
}

QAction* MainWindow::GetAction(CommandId id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

QMenu* MainWindow::GetMenu(int index) const {
    return (index >= 0 && index < m_menus.size()) ? m_menus[index] : nullptr;
}

void MainWindow::CreateActions() {
    for (const CommandEntry& entry : CommandTable()) {
        auto* action = new QAction(QString::fromUtf8(entry.m_szText), this);
        action->setObjectName(QString("command%1").arg(entry.m_id));
        action->setData(entry.m_id);
        if (*entry.m_szKey != '\0')
            action->setShortcut(QKeySequence(QString::fromUtf8(entry.m_szKey)));
        action->setShortcutContext(Qt::WindowShortcut);
        action->setStatusTip(QString::fromUtf8(entry.m_szPrompt));
        action->setToolTip(
            QString::fromStdString(entry.m_nToolbarPosition > 0 ? ToolTipText(entry) : entry.m_szTip));
        action->setIcon(ToolbarIcon(entry.m_id));
        action->setIconVisibleInMenu(false);
        if (entry.m_id == ID_VIEW_TOOLBAR || entry.m_id == ID_VIEW_STATUS_BAR ||
            entry.m_id == ID_VIEW_IMAGE_LIST || entry.m_id == ID_TOOLS_WRITE_MRC2014 ||
            entry.m_id == ID_VIEW_AUTO_CONTRAST || entry.m_id == ID_VIEW_LOW_PASS)
            action->setCheckable(true);
        // Keys belong to the main window, whether or not the command has a menu entry or a button.
        addAction(action);
        m_actions[entry.m_id] = action;
    }
}

void MainWindow::CreateMenus() {
    for (CommandMenu menu : {CommandMenu::File, CommandMenu::Tools, CommandMenu::View, CommandMenu::Help}) {
        QMenu* qmenu = menuBar()->addMenu(MenuTitle(menu));
        connect(qmenu, &QMenu::aboutToShow, this, [this] {
            if (m_onMenuUpdate)
                m_onMenuUpdate();
        });
        for (const CommandEntry& entry : CommandTable()) {
            if (entry.m_menu != menu)
                continue;
            qmenu->addAction(m_actions[entry.m_id]);
            if (entry.m_id == ID_FILE_OPEN) {
                m_recentMenu = qmenu->addMenu(MENU_OPEN_RECENT);
                m_recentMenu->setObjectName("recentFiles");
            }
            if (entry.m_bSeparatorAfter)
                qmenu->addSeparator();
        }
        m_menus << qmenu;
    }
}

void MainWindow::CreateToolBar() {
    m_wndToolBar = new QToolBar(this);
    m_wndToolBar->setObjectName("toolbar");
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    // The toolbar keeps the platform style's icon size; the theme's icons come in its sizes.
    m_wndToolBar->toggleViewAction()->setVisible(false);
    for (CommandId id : ToolbarLayout()) {
        if (id == TOOLBAR_SEPARATOR)
            m_wndToolBar->addSeparator();
        else
            m_wndToolBar->addAction(m_actions[id]);
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
}

void MainWindow::CreateStatusBar() {
    m_wndStatusBar = new QStatusBar(this);
    setStatusBar(m_wndStatusBar);
    auto pane = [this](const char* name, const QString& widest) {
        auto* label = new QLabel(m_wndStatusBar);
        label->setObjectName(name);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + 12);
        m_wndStatusBar->addPermanentWidget(label);
        return label;
    };
    m_pickPane = pane("pickPane", "");
    m_pickPane->hide();
    m_zoomPane = pane("zoomPane", "Zoom 100.0%");
    m_positionPane = pane("positionPane", "x 00000, y 00000");
    m_valuePane = pane("valuePane", "RGB 255, 255, 255");
    for (const char* text : {INDICATOR_CAPS, INDICATOR_NUM, INDICATOR_SCROLL}) {
        auto* indicator = new QLabel(text, m_wndStatusBar);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setMinimumWidth(indicator->fontMetrics().horizontalAdvance("SCRL") + 12);
        m_wndStatusBar->addPermanentWidget(indicator);
        m_indicators << indicator;
    }
    // The message pane reads "Ready" whenever no prompt is shown.
    connect(m_wndStatusBar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (message.isEmpty())
            m_wndStatusBar->showMessage(STATUS_READY);
    });
    m_wndStatusBar->showMessage(STATUS_READY);
}

} // namespace gc
