#include "platform/portal/ScreenLayoutWatcher.h"

#include <QGuiApplication>
#include <QScreen>

QList<DisplayInfo> ScreenLayoutWatcher::Layout::screens() const
{
    std::lock_guard lock(m_mutex);
    return m_screens;
}

void ScreenLayoutWatcher::Layout::setScreens(QList<DisplayInfo> screens)
{
    std::lock_guard lock(m_mutex);
    m_screens = std::move(screens);
}

ScreenLayoutWatcher::ScreenLayoutWatcher(QObject *parent)
    : QObject(parent)
{
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!application)
        return;
    connect(application, &QGuiApplication::screenAdded, this, [this](QScreen *screen) {
        watch(screen);
        refresh();
    });
    connect(application, &QGuiApplication::screenRemoved, this, &ScreenLayoutWatcher::refresh);
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
    refresh();
}

void ScreenLayoutWatcher::watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, &ScreenLayoutWatcher::refresh);
}

void ScreenLayoutWatcher::refresh()
{
    QList<DisplayInfo> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(DisplayInfo{screen->name(), screen->geometry()});
    m_layout->setScreens(std::move(screens));
}
