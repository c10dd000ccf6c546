#pragma once

#include "platform/SuspendClock.h"

// The kernel's CLOCK_BOOTTIME and CLOCK_MONOTONIC.
class BootTimeSuspendClock final : public SuspendClock
{
public:
    double bootTimeSeconds() const override;
    double monotonicSeconds() const override;
};
