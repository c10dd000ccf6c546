#pragma once

#include "platform/DisplayCaptureBackend.h"

#include <QList>
#include <QObject>

#include <memory>
#include <mutex>

class QScreen;

// The screens' rectangles on the desktop as the GUI thread's QScreen list has them, copied on
// every change into a holder that the capture thread reads without touching QScreen (which
// belongs to the GUI thread) and that outlives the watcher. Made on the GUI thread; empty without
// a QGuiApplication.
class ScreenLayoutWatcher : public QObject
{
    Q_OBJECT

public:
    class Layout
    {
    public:
        QList<DisplayInfo> screens() const;
        void setScreens(QList<DisplayInfo> screens);

    private:
        mutable std::mutex m_mutex;
        QList<DisplayInfo> m_screens;
    };

    explicit ScreenLayoutWatcher(QObject *parent = nullptr);

    std::shared_ptr<const Layout> layout() const { return m_layout; }

private:
    void watch(QScreen *screen);
    void refresh();

    std::shared_ptr<Layout> m_layout = std::make_shared<Layout>();
};
