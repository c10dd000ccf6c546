#pragma once

#include "platform/SleepSource.h"

// A sleep source the test drives: sleep() and wake() emit the signals, and every release of the
// delay is counted.
class FakeSleepSource final : public SleepSource
{
    Q_OBJECT

public:
    using SleepSource::SleepSource;

    bool isAvailable() const override { return true; }
    void releaseSleepInhibitor() override { ++m_releases; }

    void sleep() { Q_EMIT aboutToSleep(); }
    void wake() { Q_EMIT didWake(); }
    int releases() const { return m_releases; }

private:
    int m_releases = 0;
};
