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
    // The pulse shows this many evenly spaced levels on each leg, not the curve at a fixed rate:
    // each level is a repaint of the window with the software scene graph, and a fixed rate
    // spends most of them on the legs' slow ends, where a step barely changes a pixel. Five keep
    // every step smaller than a tenth of a second's step at the curve's steepest.
    static constexpr int pulseStepsPerLeg = 5;

    static WDHeaderLook compute(const State &state, const WDPalette &palette);
    // The dot's opacity alone, which is all the pulse changes.
    static double dotOpacityFor(bool glow, double pulseLevel);
    // Where the pulse is after running for the given time: from full (0) to dim (1) and back,
    // each leg eased in and out.
    static double pulseLevelAt(double elapsedMs);
    // The level the dot shows after running for the given time: pulseLevelAt() to the nearest
    // step.
    static double shownPulseLevelAt(double elapsedMs);
    // How long after the given time the shown level next changes, in whole milliseconds.
    static int msUntilNextPulseStep(double elapsedMs);

    friend bool operator==(const WDHeaderLook &, const WDHeaderLook &) = default;
};
