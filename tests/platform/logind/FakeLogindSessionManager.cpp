#include "FakeLogindSessionManager.h"

#include <QDBusError>
#include <QUuid>

namespace {

const QString logindName = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");

} // namespace

FakeLogindSessionManager::FakeLogindSessionManager(const QString &sessionId, bool initiallyActive)
    : m_connectionName(QStringLiteral("fake-logind-sessions-") + QUuid::createUuid().toString())
    , m_sessionId(sessionId)
{
    m_connection = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName));
    if (!m_connection->isConnected()) {
        m_problem = QStringLiteral("no D-Bus session bus: ") + m_connection->lastError().message();
        return;
    }
    m_session = std::make_unique<FakeLogindSession>(
        *m_connection, QStringLiteral("/org/freedesktop/login1/session/_3") + sessionId);
    m_session->setActive(initiallyActive);
    if (!m_connection->registerService(logindName)) {
        m_problem = QStringLiteral("cannot own ") + logindName +
                    QStringLiteral(" on the session bus (another suite serving it?) ") +
                    m_connection->lastError().message();
    } else if (!m_connection->registerObject(managerPath, this, QDBusConnection::ExportAllSlots)) {
        m_problem = QStringLiteral("cannot serve logind: ") + m_connection->lastError().message();
    }
}

FakeLogindSessionManager::~FakeLogindSessionManager()
{
    if (m_connection->isConnected()) {
        m_connection->unregisterObject(managerPath);
        m_connection->unregisterService(logindName);
    }
    m_session.reset();
    m_connection.reset();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QDBusObjectPath FakeLogindSessionManager::GetSession(const QString &id)
{
    m_askedFor.append(id);
    if (id != m_sessionId && id != QLatin1String("auto")) {
        sendErrorReply(QStringLiteral("org.freedesktop.login1.NoSuchSession"),
                       QStringLiteral("No session '%1' known").arg(id));
        return {};
    }
    return QDBusObjectPath(m_session->path());
}
