#include "ui/design/WDColorMath.h"

#include <algorithm>

namespace WDColorMath {

QColor brightened(const QColor &colour, double amount)
{
    const auto shift = [amount](float component) {
        return std::clamp(static_cast<double>(component) + amount, 0.0, 1.0);
    };
    const QColor rgb = colour.toRgb();
    return QColor::fromRgbF(static_cast<float>(shift(rgb.redF())),
                            static_cast<float>(shift(rgb.greenF())),
                            static_cast<float>(shift(rgb.blueF())), rgb.alphaF());
}

QColor withOpacity(const QColor &colour, double opacity)
{
    QColor result = colour.toRgb();
    result.setAlphaF(static_cast<float>(std::clamp(opacity, 0.0, 1.0)));
    return result;
}

} // namespace WDColorMath
