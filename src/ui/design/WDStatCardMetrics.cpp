#include "ui/design/WDStatCardMetrics.h"

WDStatCardMetrics WDStatCardMetrics::forLayout(bool compact)
{
    WDStatCardMetrics metrics;
    if (compact) {
        metrics.watermarkSide = 34;
        metrics.textSpacing = 3;
        metrics.textInset = 8;
        metrics.iconDiscDiameter = 20;
        metrics.iconGlyphSide = 10;
        metrics.titleFontSize = 11;
        metrics.valueFontSize = 15;
    }
    // The figure lines up under the title text, past the icon disc and the header spacing.
    metrics.valueLeadingInset = metrics.iconDiscDiameter + metrics.headerSpacing;
    return metrics;
}
