// MainWindow: the main window. Builds the menus, the movable toolbar, the keys and the status bar
// (message pane plus the CAP, NUM and SCRL indicators) from the command table: one action per
// command, which the application connects to the command's handler.
#pragma once

#include "CommandTable.h"

#include <QMainWindow>

#include <functional>
#include <map>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

namespace gc {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Called before a menu opens, to update check marks and enabled states.
    using MenuUpdater = std::function<void()>;

    explicit MainWindow(MenuUpdater onMenuUpdate = {});

    QAction* GetAction(CommandId id) const;
    QToolBar* GetToolBar() const { return m_wndToolBar; }
    QStatusBar* GetStatusBarWidget() const { return m_wndStatusBar; }
    QMenu* GetMenu(int index) const;
    // The status-bar indicator labels, in order: CAP, NUM, SCRL.
    QList<QLabel*> GetIndicators() const { return m_indicators; }
    // Shows each indicator's text while its lock key is on (always, where the state is unknown).
    void UpdateIndicators();
    // The viewer's panes, before the indicators: pick mode, zoom, pointer position, pixel value.
    QLabel* GetPickPane() const { return m_pickPane; }
    QLabel* GetZoomPane() const { return m_zoomPane; }
    QLabel* GetPositionPane() const { return m_positionPane; }
    QLabel* GetValuePane() const { return m_valuePane; }
    // File ▸ Open Recent.
    QMenu* GetRecentMenu() const { return m_recentMenu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();

    MenuUpdater m_onMenuUpdate;
    std::map<CommandId, QAction*> m_actions;
    QList<QMenu*> m_menus;
    QList<QLabel*> m_indicators;
    QStatusBar* m_wndStatusBar = nullptr;
    QLabel* m_pickPane = nullptr;
    QLabel* m_zoomPane = nullptr;
    QLabel* m_positionPane = nullptr;
    QLabel* m_valuePane = nullptr;
    QMenu* m_recentMenu = nullptr;
    QToolBar* m_wndToolBar = nullptr;
};

} // namespace gc
