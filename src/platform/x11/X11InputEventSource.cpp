#include "platform/x11/X11InputEventSource.h"

#include "foundation/Log.h"
#include "platform/x11/X11Connection.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>

#include <cerrno>
#include <poll.h>

namespace {

RawInputEvent buttonEvent(RawInputEvent::Type type, int button)
{
    return RawInputEvent{type, button};
}

bool isScrollButton(int button)
{
    return button >= 4 && button <= 7;
}

} // namespace

X11InputEventSource::X11InputEventSource() = default;

bool X11InputEventSource::isModifierKeysym(unsigned long keysym)
{
    // Shift, Control, Caps and Shift Lock, Meta, Alt, Super, Hyper, the ISO level and group
    // shifts (AltGr is ISO_Level3_Shift), Mode_switch and Num_Lock.
    return IsModifierKey(keysym);
}

X11InputEventSource::~X11InputEventSource()
{
    close();
}

bool X11InputEventSource::open()
{
    close();
    if (!m_wakePipe.isValid())
        return false;
    auto connection = std::make_unique<X11Connection>(lcActivity());
    if (!connection->isOpen()) {
        zuvError(lcActivity) << "Cannot open the X display" << X11Connection::displayName();
        return false;
    }
    Display *display = connection->display();
    int event = 0;
    int error = 0;
    if (!XQueryExtension(display, "XInputExtension", &m_xiOpcode, &event, &error)) {
        zuvError(lcActivity) << "The X display offers no XInput extension";
        return false;
    }
    int major = 2;
    int minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2 ||
        (major == 2 && minor < 2)) {
        zuvError(lcActivity) << "The X display offers XInput" << major << "." << minor
                             << "; raw input needs 2.2";
        return false;
    }

    unsigned char rawBits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(rawBits, XI_RawKeyPress);
    XISetMask(rawBits, XI_RawKeyRelease);
    XISetMask(rawBits, XI_RawButtonPress);
    XISetMask(rawBits, XI_RawButtonRelease);
    XISetMask(rawBits, XI_RawMotion);
    unsigned char deviceBits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(deviceBits, XI_HierarchyChanged);
    XISetMask(deviceBits, XI_DeviceChanged);
    XIEventMask masks[2];
    masks[0].deviceid = XIAllMasterDevices;
    masks[0].mask_len = sizeof(rawBits);
    masks[0].mask = rawBits;
    masks[1].deviceid = XIAllDevices;
    masks[1].mask_len = sizeof(deviceBits);
    masks[1].mask = deviceBits;
    XISelectEvents(display, connection->rootWindow(), masks, 2);
    if (const int code = connection->takeProtocolError()) {
        zuvError(lcActivity) << "Selecting raw input events failed with X error" << code;
        return false;
    }
    // Drain wake-ups meant for an earlier run.
    m_wakePipe.drain();
    m_scrollValuators.clear();
    std::lock_guard lock(m_readMutex);
    m_connection = std::move(connection);
    readModifierKeycodes();
    return true;
}

bool X11InputEventSource::waitAndDispatch(const Sink &sink)
{
    if (!m_connection || !m_connection->isHealthy())
        return false;
    Display *display = m_connection->display();
    if (!dispatchWaiting(sink))
        return false;

    pollfd fds[2] = {{XConnectionNumber(display), POLLIN, 0}, {m_wakePipe.readFd(), POLLIN, 0}};
    const int ready = poll(fds, 2, -1);
    if (ready < 0)
        return errno == EINTR;
    if (fds[1].revents & POLLIN)
        m_wakePipe.drain();
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
        zuvError(lcActivity) << "The X display closed the input stream";
        return false;
    }
    if (fds[0].revents & POLLIN)
        return dispatchWaiting(sink);
    return m_connection->isHealthy();
}

bool X11InputEventSource::dispatchWaiting(const Sink &sink)
{
    std::lock_guard lock(m_readMutex);
    if (!m_connection)
        return false;
    dispatchPending(sink);
    return m_connection->isHealthy();
}

void X11InputEventSource::wake()
{
    m_wakePipe.wake();
}

void X11InputEventSource::close()
{
    std::lock_guard lock(m_readMutex);
    m_connection.reset();
}

void X11InputEventSource::dispatchPending(const Sink &sink)
{
    Display *display = m_connection->display();
    // XPending reads what the socket holds into the queue, then each event is taken from it.
    while (m_connection->isHealthy() && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            readModifierKeycodes();
            continue;
        }
        XGenericEventCookie *cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_xiOpcode)
            continue;
        if (!XGetEventData(display, cookie))
            continue;
        dispatchCookie(cookie, sink);
        XFreeEventData(display, cookie);
    }
}

void X11InputEventSource::dispatchCookie(void *data, const Sink &sink)
{
    const auto *cookie = static_cast<XGenericEventCookie *>(data);
    switch (cookie->evtype) {
    case XI_HierarchyChanged:
    case XI_DeviceChanged:
        m_scrollValuators.clear();
        // Another keyboard may bring another layout.
        readModifierKeycodes();
        return;
    case XI_RawKeyPress:
    case XI_RawKeyRelease: {
        const auto *raw = static_cast<const XIRawEvent *>(cookie->data);
        if (raw->detail >= 0 && raw->detail < int(m_modifierKeycodes.size()) &&
            m_modifierKeycodes.test(std::size_t(raw->detail)))
            return;
        sink(RawInputEvent{cookie->evtype == XI_RawKeyPress ? RawInputEvent::Type::KeyDown
                                                            : RawInputEvent::Type::KeyUp,
                           0});
        return;
    }
    case XI_RawButtonPress:
    case XI_RawButtonRelease: {
        const auto *raw = static_cast<const XIRawEvent *>(cookie->data);
        const bool press = cookie->evtype == XI_RawButtonPress;
        // Wheel "buttons" are scrolling, never clicks; they are reported as scroll steps.
        if (isScrollButton(raw->detail)) {
            if (press)
                sink(RawInputEvent{RawInputEvent::Type::ScrollMotion, raw->detail});
            return;
        }
        sink(buttonEvent(press ? RawInputEvent::Type::ButtonDown : RawInputEvent::Type::ButtonUp,
                         raw->detail));
        return;
    }
    case XI_RawMotion: {
        const auto *raw = static_cast<const XIRawEvent *>(cookie->data);
        const int device = raw->sourceid ? raw->sourceid : raw->deviceid;
        const QList<int> &scroll = scrollValuatorsOf(device);
        bool pointerAxisChanged = false;
        bool scrollAxisChanged = false;
        for (int bit = 0; bit < raw->valuators.mask_len * 8; ++bit) {
            if (!XIMaskIsSet(raw->valuators.mask, bit))
                continue;
            if (scroll.contains(bit))
                scrollAxisChanged = true;
            else
                pointerAxisChanged = true;
        }
        if (pointerAxisChanged)
            sink(RawInputEvent{RawInputEvent::Type::PointerMotion, 0});
        else if (scrollAxisChanged)
            sink(RawInputEvent{RawInputEvent::Type::ScrollMotion, 0});
        return;
    }
    default:
        return;
    }
}

void X11InputEventSource::readModifierKeycodes()
{
    m_modifierKeycodes.reset();
    Display *display = m_connection->display();
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    int keysymsPerKeycode = 0;
    KeySym *keysyms = XGetKeyboardMapping(display, KeyCode(minKeycode), maxKeycode - minKeycode + 1,
                                          &keysymsPerKeycode);
    if (!keysyms)
        return;
    for (int keycode = minKeycode; keycode <= maxKeycode; ++keycode) {
        const KeySym first = keysyms[(keycode - minKeycode) * keysymsPerKeycode];
        if (isModifierKeysym(first))
            m_modifierKeycodes.set(std::size_t(keycode));
    }
    XFree(keysyms);
}

const QList<int> &X11InputEventSource::scrollValuatorsOf(int deviceId)
{
    auto found = m_scrollValuators.find(deviceId);
    if (found != m_scrollValuators.end())
        return *found;
    QList<int> valuators;
    int count = 0;
    XIDeviceInfo *info = XIQueryDevice(m_connection->display(), deviceId, &count);
    m_connection->takeProtocolError(); // a device that went away has no scroll axes to know
    for (int d = 0; info && d < count; ++d) {
        for (int c = 0; c < info[d].num_classes; ++c) {
            if (info[d].classes[c]->type != XIScrollClass)
                continue;
            const auto *scrollClass =
                reinterpret_cast<const XIScrollClassInfo *>(info[d].classes[c]);
            valuators.append(scrollClass->number);
        }
    }
    if (info)
        XIFreeDeviceInfo(info);
    return *m_scrollValuators.insert(deviceId, valuators);
}
