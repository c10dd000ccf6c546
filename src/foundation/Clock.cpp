#include "foundation/Clock.h"

#include <chrono>

Timestamp SystemClock::now() const
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<microseconds>(system_clock::now().time_since_epoch());
    return Timestamp::fromSecondsSince1970(static_cast<double>(sinceEpoch.count()) / 1e6);
}

Clock &systemClock()
{
    static SystemClock clock;
    return clock;
}
