#pragma once

#include "foundation/Clock.h"
#include "foundation/RandomSource.h"

#include <optional>

// Back-off for failed uploads and the circuit breaker that halts the queue after a run of
// failures ending in server errors. Lives in memory only; every success resets it. Used by the
// queue pass, one call at a time, on the thread that owns the upload service.
class RetryManager
{
public:
    // A task whose new retry count would exceed this is given up (six attempts in all).
    static constexpr int maximumRetries = 5;
    static constexpr int failuresBeforeCircuitOpens = 5;
    static constexpr double baseOpenSeconds = 60.0;
    static constexpr double maximumOpenSeconds = 600.0;
    static constexpr double maximumRetryDelaySeconds = 300.0;

    RetryManager(const Clock &clock, RandomSource &random);

    int consecutiveFailures() const { return m_consecutiveFailures; }
    std::optional<Timestamp> circuitOpenUntil() const { return m_circuitOpenUntil; }
    int circuitOpenCount() const { return m_circuitOpenCount; }

    bool isCircuitOpen(Timestamp now) const;
    void registerSuccess();
    // Counts every failure; only a status of 500 or above after enough failures opens the circuit.
    void registerFailure(std::optional<int> statusCode);
    // 2 x 2^min(n, 5) seconds plus up to one second of jitter, capped at 300 seconds.
    Timestamp nextAttemptDate(int retryCount) const;

private:
    const Clock &m_clock;
    RandomSource &m_random;
    int m_consecutiveFailures = 0;
    std::optional<Timestamp> m_circuitOpenUntil;
    int m_circuitOpenCount = 0;
};
