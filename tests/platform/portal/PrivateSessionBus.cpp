#include "PrivateSessionBus.h"

#include <QStandardPaths>

PrivateSessionBus::PrivateSessionBus()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        m_problem = QStringLiteral("dbus-daemon is not installed");
        return;
    }
    if (!m_config.open()) {
        m_problem = QStringLiteral("no room for the bus configuration");
        return;
    }
    m_config.write(
        R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)");
    m_config.flush();
    m_daemon.start(daemon, {QStringLiteral("--config-file=") + m_config.fileName(),
                            QStringLiteral("--nofork"), QStringLiteral("--nosyslog"),
                            QStringLiteral("--print-address")});
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
