#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QPoint>

struct _XDisplay;

// A system tray host of the test's own on the test display: it owns the "_NET_SYSTEM_TRAY_S0"
// selection, announces itself as the tray manager, records every dock request and, when asked,
// embeds the docked icon into its own window at the top right of the screen.
class FakeTrayHost
{
public:
    using WindowId = unsigned long;

    FakeTrayHost();
    ~FakeTrayHost();
    FakeTrayHost(const FakeTrayHost &) = delete;
    FakeTrayHost &operator=(const FakeTrayHost &) = delete;

    bool ownsSelection() const { return m_owned; }

    // Reads what arrived; dock requests are noted.
    void pump();
    QList<WindowId> dockRequests() const { return m_dockRequests; }

    // Embeds the icon window as a tray does: into the host's window, 24 pixels square, shown.
    void embed(WindowId icon);
    // The embedded icon's centre on the screen.
    QPoint iconCentre() const { return QPoint(m_hostX + 8 + 12, 4 + 12); }
    // A click at a point of the screen, through XTest. Always a click of its own: the
    // application would take a second click at the same point within its double-click interval
    // for a double click (the main window instead of the popover), and how far apart two clicks
    // land must not depend on how busy the machine is.
    void click(const QPoint &at, unsigned int button = 1);

private:
    _XDisplay *m_display = nullptr;
    WindowId m_window = 0;
    unsigned long m_opcode = 0;
    bool m_owned = false;
    int m_hostX = 0;
    QList<WindowId> m_dockRequests;
    QElapsedTimer m_sinceLastClick;
};
