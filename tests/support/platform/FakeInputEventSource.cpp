#include "support/platform/FakeInputEventSource.h"

#include <chrono>

bool FakeInputEventSource::open()
{
    std::lock_guard lock(m_mutex);
    ++m_openCount;
    m_open = m_openSucceeds;
    m_broken = false;
    return m_open;
}

bool FakeInputEventSource::waitAndDispatch(const Sink &sink)
{
    std::deque<RawInputEvent> batch;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_woken || m_broken || !m_pending.empty(); });
        if (m_broken)
            return false;
        m_woken = false;
        batch.swap(m_pending);
        m_inFlight = static_cast<int>(batch.size());
    }
    for (const RawInputEvent &event : batch)
        sink(event);
    {
        std::lock_guard lock(m_mutex);
        m_inFlight = 0;
    }
    m_changed.notify_all();
    return true;
}

void FakeInputEventSource::wake()
{
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
        ++m_wakeCount;
    }
    m_changed.notify_all();
}

void FakeInputEventSource::close()
{
    std::lock_guard lock(m_mutex);
    m_open = false;
    ++m_closeCount;
}

void FakeInputEventSource::setOpenSucceeds(bool succeeds)
{
    std::lock_guard lock(m_mutex);
    m_openSucceeds = succeeds;
}

void FakeInputEventSource::push(const RawInputEvent &event)
{
    {
        std::lock_guard lock(m_mutex);
        m_pending.push_back(event);
    }
    m_changed.notify_all();
}

void FakeInputEventSource::push(RawInputEvent::Type type, int button)
{
    push(RawInputEvent{type, button});
}

void FakeInputEventSource::breakStream()
{
    {
        std::lock_guard lock(m_mutex);
        m_broken = true;
    }
    m_changed.notify_all();
}

bool FakeInputEventSource::waitUntilDrained(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_pending.empty() && m_inFlight == 0; });
}

bool FakeInputEventSource::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

int FakeInputEventSource::openCount() const
{
    std::lock_guard lock(m_mutex);
    return m_openCount;
}

int FakeInputEventSource::closeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_closeCount;
}

int FakeInputEventSource::wakeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_wakeCount;
}
