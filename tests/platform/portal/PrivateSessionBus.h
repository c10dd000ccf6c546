#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryFile>

// A D-Bus session bus of the test's own (dbus-daemon started and ended by the test), so a fake
// portal can own the portal's name without touching any real desktop's bus. It knows no services
// to start: asking for a name nobody owns fails at once instead of starting the real portal.
class PrivateSessionBus
{
public:
    PrivateSessionBus();
    ~PrivateSessionBus();

    // Empty when the bus runs; else why it does not.
    QString problem() const { return m_problem; }
    QString address() const { return m_address; }
    // A new connection of its own to the bus under the name given.
    QDBusConnection connect(const QString &name) const;

private:
    QTemporaryFile m_config;
    QProcess m_daemon;
    QString m_address;
    QString m_problem;
};
