#include "platform/logind/BootTimeSuspendClock.h"

#include <ctime>

namespace {

double readClock(clockid_t clock)
{
    timespec value{};
    if (clock_gettime(clock, &value) != 0)
        return 0.0;
    return static_cast<double>(value.tv_sec) + static_cast<double>(value.tv_nsec) / 1e9;
}

} // namespace

double BootTimeSuspendClock::bootTimeSeconds() const
{
    return readClock(CLOCK_BOOTTIME);
}

double BootTimeSuspendClock::monotonicSeconds() const
{
    return readClock(CLOCK_MONOTONIC);
}
