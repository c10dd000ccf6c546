#pragma once

#include "platform/SleepSource.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QString>

class QDBusPendingCallWatcher;

// Sleep and wake from systemd-logind: its PrepareForSleep signal, with a "delay" inhibitor held
// while the program runs so that a suspend waits until the program has saved its state (or until
// logind's own delay limit passes). After each wake a new inhibitor is taken.
//
// Without a usable bus the source stays silent and says so once in the log. Every call to logind
// is asynchronous: the main thread never waits for the bus.
class LogindSleepSource final : public SleepSource
{
    Q_OBJECT

public:
    static constexpr const char *serviceName = "org.freedesktop.login1";
    static constexpr const char *objectPath = "/org/freedesktop/login1";
    static constexpr const char *managerInterface = "org.freedesktop.login1.Manager";

    // The system bus in production; tests hand in a private session bus with a stand-in logind.
    explicit LogindSleepSource(QDBusConnection connection = QDBusConnection::systemBus(),
                               QObject *parent = nullptr);
    ~LogindSleepSource() override;

    bool isAvailable() const override { return m_available; }
    void releaseSleepInhibitor() override;

    bool holdsSleepInhibitor() const { return m_inhibitor.isValid(); }

private Q_SLOTS:
    void handlePrepareForSleep(bool goingToSleep);

private:
    void takeSleepInhibitor();
    void handleInhibitReply(QDBusPendingCallWatcher *watcher);

    QDBusConnection m_connection;
    bool m_available = false;
    bool m_inhibitRequestPending = false;
    bool m_reportedInhibitFailure = false;
    QDBusUnixFileDescriptor m_inhibitor;
};
