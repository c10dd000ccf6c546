#include "platform/wayland/LibinputInputEventSource.h"

#include "foundation/Log.h"
#include "platform/logind/LogindSessionActivity.h"
#include "platform/wayland/LibinputContext.h"
#include "platform/wayland/LibinputEventMapping.h"

#include <libinput.h>

#include <cerrno>
#include <cstring>
#include <poll.h>

namespace {

DeviceInputEvent keyboardEvent(libinput_event *event)
{
    libinput_event_keyboard *keyboard = libinput_event_get_keyboard_event(event);
    DeviceInputEvent described{DeviceInputEvent::Kind::Key};
    described.pressed =
        libinput_event_keyboard_get_key_state(keyboard) == LIBINPUT_KEY_STATE_PRESSED;
    described.code = libinput_event_keyboard_get_key(keyboard);
    described.seatCount = libinput_event_keyboard_get_seat_key_count(keyboard);
    return described;
}

DeviceInputEvent pointerEvent(libinput_event *event, DeviceInputEvent::Kind kind)
{
    libinput_event_pointer *pointer = libinput_event_get_pointer_event(event);
    DeviceInputEvent described{kind};
    if (kind == DeviceInputEvent::Kind::PointerMotion) {
        described.dx = libinput_event_pointer_get_dx_unaccelerated(pointer);
        described.dy = libinput_event_pointer_get_dy_unaccelerated(pointer);
    } else if (kind == DeviceInputEvent::Kind::PointerButton) {
        described.pressed =
            libinput_event_pointer_get_button_state(pointer) == LIBINPUT_BUTTON_STATE_PRESSED;
        described.code = libinput_event_pointer_get_button(pointer);
        described.seatCount = libinput_event_pointer_get_seat_button_count(pointer);
    }
    return described;
}

DeviceInputEvent tabletEvent(libinput_event *event)
{
    libinput_event_tablet_tool *tool = libinput_event_get_tablet_tool_event(event);
    DeviceInputEvent described{DeviceInputEvent::Kind::TabletToolAxis};
    described.dx = libinput_event_tablet_tool_get_dx(tool);
    described.dy = libinput_event_tablet_tool_get_dy(tool);
    return described;
}

DeviceInputEvent describe(libinput_event *event)
{
    using Kind = DeviceInputEvent::Kind;
    switch (libinput_event_get_type(event)) {
    case LIBINPUT_EVENT_KEYBOARD_KEY:
        return keyboardEvent(event);
    case LIBINPUT_EVENT_POINTER_MOTION:
        return pointerEvent(event, Kind::PointerMotion);
    case LIBINPUT_EVENT_POINTER_MOTION_ABSOLUTE:
        return pointerEvent(event, Kind::PointerMotionAbsolute);
    case LIBINPUT_EVENT_POINTER_BUTTON:
        return pointerEvent(event, Kind::PointerButton);
    case LIBINPUT_EVENT_POINTER_AXIS:
        return DeviceInputEvent{Kind::LegacyAxis};
    case LIBINPUT_EVENT_POINTER_SCROLL_WHEEL:
        return DeviceInputEvent{Kind::ScrollWheel};
    case LIBINPUT_EVENT_POINTER_SCROLL_FINGER:
        return DeviceInputEvent{Kind::ScrollFinger};
    case LIBINPUT_EVENT_POINTER_SCROLL_CONTINUOUS:
        return DeviceInputEvent{Kind::ScrollContinuous};
    case LIBINPUT_EVENT_TABLET_TOOL_AXIS:
        return tabletEvent(event);
    default:
        return DeviceInputEvent{Kind::Other};
    }
}

} // namespace

LibinputInputEventSource::LibinputInputEventSource(std::unique_ptr<LogindSessionActivity> session)
    : m_session(std::move(session))
{}

LibinputInputEventSource::~LibinputInputEventSource()
{
    close();
}

bool LibinputInputEventSource::open()
{
    close();
    if (!m_wakePipe.isValid())
        return false;
    auto context = std::make_unique<LibinputContext>();
    if (!context->isValid())
        return false;
    const int devices = context->takeOpenedKeyboardsAndPointers();
    if (devices <= 0) {
        if (devices == 0)
            zuvError(lcActivity).noquote() << context->refusalText();
        return false;
    }
    zuvInfo(lcActivity) << "Reading" << devices << "keyboards and pointers of"
                        << LibinputContext::seatName();
    m_wakePipe.drain();
    m_context = std::move(context);
    return true;
}

bool LibinputInputEventSource::waitAndDispatch(const Sink &sink)
{
    if (!m_context)
        return false;
    pollfd fds[2] = {{m_context->fd(), POLLIN, 0}, {m_wakePipe.readFd(), POLLIN, 0}};
    const int ready = poll(fds, 2, -1);
    if (ready < 0)
        return errno == EINTR;
    if (fds[1].revents & POLLIN)
        m_wakePipe.drain();
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
        zuvError(lcActivity) << "libinput closed the input stream";
        return false;
    }
    if (!(fds[0].revents & POLLIN))
        return true;
    if (!m_context->dispatch()) {
        zuvError(lcActivity) << "Reading the input devices failed";
        return false;
    }
    dispatchPending(sink);
    return true;
}

void LibinputInputEventSource::wake()
{
    m_wakePipe.wake();
}

void LibinputInputEventSource::close()
{
    m_context.reset();
}

void LibinputInputEventSource::dispatchPending(const Sink &sink)
{
    while (libinput_event *event = m_context->nextEvent()) {
        // Read at every event, so a user switch stops the counting at once.
        const bool sessionActive = !m_session || m_session->isActive();
        if (const std::optional<RawInputEvent> raw =
                LibinputEventMapping::map(describe(event), sessionActive))
            sink(*raw);
        libinput_event_destroy(event);
    }
}
