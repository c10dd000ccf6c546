#include "platform/tray/SwayBarColour.h"

#include "foundation/Log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace {

// The window manager's message framing: the magic, the payload's length and the message type,
// both in the machine's own byte order, then the payload.
constexpr char ipcMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr quint32 getBarConfig = 6;
constexpr qsizetype headerSize = sizeof(ipcMagic) + 2 * sizeof(quint32);
// A bar's configuration is a few hundred bytes; anything much larger is not an answer.
constexpr quint32 largestAnswer = 1 << 20;

class IpcConnection
{
public:
    IpcConnection(const QString &path, QDeadlineTimer deadline)
        : m_deadline(deadline)
    {
        const QByteArray encoded = QFile::encodeName(path);
        sockaddr_un address{};
        if (encoded.isEmpty() || static_cast<size_t>(encoded.size()) >= sizeof(address.sun_path))
            return;
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, encoded.constData(), static_cast<size_t>(encoded.size()));
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd >= 0 &&
            ::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
            ::close(std::exchange(m_fd, -1));
        }
    }
    ~IpcConnection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    IpcConnection(const IpcConnection &) = delete;
    IpcConnection &operator=(const IpcConnection &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    std::optional<QByteArray> request(quint32 type, const QByteArray &payload)
    {
        QByteArray message(ipcMagic, sizeof(ipcMagic));
        const auto length = static_cast<quint32>(payload.size());
        message.append(reinterpret_cast<const char *>(&length), sizeof(length));
        message.append(reinterpret_cast<const char *>(&type), sizeof(type));
        message.append(payload);
        if (!writeAll(message))
            return std::nullopt;
        const std::optional<QByteArray> header = readExactly(headerSize);
        if (!header || !header->startsWith(QByteArray(ipcMagic, sizeof(ipcMagic))))
            return std::nullopt;
        quint32 answerLength = 0;
        quint32 answerType = 0;
        std::memcpy(&answerLength, header->constData() + sizeof(ipcMagic), sizeof(answerLength));
        std::memcpy(&answerType, header->constData() + sizeof(ipcMagic) + sizeof(answerLength),
                    sizeof(answerType));
        if (answerType != type || answerLength > largestAnswer)
            return std::nullopt;
        return readExactly(static_cast<qsizetype>(answerLength));
    }

private:
    bool waitFor(short events)
    {
        pollfd watched{m_fd, events, 0};
        for (;;) {
            const int ready = ::poll(&watched, 1, static_cast<int>(m_deadline.remainingTime()));
            if (ready > 0)
                return true;
            if (ready == 0 || errno != EINTR)
                return false;
        }
    }

    bool writeAll(const QByteArray &bytes)
    {
        qsizetype sent = 0;
        while (sent < bytes.size()) {
            if (!waitFor(POLLOUT))
                return false;
            const ssize_t written = ::send(m_fd, bytes.constData() + sent,
                                           static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            sent += written;
        }
        return true;
    }

    std::optional<QByteArray> readExactly(qsizetype count)
    {
        QByteArray bytes(count, Qt::Uninitialized);
        qsizetype received = 0;
        while (received < count) {
            if (!waitFor(POLLIN))
                return std::nullopt;
            const ssize_t read =
                ::recv(m_fd, bytes.data() + received, static_cast<size_t>(count - received), 0);
            if (read < 0 && errno == EINTR)
                continue;
            if (read <= 0)
                return std::nullopt;
            received += read;
        }
        return bytes;
    }

    QDeadlineTimer m_deadline;
    int m_fd = -1;
};

QString newestSwaySocket()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return {};
    const QString pattern = QStringLiteral("sway-ipc.%1.*.sock").arg(::getuid());
    const QFileInfoList sockets =
        QDir(runtime).entryInfoList({pattern}, QDir::System | QDir::Files, QDir::Time);
    return sockets.isEmpty() ? QString() : sockets.first().absoluteFilePath();
}

int hexByte(QStringView text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 16);
    return ok ? value : -1;
}

} // namespace

namespace SwayBarColour {

QString socketPath()
{
    for (const char *variable : {"SWAYSOCK", "I3SOCK"}) {
        const QString path = qEnvironmentVariable(variable);
        if (!path.isEmpty())
            return path;
    }
    return newestSwaySocket();
}

QStringList barNames(const QByteArray &answer)
{
    QStringList names;
    const QJsonDocument document = QJsonDocument::fromJson(answer);
    for (const QJsonValue &name : document.array()) {
        if (name.isString() && !name.toString().isEmpty())
            names.append(name.toString());
    }
    return names;
}

std::optional<QColor> backgroundOfBar(const QByteArray &answer)
{
    const QJsonObject colours =
        QJsonDocument::fromJson(answer).object().value(QLatin1String("colors")).toObject();
    const QString text = colours.value(QLatin1String("background")).toString();
    if (!text.startsWith(QLatin1Char('#')) || (text.size() != 7 && text.size() != 9))
        return std::nullopt;
    int channels[4] = {0, 0, 0, 255};
    for (qsizetype index = 0; index < (text.size() - 1) / 2; ++index) {
        channels[index] = hexByte(QStringView(text).mid(1 + 2 * index, 2));
        if (channels[index] < 0)
            return std::nullopt;
    }
    if (channels[3] < 128)
        return std::nullopt;
    return QColor(channels[0], channels[1], channels[2]);
}

std::optional<QColor> background(const QString &socketPath, int timeoutMs)
{
    if (socketPath.isEmpty())
        return std::nullopt;
    IpcConnection connection(socketPath, QDeadlineTimer(timeoutMs));
    if (!connection.isOpen()) {
        zuvInfo(lcLegacyShell) << "The window manager's IPC socket does not answer";
        return std::nullopt;
    }
    const std::optional<QByteArray> names = connection.request(getBarConfig, {});
    const QStringList bars = names ? barNames(*names) : QStringList();
    if (bars.isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> config =
        connection.request(getBarConfig, bars.first().toUtf8());
    return config ? backgroundOfBar(*config) : std::nullopt;
}

} // namespace SwayBarColour
