#include "platform/portal/PortalRequest.h"

#include "foundation/Log.h"
#include "platform/portal/PortalNames.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QRandomGenerator>

PortalRequest::PortalRequest(QDBusConnection connection, std::chrono::milliseconds timeout,
                             QObject *parent)
    : QObject(parent)
    , m_connection(std::move(connection))
    , m_token(makeToken("zuv"))
{
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(timeout);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        zuvError(lcCapture) << "The desktop portal did not answer request" << m_path
                            << "in time; closing it";
        m_connection.asyncCall(QDBusMessage::createMethodCall(
            PortalNames::service, m_path, PortalNames::requestInterface, QStringLiteral("Close")));
        finish(Failed, {});
    });
}

QString PortalRequest::makeToken(const char *prefix)
{
    return QStringLiteral("%1_%2")
        .arg(QLatin1String(prefix))
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

QString PortalRequest::senderPathPart(const QDBusConnection &connection)
{
    QString sender = connection.baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

void PortalRequest::call(const QString &interface, const QString &method,
                         const QVariantList &leadingArguments, QVariantMap options)
{
    listenAt(QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                 .arg(senderPathPart(m_connection), m_token));
    m_timeout.start();
    options.insert(QStringLiteral("handle_token"), m_token);
    QDBusMessage message =
        QDBusMessage::createMethodCall(PortalNames::service, PortalNames::path, interface, method);
    message.setArguments(QVariantList(leadingArguments) << options);
    const QDBusMessage reply = m_connection.call(message, QDBus::Block, PortalNames::callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        zuvError(lcCapture).noquote() << QStringLiteral("The desktop portal refused %1.%2: %3")
                                             .arg(interface, method, reply.errorMessage());
        finish(Failed, {});
        return;
    }
    // Portals older than the handle_token convention answer a path of their own.
    const QString handle = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    if (!m_finished && !handle.isEmpty() && handle != m_path)
        listenAt(handle);
}

void PortalRequest::listenAt(const QString &path)
{
    stopListening();
    m_path = path;
    m_connection.connect(PortalNames::service, m_path, PortalNames::requestInterface,
                         QStringLiteral("Response"), this, SLOT(handleResponse(uint, QVariantMap)));
}

void PortalRequest::stopListening()
{
    if (m_path.isEmpty())
        return;
    m_connection.disconnect(PortalNames::service, m_path, PortalNames::requestInterface,
                            QStringLiteral("Response"), this,
                            SLOT(handleResponse(uint, QVariantMap)));
}

void PortalRequest::handleResponse(uint response, const QVariantMap &results)
{
    finish(response, results);
}

void PortalRequest::finish(uint response, const QVariantMap &results)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timeout.stop();
    stopListening();
    Q_EMIT answered(response, results);
    deleteLater();
}
