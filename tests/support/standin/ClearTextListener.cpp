#include "support/standin/ClearTextListener.h"

#include <QNetworkInterface>
#include <QTcpSocket>

ClearTextListener::ClearTextListener(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_connections;
            // Whatever arrives is kept; the connection then closes unanswered, so a client that
            // got this far fails at once instead of waiting for its time-out.
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                m_received += socket->readAll();
                socket->disconnectFromHost();
            });
        }
    });
}

std::optional<QHostAddress> ClearTextListener::nonLoopbackAddress()
{
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            return address;
    }
    return std::nullopt;
}

bool ClearTextListener::start()
{
    const std::optional<QHostAddress> address = nonLoopbackAddress();
    return address && m_server.listen(*address);
}

QUrl ClearTextListener::url() const
{
    return QUrl(QStringLiteral("http://%1:%2")
                    .arg(m_server.serverAddress().toString())
                    .arg(m_server.serverPort()));
}
