#include "foundation/AppPaths.h"

#include <QDir>
#include <QMutex>
#include <QStandardPaths>

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

} // namespace

QString AppPaths::dataFolder()
{
    QString folder;
    {
        const QMutexLocker locker(&overrideMutex);
        folder = overrideFolder;
    }
    if (folder.isEmpty())
        folder = defaultDataFolder();
    QDir().mkpath(folder);
    return folder;
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
