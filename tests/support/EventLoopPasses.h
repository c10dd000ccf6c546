#pragma once

#include <QObject>

// Tells the passes of the thread's event loop apart, for tests of what shares a wake-up: the
// first mark() of a pass queues a marker, which runs after everything else due in that pass and
// so ends it.
class EventLoopPasses
{
public:
    // The number of the pass it is called in, counted from 0.
    int mark();

private:
    QObject m_markerContext;
    int m_pass = 0;
    bool m_markerQueued = false;
};
