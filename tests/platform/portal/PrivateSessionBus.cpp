#include "PrivateSessionBus.h"

#include <QStandardPaths>

PrivateSessionBus::PrivateSessionBus()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        m_problem = QStringLiteral("dbus-daemon is not installed");
        return;
    }
    m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--nosyslog"), QStringLiteral("--print-address")});
    if (!m_daemon.waitForStarted(5000) || !m_daemon.waitForReadyRead(5000)) {
        m_problem = QStringLiteral("dbus-daemon did not start");
        return;
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty())
        m_problem = QStringLiteral("dbus-daemon gave no address");
}

PrivateSessionBus::~PrivateSessionBus()
{
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

QDBusConnection PrivateSessionBus::connect(const QString &name) const
{
    return QDBusConnection::connectToBus(m_address, name);
}
