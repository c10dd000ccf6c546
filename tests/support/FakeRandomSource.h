#pragma once

#include "foundation/RandomSource.h"

#include <QList>

// Answers a fixed fraction of each requested range (0 = low end, 1 = high end), or a queue of
// fractions one call after another, and remembers the ranges it was asked for.
class FakeRandomSource final : public RandomSource
{
public:
    explicit FakeRandomSource(double fraction = 0.5)
        : m_fraction(fraction)
    {}

    double uniform(double low, double high) override
    {
        m_requests.append({low, high});
        const double fraction = m_queued.isEmpty() ? m_fraction : m_queued.takeFirst();
        return low + (high - low) * fraction;
    }

    void setFraction(double fraction) { m_fraction = fraction; }
    void queueFractions(const QList<double> &fractions) { m_queued += fractions; }
    QList<QPair<double, double>> requests() const { return m_requests; }

private:
    double m_fraction;
    QList<double> m_queued;
    QList<QPair<double, double>> m_requests;
};
