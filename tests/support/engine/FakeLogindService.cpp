#include "support/engine/FakeLogindService.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QUuid>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

FakeLogindService::FakeLogindService()
    : m_connectionName(QStringLiteral("fake-logind-") + QUuid::createUuid().toString())
{
    m_connection = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName));
    if (!m_connection->isConnected()) {
        m_problem = QStringLiteral("no D-Bus session bus: ") + m_connection->lastError().message();
        return;
    }
    if (!m_connection->registerService(QStringLiteral("org.freedesktop.login1"))) {
        m_problem = QStringLiteral("cannot own org.freedesktop.login1: ") +
                    m_connection->lastError().message();
        return;
    }
    if (!m_connection->registerObject(QStringLiteral("/org/freedesktop/login1"), this,
                                      QDBusConnection::ExportAllSlots |
                                          QDBusConnection::ExportAllSignals)) {
        m_problem = QStringLiteral("cannot register the manager object");
    }
}

FakeLogindService::~FakeLogindService()
{
    for (const int fd : std::as_const(m_readEnds))
        ::close(fd);
    if (m_problem.isEmpty()) {
        m_connection->unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        m_connection->unregisterService(QStringLiteral("org.freedesktop.login1"));
    }
    m_connection.reset();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QDBusUnixFileDescriptor FakeLogindService::Inhibit(const QString &what, const QString &who,
                                                   const QString &why, const QString &mode)
{
    m_inhibitCalls.append(QStringList{what, who, why, mode}.join(QLatin1Char('|')));
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return QDBusUnixFileDescriptor();
    m_readEnds.append(ends[0]);
    // The descriptor object keeps a duplicate; ours is closed so that only the holder's copy
    // keeps the pipe open.
    QDBusUnixFileDescriptor handedOut(ends[1]);
    ::close(ends[1]);
    return handedOut;
}

int FakeLogindService::heldInhibitors() const
{
    int held = 0;
    for (const int fd : m_readEnds) {
        pollfd entry{fd, POLLIN, 0};
        // A closed write end shows as hang-up (or readable end of file).
        if (::poll(&entry, 1, 0) == 0)
            ++held;
    }
    return held;
}

bool FakeLogindService::allInhibitorsReleased() const
{
    return heldInhibitors() == 0;
}
