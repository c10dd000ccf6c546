#pragma once

#include <QList>

// A virtual input device made through /dev/uinput, as a real keyboard or mouse would appear to
// the system (udev tags it, libinput opens it). Needs write access to /dev/uinput.
class UinputDevice
{
public:
    enum class Kind
    {
        Keyboard,
        Mouse, // three buttons, relative motion and a high-resolution wheel
    };

    explicit UinputDevice(Kind kind);
    ~UinputDevice();
    UinputDevice(const UinputDevice &) = delete;
    UinputDevice &operator=(const UinputDevice &) = delete;

    bool isOpen() const { return m_fd >= 0; }

    // value: 1 press, 0 release, 2 the kernel's key repeat
    void key(int code, int value);
    void move(int dx, int dy);
    // One notch, as a high-resolution wheel reports it: 120 high-resolution units and the
    // classic step, in one frame.
    void wheelNotch();

private:
    void writeEvent(int type, int code, int value);
    void sync();

    int m_fd = -1;
};
