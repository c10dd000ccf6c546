#pragma once

#include "platform/IdleTimeSource.h"

#include <mutex>

// The system's idle time as the test sets it.
class FakeIdleTimeSource final : public IdleTimeSource
{
public:
    std::optional<double> secondsSinceLastInput() override;

    void setSeconds(std::optional<double> seconds);
    int queryCount() const;

private:
    mutable std::mutex m_mutex;
    std::optional<double> m_seconds = 0.0;
    int m_queryCount = 0;
};
