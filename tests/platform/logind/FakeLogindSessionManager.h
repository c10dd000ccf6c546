#pragma once

#include "FakeLogindSession.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>

#include <memory>

// logind's manager as far as finding a session goes: GetSession answers the path of the one
// session it serves, for its id and for "auto", and an error for any other name. Served on a
// connection of its own to the session bus, under logind's name.
class FakeLogindSessionManager : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit FakeLogindSessionManager(const QString &sessionId, bool initiallyActive = true);
    ~FakeLogindSessionManager() override;

    // Empty when serving works, else why not.
    QString problem() const { return m_problem; }
    FakeLogindSession &session() { return *m_session; }
    QStringList askedFor() const { return m_askedFor; }

public Q_SLOTS:
    QDBusObjectPath GetSession(const QString &id);

private:
    QString m_connectionName;
    std::unique_ptr<QDBusConnection> m_connection;
    QString m_sessionId;
    std::unique_ptr<FakeLogindSession> m_session;
    QString m_problem;
    QStringList m_askedFor;
};
