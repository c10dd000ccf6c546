#pragma once

#include <QLoggingCategory>
#include <QString>

#include <memory>

using Display = struct _XDisplay;

// An Xlib connection of our own, closed when it goes. Xlib's default handlers end the process on
// a protocol error or a lost connection; the first connection installs handlers that only log
// and mark the connection broken, so a failed request or a dying display server never takes the
// program down.
class X11Connection
{
public:
    // Opens the display named by $DISPLAY; isOpen() tells whether it worked. A lost connection
    // is logged in the given category.
    explicit X11Connection(const QLoggingCategory &logCategory);
    ~X11Connection();
    X11Connection(const X11Connection &) = delete;
    X11Connection &operator=(const X11Connection &) = delete;

    bool isOpen() const { return m_display != nullptr; }
    // False once the connection to the server was lost.
    bool isHealthy() const;
    Display *display() const { return m_display; }
    unsigned long rootWindow() const;

    // Runs requests with protocol errors caught: returns the error code of the first error
    // raised on this connection since the last call (0 when none). Synchronises with the server.
    int takeProtocolError();
    // The same after a request whose reply was waited for: its error came in the reply's place,
    // so no further round trip is needed.
    int takeReplyError();

    static QString displayName();

private:
    Display *m_display = nullptr;
};
