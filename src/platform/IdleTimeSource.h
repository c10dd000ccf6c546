#pragma once

#include <optional>

// The system's own measure of how long the user has not touched any input device.
class IdleTimeSource
{
public:
    virtual ~IdleTimeSource() = default;

    // Seconds since the last input event of any kind; none when the system cannot tell.
    // Safe from any thread.
    virtual std::optional<double> secondsSinceLastInput() = 0;
};
