#include "platform/WakePipe.h"

#include "foundation/Log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

WakePipe::WakePipe(const char *owner)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        zuvError(lcActivity) << "Cannot create the wake-up pipe of" << owner << ":"
                             << strerror(errno);
        return;
    }
    m_read = fds[0];
    m_write = fds[1];
}

WakePipe::~WakePipe()
{
    if (m_read >= 0)
        ::close(m_read);
    if (m_write >= 0)
        ::close(m_write);
}

void WakePipe::wake()
{
    if (m_write < 0)
        return;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing is lost when this write fails.
    [[maybe_unused]] const ssize_t written = write(m_write, &byte, 1);
}

void WakePipe::drain()
{
    char drained[64];
    while (m_read >= 0 && read(m_read, drained, sizeof(drained)) > 0) {
    }
}
