#pragma once

#include "foundation/Timestamp.h"

#include <optional>

// Where every timed behaviour takes "now" from. Production uses systemClock(); tests hand in a
// clock they move by hand.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual Timestamp now() const = 0;
    // Seconds on a clock that setting the wall clock does not move and that goes on counting
    // while the machine is suspended, so that only a changed wall clock makes the two disagree.
    // None where this clock cannot tell.
    virtual std::optional<double> steadySeconds() const { return std::nullopt; }
};

class SystemClock final : public Clock
{
public:
    Timestamp now() const override;
    // The kernel's boot-time clock.
    std::optional<double> steadySeconds() const override;
};

// The process-wide wall clock.
Clock &systemClock();
