#pragma once

#include "platform/InputEventSource.h"
#include "platform/WakePipe.h"

#include <memory>

class LibinputContext;
class LogindSessionActivity;

// The input devices of the session's seat, read through libinput: on Wayland no compositor
// protocol lets a client watch the whole session's input, so the devices themselves are read
// (read-only, which needs read access to /dev/input). Nothing is counted while logind says
// another session has the seat. A self-pipe lets wake() end a blocking wait from another thread.
class LibinputInputEventSource final : public InputEventSource
{
public:
    // The session watcher lives in the creating thread, which must run an event loop.
    explicit LibinputInputEventSource(std::unique_ptr<LogindSessionActivity> session);
    ~LibinputInputEventSource() override;

    // False when no keyboard or pointer of the seat can be opened for reading; the log says why.
    bool open() override;
    bool waitAndDispatch(const Sink &sink) override;
    void wake() override;
    void close() override;

private:
    void dispatchPending(const Sink &sink);

    std::unique_ptr<LogindSessionActivity> m_session;
    std::unique_ptr<LibinputContext> m_context;
    WakePipe m_wakePipe{"the input reader"};
};
