#include "app/shell/SingleInstanceGuard.h"

#include "foundation/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

QString serverNameFor(const QString &dataFolder)
{
    const QByteArray folderHash =
        QCryptographicHash::hash(QDir(dataFolder).canonicalPath().toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QStringLiteral("zuvevivezid-%1-%2").arg(getuid()).arg(QString::fromLatin1(folderHash));
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString &dataFolder, QObject *parent)
    : QObject(parent)
    , m_serverName(serverNameFor(dataFolder))
    , m_lock(QDir(dataFolder).filePath(QString::fromLatin1(lockFileName)))
{
    // A lock left by a process that no longer runs is taken over at once; a live one is never
    // considered stale, however old.
    m_lock.setStaleLockTime(0);
}

SingleInstanceGuard::~SingleInstanceGuard() = default;

bool SingleInstanceGuard::tryToRun()
{
    if (!m_lock.tryLock(0))
        return false;
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock proves no instance runs, so a socket file left behind is a crashed one's.
    QLocalServer::removeServer(m_serverName);
    if (!m_server->listen(m_serverName)) {
        zuvError(lcLegacyShell) << "Cannot listen for later launches:" << m_server->errorString();
        return true;
    }
    connect(m_server.get(), &QLocalServer::newConnection, this,
            &SingleInstanceGuard::acceptConnections);
    return true;
}

bool SingleInstanceGuard::isHeldByAnotherInstance() const
{
    return m_lock.error() == QLockFile::LockFailedError;
}

QString SingleInstanceGuard::lockProblem() const
{
    switch (m_lock.error()) {
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        return {};
    case QLockFile::PermissionError:
        return QStringLiteral("its lock file %1 cannot be written").arg(m_lock.fileName());
    case QLockFile::UnknownError:
        break;
    }
    return QStringLiteral("its lock file %1 cannot be made").arg(m_lock.fileName());
}

bool SingleInstanceGuard::askRunningInstanceToShowWindow(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(showWindowMessage);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The system accepts the connection and the request even for a stopped or hung process, so
    // only its answer proves that the running instance took the request.
    QElapsedTimer waited;
    waited.start();
    while (!socket.canReadLine()) {
        const qint64 left = timeoutMs - waited.elapsed();
        if (left <= 0 || !socket.waitForReadyRead(static_cast<int>(left)))
            return false;
    }
    const bool answered = socket.readLine() == answerMessage;
    socket.disconnectFromServer();
    return answered;
}

void SingleInstanceGuard::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine();
            if (line == showWindowMessage) {
                zuvInfo(lcLegacyShell) << "Another launch asked for the window";
                socket->write(answerMessage);
                Q_EMIT showWindowRequested();
            }
            socket->disconnectFromServer();
        });
    }
}
