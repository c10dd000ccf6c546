#include "ui/design/WDProgressBarGeometry.h"

#include <algorithm>

double WDProgressBarGeometry::clampedFraction(double value)
{
    // Written so that NaN, which compares false with everything, lands on 0.
    if (value > 1.0)
        return 1.0;
    if (value > 0.0)
        return value;
    return 0.0;
}

double WDProgressBarGeometry::fillWidth(double value, double width, double height)
{
    return std::max(height, std::max(0.0, width) * clampedFraction(value));
}
