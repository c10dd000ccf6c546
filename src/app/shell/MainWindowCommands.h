#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QWindow;

// The application menu's commands in the main window, which is the only way to them where the
// desktop has no tray: each command's shortcut works while the window has the focus, and a right
// click (or the context-menu key) opens the menu of commands there.
//
// The window hosts Qt Quick content, not widgets, where an action's own shortcut has no effect;
// so the keys are matched here, before the window's items see them.
class MainWindowCommands : public QObject
{
    Q_OBJECT

public:
    MainWindowCommands(QWindow &window, QMenu &menu, QObject *parent = nullptr);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool triggerShortcut(const QKeySequence &pressed);
    void openMenu(const QPoint &globalPosition);

    QPointer<QWindow> m_window;
    QPointer<QMenu> m_menu;
};
