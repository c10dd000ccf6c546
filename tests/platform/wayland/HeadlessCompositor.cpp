#include "HeadlessCompositor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>
#include <QUuid>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString socketName = QStringLiteral("wayland-zuv");
const QString remoteDesktopService = QStringLiteral("org.gnome.Mutter.RemoteDesktop");
constexpr quint32 keycodeOfA = 30;

QString testUser()
{
    QProcess script;
    script.start(QStringLiteral(ZUV_SOURCE_DIR "/scripts/compositor-test-user.sh"), {});
    if (!script.waitForFinished(30000) || script.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(script.readAllStandardOutput()).trimmed();
}

// A session bus like the desktop's, but one that root may join as well.
QByteArray busConfiguration(const QString &address)
{
    return QStringLiteral(
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
               "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>%1</listen><auth>EXTERNAL</auth>"
               "<policy context=\"default\"><allow user=\"root\"/>"
               "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
               "<allow own=\"*\"/></policy></busconfig>\n")
        .arg(address)
        .toUtf8();
}

bool writeReadable(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
}

} // namespace

HeadlessCompositor::HeadlessCompositor(Kind kind)
    : m_kind(kind)
{
    if (executable(kind).isEmpty())
        m_problem = QStringLiteral("the compositor is not installed");
    else if (!m_runtimeDir.isValid())
        m_problem = QStringLiteral("cannot make a runtime folder");
    else
        m_problem = start(kind);
}

HeadlessCompositor::~HeadlessCompositor()
{
    kill();
    if (!m_busName.isEmpty())
        QDBusConnection::disconnectFromBus(m_busName);
    end(m_bus.get());
}

QString HeadlessCompositor::executable(Kind kind)
{
    switch (kind) {
    case Kind::Sway:
        return QStandardPaths::findExecutable(QStringLiteral("sway"));
    case Kind::KWin:
        return QStandardPaths::findExecutable(QStringLiteral("kwin_wayland"));
    case Kind::Mutter:
        return QStandardPaths::findExecutable(QStringLiteral("mutter"));
    }
    return {};
}

QDBusConnection HeadlessCompositor::bus() const
{
    return QDBusConnection(m_busName);
}

QString HeadlessCompositor::start(Kind kind)
{
    const QString user = testUser();
    const passwd *account = user.isEmpty() ? nullptr : getpwnam(user.toLocal8Bit().constData());
    if (!account)
        return QStringLiteral("no unprivileged user to run the compositor as");
    const QString runtime = m_runtimeDir.path();
    if (chown(QFile::encodeName(runtime).constData(), account->pw_uid, account->pw_gid) != 0)
        return QStringLiteral("cannot give the runtime folder to ") + user;
    if (!writeReadable(runtime + QStringLiteral("/sway.config"), "xwayland disable\n") ||
        !writeReadable(
            runtime + QStringLiteral("/bus.conf"),
            busConfiguration(QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus"))))
        return QStringLiteral("cannot write the compositor's configuration");

    const QString home = QString::fromLocal8Bit(account->pw_dir);
    if (kind == Kind::Mutter) {
        m_bus = startAs(user,
                        {QStringLiteral("dbus-daemon"), QStringLiteral("--nofork"),
                         QStringLiteral("--config-file=") + runtime + QStringLiteral("/bus.conf")});
        if (!m_bus)
            return QStringLiteral("cannot start a session bus for the compositor");
    }
    m_process = startAs(user, commandFor(kind, home));
    if (!m_process)
        return QStringLiteral("cannot start the compositor");
    return waitForSocket();
}

std::unique_ptr<QProcess> HeadlessCompositor::startAs(const QString &user, QStringList command)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    if (getuid() == 0)
        process->start(QStringLiteral("runuser"),
                       QStringList{QStringLiteral("-u"), user, QStringLiteral("--")} + command);
    else
        process->start(command.takeFirst(), command);
    if (!process->waitForStarted(10000))
        return nullptr;
    return process;
}

QStringList HeadlessCompositor::commandFor(Kind kind, const QString &home) const
{
    const QString runtime = m_runtimeDir.path();
    QStringList command{QStringLiteral("env"), QStringLiteral("-i"),
                        QStringLiteral("PATH=/usr/bin:/bin"), QStringLiteral("HOME=") + home,
                        QStringLiteral("XDG_RUNTIME_DIR=") + runtime};
    switch (kind) {
    case Kind::Sway:
        command << QStringLiteral("WLR_BACKENDS=headless") << QStringLiteral("WLR_RENDERER=pixman")
                << QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1") << executable(kind)
                << QStringLiteral("-c") << runtime + QStringLiteral("/sway.config");
        break;
    case Kind::KWin:
        command << QStringLiteral("QT_QPA_PLATFORM=offscreen") << executable(kind)
                << QStringLiteral("--virtual") << QStringLiteral("--no-lockscreen")
                << QStringLiteral("--socket") << socketName;
        break;
    case Kind::Mutter:
        command << QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=") + runtime +
                       QStringLiteral("/bus")
                << executable(kind) << QStringLiteral("--headless") << QStringLiteral("--wayland")
                << QStringLiteral("--no-x11") << QStringLiteral("--virtual-monitor")
                << QStringLiteral("640x480") << QStringLiteral("--wayland-display") << socketName;
        break;
    }
    return command;
}

QString HeadlessCompositor::waitForSocket()
{
    // sway takes the first free "wayland-N" whatever it is told; each makes one socket.
    const QDir folder(m_runtimeDir.path());
    for (int waited = 0; waited < 20000; waited += 50) {
        const QStringList sockets =
            folder.entryList({QStringLiteral("wayland-*")}, QDir::System | QDir::Files);
        for (const QString &name : sockets) {
            if (name.endsWith(QLatin1String(".lock")))
                continue;
            m_socketPath = folder.filePath(name);
            if (m_kind != Kind::Mutter)
                return {};
            m_busName = QStringLiteral("zuv-compositor-") + QUuid::createUuid().toString();
            const QDBusConnection connection = QDBusConnection::connectToBus(
                QStringLiteral("unix:path=") + folder.filePath(QStringLiteral("bus")), m_busName);
            if (!connection.isConnected())
                return QStringLiteral("cannot join Mutter's bus: ") +
                       connection.lastError().message();
            return {};
        }
        if (m_process->state() == QProcess::NotRunning)
            break;
        QTest::qWait(50);
    }
    return QStringLiteral("the compositor did not come up: ") +
           QString::fromLocal8Bit(m_process->readAll()).right(600);
}

bool HeadlessCompositor::typeKey()
{
    if (m_kind == Kind::Mutter)
        return typeKeyThroughRemoteDesktop();
    QProcess typing;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socketPath);
    typing.setProcessEnvironment(environment);
    typing.start(QStringLiteral("wtype"), {QStringLiteral("x")});
    return typing.waitForFinished(10000) && typing.exitStatus() == QProcess::NormalExit &&
           typing.exitCode() == 0;
}

bool HeadlessCompositor::typeKeyThroughRemoteDesktop()
{
    QDBusConnection connection = bus();
    // The session lives as long as the connection that made it, so it is made once and kept.
    if (m_remoteDesktopSession.isEmpty()) {
        const QDBusReply<QDBusObjectPath> created = connection.call(QDBusMessage::createMethodCall(
            remoteDesktopService, QStringLiteral("/org/gnome/Mutter/RemoteDesktop"),
            remoteDesktopService, QStringLiteral("CreateSession")));
        if (!created.isValid())
            return false;
        const QDBusReply<void> started = connection.call(QDBusMessage::createMethodCall(
            remoteDesktopService, created.value().path(),
            QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"), QStringLiteral("Start")));
        if (!started.isValid())
            return false;
        m_remoteDesktopSession = created.value().path();
    }
    for (const bool pressed : {true, false}) {
        QDBusMessage key =
            QDBusMessage::createMethodCall(remoteDesktopService, m_remoteDesktopSession,
                                           QStringLiteral("org.gnome.Mutter.RemoteDesktop.Session"),
                                           QStringLiteral("NotifyKeyboardKeycode"));
        key << keycodeOfA << pressed;
        const QDBusReply<void> sent = connection.call(key);
        if (!sent.isValid())
            return false;
    }
    return true;
}

void HeadlessCompositor::kill()
{
    end(m_process.get());
}

void HeadlessCompositor::end(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    // runuser passes the signal on to the program it started.
    process->terminate();
    if (!process->waitForFinished(10000)) {
        process->kill();
        process->waitForFinished(5000);
    }
}
