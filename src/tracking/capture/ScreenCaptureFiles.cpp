// File names, the time token and the pruning of the captures folder.
#include "tracking/capture/ScreenCaptureService.h"

#include "foundation/AppPaths.h"
#include "foundation/Iso8601.h"
#include "foundation/Log.h"
#include "foundation/NotificationHub.h"
#include "foundation/UuidText.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A folder counts with everything in it; a link to a folder is not followed.
qint64 bytesOnDisk(const QFileInfo &entry)
{
    if (entry.isSymLink() || !entry.isDir())
        return entry.size();
    qint64 total = 0;
    QDirIterator contents(entry.absoluteFilePath(), QDir::Files | QDir::Hidden | QDir::System,
                          QDirIterator::Subdirectories);
    while (contents.hasNext()) {
        contents.next();
        total += contents.fileInfo().size();
    }
    return total;
}

} // namespace

bool ScreenCaptureService::ensureFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return true;
    QString asidePath;
    if (info.exists() || info.isSymLink()) {
        // Every capture would fail with "Not a directory" for as long as it stays there.
        const QString stamp =
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        asidePath = folder + QStringLiteral(".damaged-") + stamp;
        for (int attempt = 2; QFileInfo::exists(asidePath); ++attempt)
            asidePath = folder + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(attempt);
        if (!QFile::rename(folder, asidePath)) {
            zuvError(lcCapture) << "The captures folder" << folder
                                << "is not a folder and cannot be moved aside";
            return false;
        }
        zuvError(lcCapture) << "The captures folder" << folder << "was not a folder; moved it to"
                            << asidePath;
    }
    const bool made = QDir().mkpath(folder);
    if (!asidePath.isEmpty()) {
        Q_EMIT NotificationHub::instance().localFileWasDamaged(
            QObject::tr("The tracker's screenshot folder was replaced by something else; a new "
                        "folder was made."),
            asidePath);
    }
    return made;
}

QString ScreenCaptureService::capturesBaseDirectory()
{
    return QDir(AppPaths::dataFolder()).filePath(QStringLiteral("captures"));
}

QString ScreenCaptureService::captureFileName(const QUuid &sessionId, const QString &timeToken,
                                              int index)
{
    return UuidText::format(sessionId) + QLatin1Char('_') + timeToken + QLatin1Char('_') +
           QString::number(index) + QStringLiteral(".jpg");
}

QString ScreenCaptureService::timeToken(Timestamp moment, const QTimeZone &zone)
{
    const QTimeZone effectiveZone = zone.isValid() ? zone : QTimeZone::systemTimeZone();
    return Iso8601::format(moment, effectiveZone).replace(QLatin1Char(':'), QLatin1Char('-'));
}

QSize ScreenCaptureService::cappedCaptureSize(int width, int height, int maxDimension)
{
    if (width < 1 || height < 1)
        return QSize(std::max(width, 1), std::max(height, 1));
    const int longest = std::max(width, height);
    if (longest <= maxDimension)
        return QSize(width, height);
    const double factor = static_cast<double>(maxDimension) / longest;
    // std::round rounds halves away from zero.
    return QSize(std::max(1, static_cast<int>(std::round(width * factor))),
                 std::max(1, static_cast<int>(std::round(height * factor))));
}

void ScreenCaptureService::cleanupOldCaptures(const QString &capturesDirectory,
                                              qint64 maxFolderBytes)
{
    const QDir folder(capturesDirectory);
    if (!folder.exists())
        return;
    // Every visible entry counts, whatever its name or kind.
    QFileInfoList oldestFirst =
        folder.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    qint64 total = 0;
    for (const QFileInfo &entry : std::as_const(oldestFirst))
        total += bytesOnDisk(entry);
    if (total <= maxFolderBytes)
        return;

    // An entry whose date cannot be read is the most distant past.
    const auto modified = [](const QFileInfo &info) {
        const QDateTime date = info.lastModified();
        return date.isValid() ? date.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
    };
    std::stable_sort(
        oldestFirst.begin(), oldestFirst.end(),
        [&](const QFileInfo &a, const QFileInfo &b) { return modified(a) < modified(b); });
    const qint64 before = total;
    int removed = 0;
    for (const QFileInfo &entry : std::as_const(oldestFirst)) {
        if (total <= maxFolderBytes)
            break;
        // A failed removal still counts: the folder is not walked twice in one pass.
        total -= bytesOnDisk(entry);
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.absoluteFilePath()).removeRecursively();
        else
            QFile::remove(entry.absoluteFilePath());
        ++removed;
    }
    zuvError(lcCapture).noquote()
        << QStringLiteral("Captures folder reached %1 bytes, over its bound of %2; removed the "
                          "%3 oldest capture(s) that had not been uploaded")
               .arg(before)
               .arg(maxFolderBytes)
               .arg(removed);
}
