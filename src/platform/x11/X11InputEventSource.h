#pragma once

#include "platform/InputEventSource.h"
#include "platform/WakePipe.h"

#include <QHash>
#include <QList>

#include <atomic>
#include <bitset>
#include <memory>
#include <mutex>

class X11Connection;

// Raw input events (XInput 2.2: key presses and releases, button presses and releases, motion)
// of the master devices, selected on the root window of a connection of its own. A self-pipe
// lets wake() end a blocking wait from another thread, and dispatchWaiting() takes the events
// that wait from another thread; one mutex keeps the two readers of the connection apart. A press
// of a modifier key (Shift, Control, Alt, AltGr, Super, Caps Lock, Num Lock) is not reported: it is
// no keystroke of its own.
class X11InputEventSource final : public InputEventSource
{
public:
    X11InputEventSource();
    ~X11InputEventSource() override;

    bool open() override;
    bool waitAndDispatch(const Sink &sink) override;
    void wake() override;
    void close() override;
    // The server holds a client's events until it reads them.
    bool keepsUnreadEvents() const override { return true; }
    bool dispatchWaiting(const Sink &sink) override;

    // By the key's symbol at its first level in the current layout, so a key the layout remaps
    // (Caps Lock made a Control) is judged by what it does.
    static bool isModifierKeysym(unsigned long keysym);

private:
    void dispatchPending(const Sink &sink);
    void dispatchCookie(void *cookie, const Sink &sink);
    const QList<int> &scrollValuatorsOf(int deviceId);
    void readModifierKeycodes();

    std::mutex m_readMutex; // held while the connection is read
    std::unique_ptr<X11Connection> m_connection;
    int m_xiOpcode = 0;
    WakePipe m_wakePipe{"the input stream"};
    QHash<int, QList<int>> m_scrollValuators; // per source device; refreshed when devices change
    std::bitset<256> m_modifierKeycodes;      // refreshed when the keyboard mapping changes
};
