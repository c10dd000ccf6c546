#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A connection to the session's own PipeWire daemon, as a portal would hand one out; -1 when
// there is none.
inline int connectToSessionPipeWire()
{
    const QByteArray path =
        QFile::encodeName(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/pipewire-0"));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
