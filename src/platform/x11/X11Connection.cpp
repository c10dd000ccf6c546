#include "platform/x11/X11Connection.h"

#include "foundation/Log.h"

#include <X11/Xlib.h>

#include <QHash>
#include <QMutex>
#include <QSet>

#include <mutex>

namespace {

// Xlib's handlers are process-wide; what they record is kept per display.
QMutex s_stateMutex;
QHash<Display *, int> s_lastErrorCode;
QSet<Display *> s_brokenDisplays;

int recordProtocolError(Display *display, XErrorEvent *event)
{
    QMutexLocker locker(&s_stateMutex);
    if (!s_lastErrorCode.value(display))
        s_lastErrorCode.insert(display, event->error_code);
    return 0;
}

int ignoreIoError(Display *)
{
    return 0;
}

void markBroken(Display *display, void *userData)
{
    {
        QMutexLocker locker(&s_stateMutex);
        s_brokenDisplays.insert(display);
    }
    const auto *category = static_cast<const QLoggingCategory *>(userData);
    zuvError((*category)) << "Lost the connection to the X display";
}

void installHandlersOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        XSetErrorHandler(recordProtocolError);
        XSetIOErrorHandler(ignoreIoError);
    });
}

} // namespace

X11Connection::X11Connection(const QLoggingCategory &logCategory)
{
    installHandlersOnce();
    m_display = XOpenDisplay(nullptr);
    if (m_display)
        XSetIOErrorExitHandler(m_display, markBroken, const_cast<QLoggingCategory *>(&logCategory));
}

X11Connection::~X11Connection()
{
    if (!m_display)
        return;
    {
        QMutexLocker locker(&s_stateMutex);
        s_lastErrorCode.remove(m_display);
    }
    // A broken connection must not be closed through Xlib (it would report the loss again);
    // its memory is the lesser harm.
    if (isHealthy())
        XCloseDisplay(m_display);
    QMutexLocker locker(&s_stateMutex);
    s_brokenDisplays.remove(m_display);
}

bool X11Connection::isHealthy() const
{
    if (!m_display)
        return false;
    QMutexLocker locker(&s_stateMutex);
    return !s_brokenDisplays.contains(m_display);
}

unsigned long X11Connection::rootWindow() const
{
    return m_display ? XDefaultRootWindow(m_display) : 0;
}

int X11Connection::takeProtocolError()
{
    if (!m_display)
        return 0;
    XSync(m_display, False);
    return takeReplyError();
}

int X11Connection::takeReplyError()
{
    if (!m_display)
        return 0;
    QMutexLocker locker(&s_stateMutex);
    return s_lastErrorCode.take(m_display);
}

QString X11Connection::displayName()
{
    return QString::fromLocal8Bit(XDisplayName(nullptr));
}
