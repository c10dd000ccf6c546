#pragma once

#include <QObject>

// Tells when the machine is about to suspend and when it has resumed. A source may hold back the
// suspend until the receiver of aboutToSleep() has saved its state and called
// releaseSleepInhibitor(); a source that cannot delay the suspend ignores that call.
//
// Signals are delivered on the thread the source lives in.
class SleepSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether the source can observe sleep at all (a missing system bus makes it deaf).
    virtual bool isAvailable() const = 0;

    // Lets a delayed suspend go ahead; the source takes a new delay again after the next wake.
    virtual void releaseSleepInhibitor() = 0;

Q_SIGNALS:
    void aboutToSleep();
    void didWake();
};
