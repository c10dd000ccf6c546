#pragma once

#include <QObject>
#include <QtQmlIntegration>

// The sizes of a statistic card, which the caller picks for the popover or the main window.
struct WDStatCardMetrics
{
    Q_GADGET
    QML_VALUE_TYPE(wdStatCardMetrics)
    Q_PROPERTY(double watermarkSide MEMBER watermarkSide)
    Q_PROPERTY(double textSpacing MEMBER textSpacing)
    Q_PROPERTY(double textInset MEMBER textInset)
    Q_PROPERTY(double iconDiscDiameter MEMBER iconDiscDiameter)
    Q_PROPERTY(double iconGlyphSide MEMBER iconGlyphSide)
    Q_PROPERTY(int titleFontSize MEMBER titleFontSize)
    Q_PROPERTY(int valueFontSize MEMBER valueFontSize)
    Q_PROPERTY(double valueLeadingInset MEMBER valueLeadingInset)
    Q_PROPERTY(double headerSpacing MEMBER headerSpacing)
    Q_PROPERTY(double cornerRadius MEMBER cornerRadius)

public:
    double watermarkSide = 42;
    double textSpacing = 4;
    double textInset = 9;
    double iconDiscDiameter = 22;
    double iconGlyphSide = 11;
    int titleFontSize = 12;
    int valueFontSize = 16;
    double valueLeadingInset = 28;
    double headerSpacing = 6;
    double cornerRadius = 16;

    static WDStatCardMetrics forLayout(bool compact);

    // Only a card with a tooltip follows the pointer at all.
    static bool showsTooltip(const QString &tooltip, bool hovered)
    {
        return !tooltip.isEmpty() && hovered;
    }

    friend bool operator==(const WDStatCardMetrics &, const WDStatCardMetrics &) = default;
};
