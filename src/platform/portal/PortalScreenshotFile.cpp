#include "platform/portal/PortalScreenshotFile.h"

#include <QByteArray>
#include <QFile>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Reads the whole file behind the descriptor; false on a read error.
bool readAll(int fd, QByteArray *data)
{
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t count = ::read(fd, chunk, sizeof(chunk));
        if (count == 0)
            return true;
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data->append(chunk, count);
    }
}

} // namespace

namespace PortalScreenshotFile {

QImage take(const QString &uri, QString *error)
{
    const QUrl url(uri);
    if (!url.isLocalFile()) {
        *error = QStringLiteral("the screenshot is not a local file: %1").arg(uri);
        return {};
    }
    const QByteArray path = QFile::encodeName(url.toLocalFile());
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *error = QStringLiteral("the screenshot cannot be opened: %1").arg(systemError());
        return {};
    }
    struct stat status
    {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::getuid()) {
        ::close(fd);
        *error = QStringLiteral("the screenshot is not a regular file of this user");
        return {};
    }
    QByteArray data;
    const bool read = readAll(fd, &data);
    ::close(fd);
    // Gone before it is decoded: nobody else gets to read it.
    ::unlink(path.constData());
    if (!read) {
        *error = QStringLiteral("the screenshot cannot be read: %1").arg(systemError());
        return {};
    }
    QImage image = QImage::fromData(data);
    if (image.isNull())
        *error = QStringLiteral("the screenshot is not an image");
    return image;
}

} // namespace PortalScreenshotFile
