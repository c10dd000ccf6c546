#pragma once

#include <QColor>

// Colour adjustments that stand in for the state effects of the interface.
namespace WDColorMath {

// Adds amount to each of red, green and blue (negative darkens), clamped to the valid range;
// alpha is kept.
QColor brightened(const QColor &colour, double amount);

// The colour with its alpha replaced by opacity (0 to 1).
QColor withOpacity(const QColor &colour, double opacity);

} // namespace WDColorMath
