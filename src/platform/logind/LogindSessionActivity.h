#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <atomic>

class QDBusPendingCallWatcher;

// Whether this program's login session is the one in front of the seat, from systemd-logind's
// Session "Active" property. While another user's session has the seat (a user switch), the
// input devices still deliver that user's typing to whoever reads them, so the input reader
// counts nothing.
//
// The session is the one named by XDG_SESSION_ID, else logind's "auto" choice (the caller's
// session, or the user's graphical one). Where logind cannot answer (no system bus, no such
// session) the session counts as active, since nobody else's session can then take the seat
// either, and the log says so once. Every call is asynchronous; isActive() may be read from any
// thread.
class LogindSessionActivity final : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *serviceName = "org.freedesktop.login1";
    static constexpr const char *managerPath = "/org/freedesktop/login1";
    static constexpr const char *managerInterface = "org.freedesktop.login1.Manager";
    static constexpr const char *sessionInterface = "org.freedesktop.login1.Session";

    // The system bus in production; tests hand in a private bus with a stand-in logind.
    explicit LogindSessionActivity(QDBusConnection connection = QDBusConnection::systemBus(),
                                   QString sessionId = defaultSessionId(),
                                   QObject *parent = nullptr);
    ~LogindSessionActivity() override;

    static QString defaultSessionId();

    bool isActive() const { return m_active; }
    // The session's object path once logind named it; empty before or when it could not.
    QString sessionPath() const { return m_sessionPath; }

Q_SIGNALS:
    void activeChanged(bool active);

private Q_SLOTS:
    void handlePropertiesChanged(const QString &interface, const QVariantMap &changed,
                                 const QStringList &invalidated);

private:
    void handleSessionPath(QDBusPendingCallWatcher *watcher);
    void readActive();
    void handleActiveReply(QDBusPendingCallWatcher *watcher);
    void setActive(bool active);
    void giveUp(const QString &reason);

    QDBusConnection m_connection;
    QString m_sessionId;
    QString m_sessionPath;
    std::atomic<bool> m_active{true};
};
