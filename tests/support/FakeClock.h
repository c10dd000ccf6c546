#pragma once

#include "foundation/Clock.h"

#include <atomic>

// A clock that stands still until the test moves it.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(Timestamp start = Timestamp::fromSecondsSince1970(1'700'000'000.0));

    Timestamp now() const override;
    void set(Timestamp moment);
    void advance(double seconds);

private:
    std::atomic<double> m_seconds;
};
