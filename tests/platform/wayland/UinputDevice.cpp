#include "UinputDevice.h"

#include <cstring>
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

UinputDevice::UinputDevice(Kind kind)
{
    m_fd = ::open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return;
    ioctl(m_fd, UI_SET_EVBIT, EV_KEY);
    uinput_setup setup{};
    setup.id.bustype = BUS_USB;
    setup.id.vendor = 0x1d6b;
    if (kind == Kind::Keyboard) {
        for (int code = KEY_ESC; code <= KEY_SLASH; ++code)
            ioctl(m_fd, UI_SET_KEYBIT, code);
        setup.id.product = 0x7a01;
        std::strcpy(setup.name, "zuv test keyboard");
    } else {
        for (int code : {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE})
            ioctl(m_fd, UI_SET_KEYBIT, code);
        ioctl(m_fd, UI_SET_EVBIT, EV_REL);
        for (int code : {REL_X, REL_Y, REL_WHEEL, REL_WHEEL_HI_RES})
            ioctl(m_fd, UI_SET_RELBIT, code);
        setup.id.product = 0x7a02;
        std::strcpy(setup.name, "zuv test mouse");
    }
    if (ioctl(m_fd, UI_DEV_SETUP, &setup) != 0 || ioctl(m_fd, UI_DEV_CREATE) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

UinputDevice::~UinputDevice()
{
    if (m_fd < 0)
        return;
    ioctl(m_fd, UI_DEV_DESTROY);
    ::close(m_fd);
}

void UinputDevice::key(int code, int value)
{
    writeEvent(EV_KEY, code, value);
    sync();
}

void UinputDevice::move(int dx, int dy)
{
    writeEvent(EV_REL, REL_X, dx);
    writeEvent(EV_REL, REL_Y, dy);
    sync();
}

void UinputDevice::wheelNotch()
{
    writeEvent(EV_REL, REL_WHEEL_HI_RES, 120);
    writeEvent(EV_REL, REL_WHEEL, 1);
    sync();
}

void UinputDevice::writeEvent(int type, int code, int value)
{
    input_event event{};
    event.type = static_cast<__u16>(type);
    event.code = static_cast<__u16>(code);
    event.value = value;
    [[maybe_unused]] const ssize_t written = ::write(m_fd, &event, sizeof(event));
}

void UinputDevice::sync()
{
    writeEvent(EV_SYN, SYN_REPORT, 0);
}
