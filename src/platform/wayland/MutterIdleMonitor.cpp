#include "platform/wayland/MutterIdleMonitor.h"

#include "foundation/Log.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

MutterIdleMonitor::MutterIdleMonitor(QDBusConnection connection)
    : m_connection(std::move(connection))
{}

bool MutterIdleMonitor::isOffered(const QDBusConnection &connection)
{
    if (!connection.isConnected() || !connection.interface())
        return false;
    const QDBusReply<bool> owned =
        connection.interface()->isServiceRegistered(QString::fromLatin1(serviceName));
    return owned.isValid() && owned.value();
}

std::optional<double> MutterIdleMonitor::secondsSinceLastInput()
{
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(serviceName), QString::fromLatin1(objectPath),
        QString::fromLatin1(interfaceName), QStringLiteral("GetIdletime"));
    const QDBusReply<qulonglong> reply =
        m_connection.call(call, QDBus::Block, callTimeoutMilliseconds);
    if (!reply.isValid()) {
        // Said once per outage; the idle poll asks every few seconds.
        if (!m_reportedFailure.exchange(true)) {
            zuvError(lcActivity).noquote()
                << QStringLiteral("GNOME's idle monitor did not answer: %1")
                       .arg(reply.error().message());
        }
        return std::nullopt;
    }
    m_reportedFailure = false;
    return static_cast<double>(reply.value()) / 1000.0;
}
