#pragma once

#include "ui/design/WDHeaderLook.h"
#include "ui/design/WDPalette.h"
#include "ui/design/WDStatCardMetrics.h"
#include "ui/design/WDTabItemLook.h"

#include <QObject>
#include <QRectF>
#include <QtQmlIntegration>

// The design system's decisions as QML calls them. Each takes the palette it should use, so a
// binding that passes WD.palette is re-evaluated when the palette changes.
class WDStyle : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    explicit WDStyle(QObject *parent = nullptr);

    Q_INVOKABLE static WDHeaderLook headerLook(const WDPalette &palette, const QColor &statusColor,
                                               bool glow, double pulseLevel,
                                               bool windowButtonHovered, bool logoHovered);
    Q_INVOKABLE static WDTabItemLook tabItemLook(const WDPalette &palette, bool active,
                                                 bool hovered);
    Q_INVOKABLE static double progressFillWidth(double value, double width, double height);
    Q_INVOKABLE static QRectF heroImageRect(double viewWidth, double viewHeight, double imageAspect,
                                            double window, double charCenterX, double topBias);
    Q_INVOKABLE static WDStatCardMetrics statCardMetrics(bool compact);
    Q_INVOKABLE static bool showsTooltip(const QString &tooltip, bool hovered);
    // The glyph of an icon circle is this share of its diameter.
    Q_INVOKABLE static double iconCircleGlyphSize(double diameter) { return diameter * 0.41; }
    Q_INVOKABLE static QColor withOpacity(const QColor &colour, double opacity);
};
