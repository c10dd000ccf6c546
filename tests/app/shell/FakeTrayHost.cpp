#include "app/shell/FakeTrayHost.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {
constexpr long requestDock = 0; // SYSTEM_TRAY_REQUEST_DOCK
// The server stamps input with a coarse clock: a few milliseconds keep the gap it sees clear of
// the interval.
constexpr int clockSlackMs = 50;
} // namespace

FakeTrayHost::FakeTrayHost()
{
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr)
        return;
    const int screen = DefaultScreen(m_display);
    const Window root = RootWindow(m_display, screen);
    m_hostX = DisplayWidth(m_display, screen) - 120;
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(m_display, screen);
    attributes.override_redirect = True;
    m_window = XCreateWindow(m_display, root, m_hostX, 0, 120, 32, 0, CopyFromParent, InputOutput,
                             nullptr, CWBackPixel | CWOverrideRedirect, &attributes);
    XSelectInput(m_display, m_window, SubstructureNotifyMask | StructureNotifyMask);
    XMapWindow(m_display, m_window);
    m_opcode = XInternAtom(m_display, "_NET_SYSTEM_TRAY_OPCODE", False);
    const Atom selection = XInternAtom(m_display, "_NET_SYSTEM_TRAY_S0", False);
    XSetSelectionOwner(m_display, selection, m_window, CurrentTime);
    m_owned = XGetSelectionOwner(m_display, selection) == m_window;

    // Clients waiting for a tray learn of it from this announcement on the root window.
    XEvent announcement{};
    announcement.xclient.type = ClientMessage;
    announcement.xclient.window = root;
    announcement.xclient.message_type = XInternAtom(m_display, "MANAGER", False);
    announcement.xclient.format = 32;
    announcement.xclient.data.l[0] = CurrentTime;
    announcement.xclient.data.l[1] = static_cast<long>(selection);
    announcement.xclient.data.l[2] = static_cast<long>(m_window);
    XSendEvent(m_display, root, False, StructureNotifyMask, &announcement);
    XSync(m_display, False);
}

FakeTrayHost::~FakeTrayHost()
{
    if (m_display == nullptr)
        return;
    if (m_window != 0)
        XDestroyWindow(m_display, m_window);
    XCloseDisplay(m_display);
}

void FakeTrayHost::pump()
{
    if (m_display == nullptr)
        return;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == m_opcode &&
            event.xclient.data.l[1] == requestDock) {
            m_dockRequests.append(static_cast<WindowId>(event.xclient.data.l[2]));
        }
    }
}

void FakeTrayHost::embed(WindowId icon)
{
    XReparentWindow(m_display, icon, m_window, 8, 4);
    XResizeWindow(m_display, icon, 24, 24);
    XMapRaised(m_display, icon);
    XSync(m_display, False);
}

void FakeTrayHost::click(const QPoint &at, unsigned int button)
{
    // Timed from the moment the server had the previous click: its input stamps come no later.
    if (m_sinceLastClick.isValid()) {
        const qint64 apart =
            QGuiApplication::styleHints()->mouseDoubleClickInterval() + clockSlackMs;
        const qint64 remaining = apart - m_sinceLastClick.elapsed();
        if (remaining > 0)
            QTest::qWait(static_cast<int>(remaining));
    }
    XTestFakeMotionEvent(m_display, -1, at.x(), at.y(), CurrentTime);
    XTestFakeButtonEvent(m_display, button, True, CurrentTime);
    XTestFakeButtonEvent(m_display, button, False, CurrentTime);
    XSync(m_display, False);
    m_sinceLastClick.start();
}
