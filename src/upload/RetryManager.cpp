#include "upload/RetryManager.h"

#include "foundation/Log.h"

#include <algorithm>
#include <cmath>

RetryManager::RetryManager(const Clock &clock, RandomSource &random)
    : m_clock(clock)
    , m_random(random)
{}

bool RetryManager::isCircuitOpen(Timestamp now) const
{
    return m_circuitOpenUntil && now < *m_circuitOpenUntil;
}

void RetryManager::registerSuccess()
{
    m_consecutiveFailures = 0;
    m_circuitOpenUntil.reset();
    m_circuitOpenCount = 0;
}

void RetryManager::registerFailure(std::optional<int> statusCode)
{
    ++m_consecutiveFailures;
    if (!statusCode || *statusCode < 500 || m_consecutiveFailures < failuresBeforeCircuitOpens)
        return;
    // 60, 120, 240, 480, then 600 s; the exponent is bounded so the shift never overflows.
    const int exponent = std::min(m_circuitOpenCount, 16);
    ++m_circuitOpenCount;
    const double openSeconds =
        std::min(baseOpenSeconds * std::ldexp(1.0, exponent), maximumOpenSeconds);
    m_circuitOpenUntil = m_clock.now().addingSeconds(openSeconds);
    zuvError(lcUpload).nospace() << "Circuit breaker opened for " << openSeconds << "s after "
                                 << m_consecutiveFailures << " failures";
}

Timestamp RetryManager::nextAttemptDate(int retryCount) const
{
    const int exponent = std::clamp(retryCount, 0, 5);
    const double delay = std::min(2.0 * std::ldexp(1.0, exponent) + m_random.uniform(0.0, 1.0),
                                  maximumRetryDelaySeconds);
    return m_clock.now().addingSeconds(delay);
}
