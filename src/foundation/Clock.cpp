#include "foundation/Clock.h"

#include <chrono>
#include <ctime>

Timestamp SystemClock::now() const
{
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<microseconds>(system_clock::now().time_since_epoch());
    return Timestamp::fromSecondsSince1970(static_cast<double>(sinceEpoch.count()) / 1e6);
}

std::optional<double> SystemClock::steadySeconds() const
{
    timespec value{};
    if (clock_gettime(CLOCK_BOOTTIME, &value) != 0)
        return std::nullopt;
    return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_nsec) / 1e9;
}

Clock &systemClock()
{
    static SystemClock clock;
    return clock;
}
