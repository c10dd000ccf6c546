#pragma once

#include "foundation/Timestamp.h"

// Where every timed behaviour takes "now" from. Production uses systemClock(); tests hand in a
// clock they move by hand.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual Timestamp now() const = 0;
};

class SystemClock final : public Clock
{
public:
    Timestamp now() const override;
};

// The process-wide wall clock.
Clock &systemClock();
