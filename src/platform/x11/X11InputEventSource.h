#pragma once

#include "platform/InputEventSource.h"
#include "platform/WakePipe.h"

#include <QHash>
#include <QList>

#include <atomic>
#include <memory>

class X11Connection;

// Raw input events (XInput 2.2: key presses and releases, button presses and releases, motion)
// of the master devices, selected on the root window of a connection of its own. A self-pipe
// lets wake() end a blocking wait from another thread.
class X11InputEventSource final : public InputEventSource
{
public:
    X11InputEventSource();
    ~X11InputEventSource() override;

    bool open() override;
    bool waitAndDispatch(const Sink &sink) override;
    void wake() override;
    void close() override;

private:
    void dispatchPending(const Sink &sink);
    void dispatchCookie(void *cookie, const Sink &sink);
    const QList<int> &scrollValuatorsOf(int deviceId);

    std::unique_ptr<X11Connection> m_connection;
    int m_xiOpcode = 0;
    WakePipe m_wakePipe{"the input stream"};
    QHash<int, QList<int>> m_scrollValuators; // per source device; refreshed when devices change
};
