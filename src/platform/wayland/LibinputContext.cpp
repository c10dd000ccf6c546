#include "platform/wayland/LibinputContext.h"

#include "foundation/Log.h"

#include <QProcessEnvironment>

#include <libinput.h>
#include <libudev.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// libinput names every device it cannot open, on every check of the permission; the summary
// (refusalText) is what the log keeps at a higher level.
void logLibinputMessage(libinput *, libinput_log_priority, const char *format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof(text), format, arguments);
    zuvDebug(lcActivity).noquote() << "libinput:" << QString::fromLocal8Bit(text).trimmed();
}

bool hasKeyboardOrPointer(libinput_device *device)
{
    return device && (libinput_device_has_capability(device, LIBINPUT_DEVICE_CAP_KEYBOARD) ||
                      libinput_device_has_capability(device, LIBINPUT_DEVICE_CAP_POINTER));
}

} // namespace

LibinputContext::LibinputContext()
{
    static const libinput_interface interface = {&LibinputContext::openRestricted,
                                                 &LibinputContext::closeRestricted};
    m_udev = udev_new();
    if (!m_udev) {
        zuvError(lcActivity) << "Cannot reach udev to find the input devices";
        return;
    }
    m_libinput = libinput_udev_create_context(&interface, this, m_udev);
    if (!m_libinput) {
        zuvError(lcActivity) << "Cannot create a libinput context";
        return;
    }
    libinput_log_set_handler(m_libinput, &logLibinputMessage);
    libinput_log_set_priority(m_libinput, LIBINPUT_LOG_PRIORITY_INFO);
    const QByteArray seat = seatName().toUtf8();
    if (libinput_udev_assign_seat(m_libinput, seat.constData()) != 0) {
        zuvError(lcActivity) << "Cannot read the input devices of seat" << seat;
        libinput_unref(m_libinput);
        m_libinput = nullptr;
    }
}

LibinputContext::~LibinputContext()
{
    if (m_libinput)
        libinput_unref(m_libinput);
    if (m_udev)
        udev_unref(m_udev);
}

QString LibinputContext::seatName()
{
    const QString seat = QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_SEAT"));
    return seat.isEmpty() ? QStringLiteral("seat0") : seat;
}

int LibinputContext::fd() const
{
    return m_libinput ? libinput_get_fd(m_libinput) : -1;
}

bool LibinputContext::dispatch()
{
    return m_libinput && libinput_dispatch(m_libinput) == 0;
}

libinput_event *LibinputContext::nextEvent()
{
    return m_libinput ? libinput_get_event(m_libinput) : nullptr;
}

int LibinputContext::takeOpenedKeyboardsAndPointers()
{
    if (!dispatch())
        return -1;
    int devices = 0;
    while (libinput_event *event = nextEvent()) {
        if (libinput_event_get_type(event) == LIBINPUT_EVENT_DEVICE_ADDED &&
            hasKeyboardOrPointer(libinput_event_get_device(event)))
            ++devices;
        libinput_event_destroy(event);
    }
    return devices;
}

QString LibinputContext::refusalText() const
{
    if (m_refusedDevices == 0)
        return QStringLiteral("No keyboard or pointer is attached to %1, so there is no input "
                              "to count")
            .arg(seatName());
    QString text = QStringLiteral("No keyboard or pointer of %1 can be read (%2 refused")
                       .arg(seatName())
                       .arg(m_refusedDevices);
    if (!m_lastRefusal.isEmpty())
        text += QStringLiteral(", last: ") + m_lastRefusal;
    return text + QStringLiteral("); reading the input devices needs this user in the \"input\" "
                                 "group or the app's input access rule, which an administrator "
                                 "grants");
}

int LibinputContext::openRestricted(const char *path, int, void *self)
{
    // Whatever libinput asks for, the device is only ever read.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        return fd;
    const int error = errno;
    auto *context = static_cast<LibinputContext *>(self);
    ++context->m_refusedDevices;
    context->m_lastRefusal = QStringLiteral("%1: %2").arg(
        QString::fromLocal8Bit(path), QString::fromLocal8Bit(std::strerror(error)));
    return -error;
}

void LibinputContext::closeRestricted(int fd, void *)
{
    ::close(fd);
}
