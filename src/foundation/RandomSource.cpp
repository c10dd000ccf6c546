#include "foundation/RandomSource.h"

#include <QRandomGenerator>

namespace {

class SystemRandomSource final : public RandomSource
{
public:
    double uniform(double low, double high) override
    {
        // QRandomGenerator::global() is thread-safe; generateDouble() is in [0, 1).
        return low + (high - low) * QRandomGenerator::global()->generateDouble();
    }
};

} // namespace

RandomSource &systemRandomSource()
{
    static SystemRandomSource source;
    return source;
}
