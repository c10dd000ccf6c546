#include "foundation/ConfirmedFileWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemError(const char *step)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(step),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

bool syncFolder(const QString &folderPath)
{
    const int descriptor =
        ::open(QFile::encodeName(folderPath).constData(), O_RDONLY | O_DIRECTORY);
    if (descriptor < 0)
        return false;
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

// Compared piece by piece: a screenshot is read back without a second copy of it in memory.
bool holdsExactly(const QString &filePath, QByteArrayView contents)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly) || file.size() != contents.size())
        return false;
    char piece[64 * 1024];
    qsizetype compared = 0;
    while (compared < contents.size()) {
        const qint64 read = file.read(piece, sizeof piece);
        if (read <= 0 ||
            std::memcmp(piece, contents.data() + compared, static_cast<size_t>(read)) != 0)
            return false;
        compared += static_cast<qsizetype>(read);
    }
    return true;
}

} // namespace

QString ConfirmedFileWrite::replace(const QString &filePath, QByteArrayView contents)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    QTemporaryFile temporary(filePath + QStringLiteral(".XXXXXX"));
    if (!temporary.open())
        return QStringLiteral("cannot create a file beside it: ") + temporary.errorString();
    if (temporary.write(contents.data(), contents.size()) != contents.size() || !temporary.flush())
        return QStringLiteral("cannot write: ") + temporary.errorString();
    if (::fsync(temporary.handle()) != 0)
        return systemError("cannot flush to the disk");
    if (!holdsExactly(temporary.fileName(), contents))
        return QStringLiteral("the written file does not read back as written");

    if (std::rename(QFile::encodeName(temporary.fileName()).constData(),
                    QFile::encodeName(filePath).constData()) != 0)
        return systemError("cannot replace the file");
    // Renamed away: nothing is left for the temporary file's own clean-up to remove.
    temporary.setAutoRemove(false);
    if (!syncFolder(folder))
        return systemError("cannot flush the folder");
    if (QFileInfo(filePath).size() != contents.size())
        return QStringLiteral("the file has the wrong size after the rename");
    return QString();
}
