#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QStringList>

#include <memory>

// A stand-in for systemd-logind's manager object, served on a connection of its own (a private
// session bus in tests): it hands out sleep inhibitors as the real one does, as the write end of
// a pipe whose closing it can see, and emits PrepareForSleep when told.
class FakeLogindService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    // Connects to the session bus under a connection name of its own and takes logind's name.
    FakeLogindService();
    ~FakeLogindService() override;

    // Empty when serving works, else why not.
    QString problem() const { return m_problem; }

    // Every Inhibit call's four arguments, joined by "|".
    QStringList inhibitCalls() const { return m_inhibitCalls; }
    // Every inhibitor handed out has been closed by its holder.
    bool allInhibitorsReleased() const;
    int heldInhibitors() const;

    void announceSleep(bool goingToSleep) { Q_EMIT PrepareForSleep(goingToSleep); }

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode);

Q_SIGNALS:
    void PrepareForSleep(bool start);

private:
    QString m_connectionName;
    std::unique_ptr<QDBusConnection> m_connection;
    QString m_problem;
    QStringList m_inhibitCalls;
    QList<int> m_readEnds;
};
