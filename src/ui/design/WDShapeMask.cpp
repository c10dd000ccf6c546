#include "ui/design/WDShapeMask.h"

#include <algorithm>
#include <cmath>

WDShapeMask::WDShapeMask(QObject *parent)
    : QObject(parent)
{}

bool WDShapeMask::contains(const QPointF &point) const
{
    return roundedRectContains(m_width, m_height, m_radius, point);
}

bool WDShapeMask::roundedRectContains(double width, double height, double radius,
                                      const QPointF &point)
{
    const double x = point.x();
    const double y = point.y();
    if (!(x >= 0 && y >= 0 && x <= width && y <= height))
        return false;
    const double r = std::clamp(radius, 0.0, std::min(width, height) / 2);
    // Distance from the nearest corner's centre, only when the point lies in a corner square.
    const double cornerX = std::clamp(x, r, width - r);
    const double cornerY = std::clamp(y, r, height - r);
    return std::hypot(x - cornerX, y - cornerY) <= r;
}
