#include "platform/x11/X11IdleTimeSource.h"

#include "foundation/Log.h"
#include "platform/x11/X11Connection.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

X11IdleTimeSource::X11IdleTimeSource() = default;
X11IdleTimeSource::~X11IdleTimeSource() = default;

std::optional<double> X11IdleTimeSource::secondsSinceLastInput()
{
    std::lock_guard lock(m_mutex);
    if (!m_connection || !m_connection->isHealthy()) {
        m_connection = std::make_unique<X11Connection>(lcActivity());
        int event = 0;
        int error = 0;
        if (!m_connection->isOpen() ||
            !XScreenSaverQueryExtension(m_connection->display(), &event, &error)) {
            m_connection.reset();
            // Said once per outage; the idle poll asks every few seconds.
            if (!m_reportedUnavailable)
                zuvError(lcActivity) << "The X display's idle time is not available";
            m_reportedUnavailable = true;
            return std::nullopt;
        }
        m_reportedUnavailable = false;
    }
    XScreenSaverInfo *info = XScreenSaverAllocInfo();
    if (!info)
        return std::nullopt;
    std::optional<double> seconds;
    if (XScreenSaverQueryInfo(m_connection->display(), m_connection->rootWindow(), info))
        seconds = static_cast<double>(info->idle) / 1000.0;
    XFree(info);
    return seconds;
}
