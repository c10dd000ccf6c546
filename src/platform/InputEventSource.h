#pragma once

#include <QtGlobal>

#include <functional>

// (The names avoid Xlib's KeyPress/ButtonPress macros.)
// One event of the system's raw input stream, reduced to what activity counting needs. Nothing
// identifies a key or a position: only the kind of event and, for buttons, the button number.
struct RawInputEvent
{
    enum class Type
    {
        PointerMotion, // the pointer moved (relative or absolute axes changed)
        ScrollMotion,  // only scroll axes changed (smooth scrolling)
        ButtonDown,
        ButtonUp,
        KeyDown,
        KeyUp,
    };

    Type type = Type::PointerMotion;
    int button = 0; // for ButtonDown/ButtonUp: the physical button (4-7 are scroll wheels)
};

// The system's stream of raw input events, listened to without altering it. One instance serves
// one listening thread: open(), then waitAndDispatch() in a loop on that thread, close() when done.
// Only wake() may be called from another thread.
class InputEventSource
{
public:
    using Sink = std::function<void(const RawInputEvent &)>;

    virtual ~InputEventSource() = default;

    // Connects to the input stream. False when it cannot be listened to (no display, no raw input
    // support); the reason is logged.
    virtual bool open() = 0;

    // Blocks until events arrive or wake() is called, and hands every pending event to sink.
    // False when the stream broke and cannot deliver anything more.
    virtual bool waitAndDispatch(const Sink &sink) = 0;

    // Makes a blocked waitAndDispatch() return soon. Safe from any thread, also before open().
    virtual void wake() = 0;

    // Whether events wait in the stream, unread and never lost, until they are taken: then the
    // listening thread need not wake for each one, and those who want the counts up to now take
    // what waits with dispatchWaiting().
    virtual bool keepsUnreadEvents() const { return false; }
    // Hands every event waiting in the stream to sink, without blocking; safe from another thread
    // while waitAndDispatch() runs (each event goes to one of the two). False when the stream
    // broke.
    virtual bool dispatchWaiting(const Sink &sink)
    {
        Q_UNUSED(sink);
        return true;
    }

    // Disconnects; open() may be called again afterwards.
    virtual void close() = 0;
};
