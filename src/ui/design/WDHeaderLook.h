#pragma once

#include "ui/design/WDPalette.h"

#include <QColor>
#include <QObject>
#include <QtQmlIntegration>

// How the header bar's status dot, open-window button and logo look in their current state.
struct WDHeaderLook
{
    Q_GADGET
    QML_VALUE_TYPE(wdHeaderLook)
    Q_PROPERTY(double dotOpacity MEMBER dotOpacity)
    Q_PROPERTY(QColor dotShadowColor MEMBER dotShadowColor)
    Q_PROPERTY(double dotShadowRadius MEMBER dotShadowRadius)
    Q_PROPERTY(QColor windowButtonForeground MEMBER windowButtonForeground)
    Q_PROPERTY(QColor windowButtonBackground MEMBER windowButtonBackground)
    Q_PROPERTY(double logoOpacity MEMBER logoOpacity)
    Q_PROPERTY(double logoScale MEMBER logoScale)

public:
    struct State
    {
        QColor statusColor;
        bool glow = false;
        // Where the pulse is between full (0) and dim (1); only counts while glowing.
        double pulseLevel = 0.0;
        bool windowButtonHovered = false;
        bool logoHovered = false;
    };

    double dotOpacity = 1.0;
    QColor dotShadowColor = Qt::transparent;
    double dotShadowRadius = 0.0;
    QColor windowButtonForeground;
    QColor windowButtonBackground = Qt::transparent;
    double logoOpacity = 1.0;
    double logoScale = 1.0;

    static constexpr double dimmedDotOpacity = 0.3;
    static constexpr double pulseLegMs = 900.0;
    // The pulse is stepped, not animated at the display's rate: an 8-pixel dot fading over
    // 0.9 s looks the same at this rate, and each step is a repaint of the whole window with the
    // software scene graph, which at sixty steps a second costs a tray application several
    // percent of a core for as long as a session is tracked.
    static constexpr int pulseStepMs = 100;

    static WDHeaderLook compute(const State &state, const WDPalette &palette);
    // The dot's opacity alone, which is all the pulse changes.
    static double dotOpacityFor(bool glow, double pulseLevel);
    // Where the pulse is after running for the given time: from full (0) to dim (1) and back,
    // each leg eased in and out.
    static double pulseLevelAt(double elapsedMs);

    friend bool operator==(const WDHeaderLook &, const WDHeaderLook &) = default;
};
