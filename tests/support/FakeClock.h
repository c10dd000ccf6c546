#pragma once

#include "foundation/Clock.h"

#include <atomic>

// A clock that stands still until the test moves it. set() and advance() let time pass, so the
// steady reading moves with the wall clock; jump() changes only the wall clock, as setting the
// system time does.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(Timestamp start = Timestamp::fromSecondsSince1970(1'700'000'000.0));

    Timestamp now() const override;
    std::optional<double> steadySeconds() const override;
    void set(Timestamp moment);
    void advance(double seconds);
    void jump(double seconds);

private:
    std::atomic<double> m_seconds;
    std::atomic<double> m_steadySeconds{0.0};
};
