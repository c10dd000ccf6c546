#include "FakeMutterIdleMonitor.h"

#include <QDBusError>
#include <QUuid>

namespace {

const QString monitorName = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const QString monitorPath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");

} // namespace

FakeMutterIdleMonitor::FakeMutterIdleMonitor()
    : m_connectionName(QStringLiteral("fake-mutter-idle-") + QUuid::createUuid().toString())
{
    m_connection = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName));
    if (!m_connection->isConnected()) {
        m_problem = QStringLiteral("no D-Bus session bus: ") + m_connection->lastError().message();
        return;
    }
    if (!m_connection->registerObject(monitorPath, this, QDBusConnection::ExportAllSlots) ||
        !m_connection->registerService(monitorName))
        m_problem =
            QStringLiteral("cannot serve the idle monitor: ") + m_connection->lastError().message();
}

FakeMutterIdleMonitor::~FakeMutterIdleMonitor()
{
    if (m_connection->isConnected()) {
        m_connection->unregisterService(monitorName);
        m_connection->unregisterObject(monitorPath);
    }
    m_connection.reset();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

qulonglong FakeMutterIdleMonitor::GetIdletime()
{
    if (m_hanging) {
        setDelayedReply(true);
        m_unanswered.append(message());
        return 0;
    }
    return m_idleMilliseconds;
}
