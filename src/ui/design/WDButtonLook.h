#pragma once

#include "ui/design/WDPalette.h"

#include <QColor>
#include <QObject>
#include <QtQmlIntegration>

// The eight looks a button of the interface can take.
namespace WDButtonKind {
Q_NAMESPACE
QML_NAMED_ELEMENT(WDButtonKind)

enum class Kind
{
    Gradient,       // full-width primary action
    Outline,        // full-width secondary action beside a primary one
    SoftSquare,     // small square icon button
    SoftCapsule,    // quiet secondary text button
    GradientPill,   // small gradient capsule
    Chip,           // compact tinted chip, outlined or filled
    OnGradientChip, // white chip over a gradient card
    Link,           // text link
    PillSegment,    // one segment of the pill toggle
};
Q_ENUM_NS(Kind)

} // namespace WDButtonKind

// What a button looks like in one state: every colour already carries the state's brightness
// change, so the view only paints what it is given.
struct WDButtonLook
{
    Q_GADGET
    QML_VALUE_TYPE(wdButtonLook)
    Q_PROPERTY(bool gradient MEMBER gradient)
    Q_PROPERTY(QColor gradientStart MEMBER gradientStart)
    Q_PROPERTY(QColor gradientMiddle MEMBER gradientMiddle)
    Q_PROPERTY(QColor gradientEnd MEMBER gradientEnd)
    Q_PROPERTY(QColor fill MEMBER fill)
    Q_PROPERTY(QColor textColor MEMBER textColor)
    Q_PROPERTY(int fontPixelSize MEMBER fontPixelSize)
    Q_PROPERTY(int fontWeight MEMBER fontWeight)
    Q_PROPERTY(int maximumLineCount MEMBER maximumLineCount)
    Q_PROPERTY(QColor borderColor MEMBER borderColor)
    Q_PROPERTY(double borderWidth MEMBER borderWidth)
    Q_PROPERTY(bool capsule MEMBER capsule)
    Q_PROPERTY(double cornerRadius MEMBER cornerRadius)
    Q_PROPERTY(double brightness MEMBER brightness)
    Q_PROPERTY(double opacity MEMBER opacity)
    Q_PROPERTY(double scale MEMBER scale)
    Q_PROPERTY(double paddingHorizontal MEMBER paddingHorizontal)
    Q_PROPERTY(double paddingVertical MEMBER paddingVertical)
    Q_PROPERTY(double fixedWidth MEMBER fixedWidth)
    Q_PROPERTY(double fixedHeight MEMBER fixedHeight)
    Q_PROPERTY(bool heightFromCaller MEMBER heightFromCaller)
    Q_PROPERTY(bool fullWidth MEMBER fullWidth)
    Q_PROPERTY(double animationMs MEMBER animationMs)
    Q_PROPERTY(QColor shadowColor MEMBER shadowColor)
    Q_PROPERTY(double shadowRadius MEMBER shadowRadius)
    Q_PROPERTY(double shadowOffsetY MEMBER shadowOffsetY)
    Q_PROPERTY(bool hitCapsule MEMBER hitCapsule)
    Q_PROPERTY(double hitCornerRadius MEMBER hitCornerRadius)

public:
    // What the look depends on besides the palette.
    struct State
    {
        bool hovered = false;
        bool pressed = false;
        bool enabled = true;
        bool compact = false;
        QColor tint;
        QColor borderTint; // invalid: the border takes the tint
        bool filled = false;
        bool active = false;
    };

    bool gradient = false;
    QColor gradientStart;
    QColor gradientMiddle;
    QColor gradientEnd;
    QColor fill = Qt::transparent;
    QColor textColor;
    int fontPixelSize = 12;
    int fontWeight = 600;
    int maximumLineCount = 0; // 0: no limit
    QColor borderColor = Qt::transparent;
    double borderWidth = 0.0;
    bool capsule = false;
    double cornerRadius = 0.0;
    double brightness = 0.0;
    double opacity = 1.0;
    double scale = 1.0;
    double paddingHorizontal = 0.0;
    double paddingVertical = 0.0;
    double fixedWidth = 0.0;       // 0: sized by its content
    double fixedHeight = 0.0;      // 0: sized by its content
    bool heightFromCaller = false; // the calling screen chooses the height
    bool fullWidth = false;
    double animationMs = 0.0; // 0: state changes are not animated
    QColor shadowColor = Qt::transparent;
    double shadowRadius = 0.0;
    double shadowOffsetY = 0.0;
    bool hitCapsule = false;
    double hitCornerRadius = 0.0; // 0 and not a capsule: the whole rectangle takes the pointer

    static WDButtonLook compute(WDButtonKind::Kind kind, const State &state,
                                const WDPalette &palette);

    friend bool operator==(const WDButtonLook &, const WDButtonLook &) = default;
};
