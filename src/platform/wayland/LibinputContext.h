#pragma once

#include <QString>

struct libinput;
struct libinput_event;
struct udev;

// A libinput context on the udev backend, bound to the session's seat (XDG_SEAT, else "seat0").
// Every device is opened read-only and non-blocking: the program only listens, it never takes a
// device from the compositor or grabs it. Opening needs read access to the event devices, which on
// most systems means membership of the "input" group.
class LibinputContext
{
public:
    LibinputContext();
    ~LibinputContext();
    LibinputContext(const LibinputContext &) = delete;
    LibinputContext &operator=(const LibinputContext &) = delete;

    static QString seatName();

    bool isValid() const { return m_libinput != nullptr; }
    // libinput's descriptor: readable when events wait.
    int fd() const;
    // Reads what the devices sent; false when libinput failed.
    bool dispatch();
    // The next event, owned by the caller (libinput_event_destroy), or null.
    libinput_event *nextEvent();

    // Takes the events that assigning the seat queued, one per device that could be opened, and
    // answers how many of those devices type or point (keyboards, mice, touchpads). -1 when
    // libinput failed.
    int takeOpenedKeyboardsAndPointers();
    // Why no device could be read: none attached, or refused and what the administrator has to
    // do about it.
    QString refusalText() const;
    // How many event devices refused to open for reading.
    int refusedDevices() const { return m_refusedDevices; }

private:
    static int openRestricted(const char *path, int flags, void *self);
    static void closeRestricted(int fd, void *self);

    udev *m_udev = nullptr;
    libinput *m_libinput = nullptr;
    int m_refusedDevices = 0;
    QString m_lastRefusal;
};
