#pragma once

#include "platform/InputEventSource.h"

#include <condition_variable>
#include <deque>
#include <mutex>

// An input stream fed by the test: push() queues events that the listening thread then hands to
// the tracker. Can be made to refuse open() and to break.
class FakeInputEventSource final : public InputEventSource
{
public:
    bool open() override;
    bool waitAndDispatch(const Sink &sink) override;
    void wake() override;
    void close() override;

    void setOpenSucceeds(bool succeeds);
    void push(const RawInputEvent &event);
    void push(RawInputEvent::Type type, int button = 0);
    // Makes the next wait report a broken stream.
    void breakStream();
    // Waits until every pushed event has been handed over (false after timeoutMs).
    bool waitUntilDrained(int timeoutMs = 5000);

    bool isOpen() const;
    int openCount() const;
    int closeCount() const;
    int wakeCount() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<RawInputEvent> m_pending;
    int m_inFlight = 0;
    bool m_openSucceeds = true;
    bool m_open = false;
    bool m_woken = false;
    bool m_broken = false;
    int m_openCount = 0;
    int m_closeCount = 0;
    int m_wakeCount = 0;
};
