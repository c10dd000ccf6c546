#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QUrl>

#include <optional>

// A plain TCP listener on one of this machine's own addresses that are not loopback: where a
// plain-http company address would send its requests. It answers nothing and keeps every byte
// it receives, so a test can tell whether anything (a token above all) reached it.
class ClearTextListener : public QObject
{
    Q_OBJECT

public:
    explicit ClearTextListener(QObject *parent = nullptr);

    // The first non-loopback IPv4 address of this machine; none when it has no network.
    static std::optional<QHostAddress> nonLoopbackAddress();

    // False when the machine has no such address or the listen failed.
    bool start();
    // "http://ADDRESS:PORT"
    QUrl url() const;

    int connectionCount() const { return m_connections; }
    QByteArray received() const { return m_received; }

private:
    QTcpServer m_server;
    int m_connections = 0;
    QByteArray m_received;
};
