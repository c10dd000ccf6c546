#pragma once

#include "platform/IdleTimeSource.h"

#include <QDBusConnection>

#include <atomic>

// GNOME's idle time, from Mutter's org.gnome.Mutter.IdleMonitor on the session bus (GNOME's
// compositor offers no Wayland idle protocol). Each reading is one call with a short time-out,
// so a hung shell never holds the idle poll for long.
class MutterIdleMonitor final : public IdleTimeSource
{
public:
    static constexpr const char *serviceName = "org.gnome.Mutter.IdleMonitor";
    static constexpr const char *objectPath = "/org/gnome/Mutter/IdleMonitor/Core";
    static constexpr const char *interfaceName = "org.gnome.Mutter.IdleMonitor";
    static constexpr int callTimeoutMilliseconds = 1000;

    explicit MutterIdleMonitor(QDBusConnection connection = QDBusConnection::sessionBus());

    // Whether the monitor answers on the connection now.
    static bool isOffered(const QDBusConnection &connection);

    std::optional<double> secondsSinceLastInput() override;

private:
    QDBusConnection m_connection;
    std::atomic<bool> m_reportedFailure{false};
};
