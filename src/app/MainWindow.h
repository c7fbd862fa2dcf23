// MainWindow: the main window. Builds the menus, the movable toolbar, the keys and the status bar
// (message pane plus the CAP, NUM and SCRL indicators) from the command table, and hands every
// triggered command to one handler.
#pragma once

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
    using CommandHandler = std::function<void(int id)>;
    // Called before a menu opens, to update check marks and enabled states.
    using MenuUpdater = std::function<void()>;

    explicit MainWindow(CommandHandler onCommand, MenuUpdater onMenuUpdate = {});

    QAction* GetAction(int id) const;
    QToolBar* GetToolBar() const { return m_wndToolBar; }
    QStatusBar* GetStatusBarWidget() const { return m_wndStatusBar; }
    QMenu* GetMenu(int index) const;
    // The status-bar indicator labels, in order: CAP, NUM, SCRL.
    QList<QLabel*> GetIndicators() const { return m_indicators; }
    // Shows each indicator's text while its lock key is on (always, where the state is unknown).
    void UpdateIndicators();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();

    CommandHandler m_onCommand;
    MenuUpdater m_onMenuUpdate;
    std::map<int, QAction*> m_actions;
    QList<QMenu*> m_menus;
    QList<QLabel*> m_indicators;
    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
};

} // namespace gc
