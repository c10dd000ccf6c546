#include "ui/design/WDStyle.h"

#include "ui/design/WDColorMath.h"
#include "ui/design/WDHeroCropGeometry.h"
#include "ui/design/WDProgressBarGeometry.h"

WDStyle::WDStyle(QObject *parent)
    : QObject(parent)
{}

WDHeaderLook WDStyle::headerLook(const WDPalette &palette, const QColor &statusColor, bool glow,
                                 double pulseLevel, bool windowButtonHovered, bool logoHovered)
{
    return WDHeaderLook::compute({statusColor, glow, pulseLevel, windowButtonHovered, logoHovered},
                                 palette);
}

WDTabItemLook WDStyle::tabItemLook(const WDPalette &palette, bool active, bool hovered)
{
    return WDTabItemLook::compute(active, hovered, palette);
}

double WDStyle::progressFillWidth(double value, double width, double height)
{
    return WDProgressBarGeometry::fillWidth(value, width, height);
}

QRectF WDStyle::heroImageRect(double viewWidth, double viewHeight, double imageAspect,
                              double window, double charCenterX, double topBias)
{
    return WDHeroCropGeometry::imageRect(QSizeF(viewWidth, viewHeight), imageAspect, window,
                                         charCenterX, topBias);
}

WDStatCardMetrics WDStyle::statCardMetrics(bool compact)
{
    return WDStatCardMetrics::forLayout(compact);
}

bool WDStyle::showsTooltip(const QString &tooltip, bool hovered)
{
    return WDStatCardMetrics::showsTooltip(tooltip, hovered);
}

QColor WDStyle::withOpacity(const QColor &colour, double opacity)
{
    return WDColorMath::withOpacity(colour, opacity);
}
