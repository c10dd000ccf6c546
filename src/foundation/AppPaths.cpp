#include "foundation/AppPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QMutex overrideMutex;
QString overrideFolder;

QString defaultDataFolder()
{
    const QString environmentFolder = qEnvironmentVariable(AppPaths::dataFolderEnvironmentVariable);
    if (!environmentFolder.isEmpty())
        return environmentFolder;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(base).filePath(QString::fromLatin1(AppPaths::folderName));
}

QString currentDataFolder()
{
    QString folder;
    {
        const QMutexLocker locker(&overrideMutex);
        folder = overrideFolder;
    }
    return folder.isEmpty() ? defaultDataFolder() : folder;
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString folderProblem(const QString &folder, const QString &why)
{
    return QStringLiteral("The data folder %1 cannot be used: %2").arg(folder, why);
}

// mkpath does not say why it failed; the nearest part of the path that exists does.
QString whyNotCreated(const QString &folder)
{
    QString existing = QFileInfo(folder).path();
    while (!QFileInfo::exists(existing) && existing != QFileInfo(existing).path())
        existing = QFileInfo(existing).path();
    if (!QFileInfo(existing).isDir())
        return QStringLiteral("it cannot be created, %1 is a file").arg(existing);
    if (::access(QFile::encodeName(existing).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("it cannot be created in %1 (%2)").arg(existing, systemReason());
    return QStringLiteral("it cannot be created");
}

// Only the permission bits change; an entry of another owner (which chmod refuses) is left as
// it is rather than failing the start-up.
void restrictMode(const QString &path, mode_t mode)
{
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat status = {};
    if (::lstat(nativePath.constData(), &status) != 0 || S_ISLNK(status.st_mode))
        return;
    if ((status.st_mode & 07777) != mode)
        ::chmod(nativePath.constData(), mode);
}

} // namespace

QString AppPaths::dataFolder()
{
    const QString folder = currentDataFolder();
    QDir().mkpath(folder);
    return folder;
}

QString AppPaths::dataFolderLocation()
{
    return currentDataFolder();
}

QString AppPaths::preparePrivateDataFolder()
{
    return preparePrivateFolder(currentDataFolder());
}

QString AppPaths::preparePrivateFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return folderProblem(folder, QStringLiteral("it is a file, not a folder"));
    if (!info.exists() && !QDir().mkpath(folder))
        return folderProblem(folder, whyNotCreated(folder));
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return folderProblem(folder, QStringLiteral("it is not writable (%1)").arg(systemReason()));

    restrictMode(folder, S_IRWXU);
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo entry = entries.fileInfo();
        if (entry.isSymLink())
            continue;
        restrictMode(entry.filePath(), entry.isDir() ? S_IRWXU : (S_IRUSR | S_IWUSR));
    }
    return {};
}

QString AppPaths::filePath(const QString &fileName)
{
    return QDir(dataFolder()).filePath(fileName);
}

void AppPaths::setDataFolderOverride(const QString &folder)
{
    const QMutexLocker locker(&overrideMutex);
    overrideFolder = folder;
}

void AppPaths::clearDataFolderOverride()
{
    setDataFolderOverride(QString());
}
