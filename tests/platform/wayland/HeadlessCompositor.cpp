#include "HeadlessCompositor.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

namespace {

const QString socketName = QStringLiteral("wayland-zuv");

QString testUser()
{
    QProcess script;
    script.start(QStringLiteral(ZUV_SOURCE_DIR "/scripts/compositor-test-user.sh"), {});
    if (!script.waitForFinished(30000) || script.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(script.readAllStandardOutput()).trimmed();
}

} // namespace

HeadlessCompositor::HeadlessCompositor(Kind kind)
{
    if (executable(kind).isEmpty()) {
        m_problem =
            QStringLiteral("%1 is not installed")
                .arg(kind == Kind::Sway ? QStringLiteral("sway") : QStringLiteral("kwin_wayland"));
        return;
    }
    if (!m_runtimeDir.isValid()) {
        m_problem = QStringLiteral("cannot make a runtime folder");
        return;
    }
    const QString user = testUser();
    if (user.isEmpty()) {
        m_problem = QStringLiteral("no unprivileged user to run the compositor as");
        return;
    }
    m_problem = startAs(user, kind);
}

HeadlessCompositor::~HeadlessCompositor()
{
    kill();
}

QString HeadlessCompositor::executable(Kind kind)
{
    return QStandardPaths::findExecutable(kind == Kind::Sway ? QStringLiteral("sway")
                                                             : QStringLiteral("kwin_wayland"));
}

QString HeadlessCompositor::startAs(const QString &user, Kind kind)
{
    const passwd *account = getpwnam(user.toLocal8Bit().constData());
    if (!account)
        return QStringLiteral("no account for ") + user;
    const QString runtime = m_runtimeDir.path();
    if (chown(QFile::encodeName(runtime).constData(), account->pw_uid, account->pw_gid) != 0)
        return QStringLiteral("cannot give the runtime folder to ") + user;
    QFile config(runtime + QStringLiteral("/sway.config"));
    if (!config.open(QIODevice::WriteOnly) || config.write("xwayland disable\n") < 0)
        return QStringLiteral("cannot write the compositor's configuration");
    config.close();
    config.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);

    QStringList command{QStringLiteral("env"), QStringLiteral("-i"),
                        QStringLiteral("PATH=/usr/bin:/bin"),
                        QStringLiteral("HOME=") + QString::fromLocal8Bit(account->pw_dir),
                        QStringLiteral("XDG_RUNTIME_DIR=") + runtime};
    if (kind == Kind::Sway) {
        command << QStringLiteral("WLR_BACKENDS=headless") << QStringLiteral("WLR_RENDERER=pixman")
                << QStringLiteral("WLR_LIBINPUT_NO_DEVICES=1")
                << QStringLiteral("WAYLAND_DISPLAY=") + socketName // sway names its own socket
                << executable(kind) << QStringLiteral("-c") << config.fileName();
    } else {
        command << QStringLiteral("QT_QPA_PLATFORM=offscreen") << executable(kind)
                << QStringLiteral("--virtual") << QStringLiteral("--no-lockscreen")
                << QStringLiteral("--socket") << socketName;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    if (getuid() == 0)
        m_process->start(QStringLiteral("runuser"),
                         QStringList{QStringLiteral("-u"), user, QStringLiteral("--")} + command);
    else
        m_process->start(command.takeFirst(), command);
    if (!m_process->waitForStarted(10000))
        return QStringLiteral("cannot start the compositor: ") + m_process->errorString();

    // sway takes the first free "wayland-N" whatever it is told; either way one socket appears.
    QDir folder(runtime);
    for (int waited = 0; waited < 15000; waited += 50) {
        const QStringList sockets =
            folder.entryList({QStringLiteral("wayland-*")}, QDir::System | QDir::Files);
        for (const QString &name : sockets) {
            if (!name.endsWith(QLatin1String(".lock"))) {
                m_socketPath = folder.filePath(name);
                return {};
            }
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
    QProcess typing;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socketPath);
    typing.setProcessEnvironment(environment);
    typing.start(QStringLiteral("wtype"), {QStringLiteral("x")});
    return typing.waitForFinished(10000) && typing.exitStatus() == QProcess::NormalExit &&
           typing.exitCode() == 0;
}

void HeadlessCompositor::kill()
{
    if (!m_process || m_process->state() == QProcess::NotRunning)
        return;
    // runuser passes the signal on to the compositor it started.
    m_process->terminate();
    if (!m_process->waitForFinished(10000)) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}
