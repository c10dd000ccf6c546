#include "app/shell/MainWindowCommands.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QWindow>

MainWindowCommands::MainWindowCommands(QWindow &window, QMenu &menu, QObject *parent)
    : QObject(parent)
    , m_window(&window)
    , m_menu(&menu)
{
    window.installEventFilter(this);
}

bool MainWindowCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_window || m_menu.isNull())
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Menu) {
            openMenu(m_window->mapToGlobal(QPoint(m_window->width() / 2, 0)));
            return true;
        }
        return triggerShortcut(QKeySequence(key->keyCombination()));
    }
    case QEvent::MouseButtonPress: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::RightButton)
            return false;
        openMenu(mouse->globalPosition().toPoint());
        return true;
    }
    default:
        return false;
    }
}

bool MainWindowCommands::triggerShortcut(const QKeySequence &pressed)
{
    for (QAction *action : m_menu->actions()) {
        if (!action->shortcut().isEmpty() && action->shortcut() == pressed) {
            if (action->isEnabled())
                action->trigger();
            return true;
        }
    }
    return false;
}

void MainWindowCommands::openMenu(const QPoint &globalPosition)
{
    m_menu->popup(globalPosition);
}
