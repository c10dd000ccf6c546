#include "ui/design/WDButtonLook.h"

#include "ui/design/WD.h"
#include "ui/design/WDColorMath.h"

#include <QFont>

using WDButtonKind::Kind;
using WDColorMath::brightened;
using WDColorMath::withOpacity;

namespace {

constexpr int semibold = QFont::DemiBold;
constexpr int regular = QFont::Normal;

void useGradient(WDButtonLook &look, const WDPalette &palette)
{
    look.gradient = true;
    look.gradientStart = palette.gradientStops.value(0).color;
    look.gradientMiddle = palette.gradientStops.value(1).color;
    look.gradientEnd = palette.gradientStops.value(2).color;
}

void setPadding(WDButtonLook &look, double horizontal, double vertical)
{
    look.paddingHorizontal = horizontal;
    look.paddingVertical = vertical;
}

// The platform's brightness effect darkens the whole button, its text included.
void applyBrightness(WDButtonLook &look)
{
    if (look.brightness == 0.0)
        return;
    const auto adjust = [&look](QColor &colour) {
        if (colour.alpha() > 0)
            colour = brightened(colour, look.brightness);
    };
    adjust(look.gradientStart);
    adjust(look.gradientMiddle);
    adjust(look.gradientEnd);
    adjust(look.fill);
    adjust(look.textColor);
    adjust(look.borderColor);
}

void gradientButton(WDButtonLook &look, const WDButtonLook::State &s, const WDPalette &palette)
{
    look.fontPixelSize = 14;
    look.textColor = Qt::white;
    look.heightFromCaller = true;
    look.fullWidth = true;
    useGradient(look, palette);
    look.cornerRadius = 12;
    look.brightness = s.pressed ? -0.08 : (s.hovered ? -0.05 : 0.0);
    look.scale = s.pressed ? 0.98 : 1.0;
    look.animationMs = WD::hoverAnimationMs();
    look.hitCornerRadius = 12;
}

void outlineButton(WDButtonLook &look, const WDButtonLook::State &s, const WDPalette &palette)
{
    look.fontPixelSize = 14;
    look.textColor = palette.brand500;
    look.heightFromCaller = true;
    look.fullWidth = true;
    look.fill = s.hovered ? palette.surfaceSoft : palette.surface;
    look.cornerRadius = 12;
    look.borderColor = palette.brand500;
    look.borderWidth = 1.5;
    look.opacity = s.pressed ? 0.75 : 1.0;
    look.scale = s.pressed ? 0.98 : 1.0;
    look.animationMs = WD::hoverAnimationMs();
    look.hitCornerRadius = 12;
}

void softSquareButton(WDButtonLook &look, const WDButtonLook::State &s, const WDPalette &palette)
{
    look.fontPixelSize = 11;
    look.textColor = palette.textStrong;
    look.fixedWidth = 30;
    look.fixedHeight = 27;
    look.fill = (s.pressed || s.hovered) ? palette.surfaceSoft : palette.surface;
    look.cornerRadius = 10;
    look.borderColor = palette.border;
    look.borderWidth = 1;
}

void softCapsuleButton(WDButtonLook &look, const WDButtonLook::State &s, const WDPalette &palette)
{
    look.fontPixelSize = 13;
    look.textColor = s.hovered ? palette.brand500 : palette.textStrong;
    setPadding(look, 14, 7);
    look.fill = s.hovered ? palette.border : palette.appBackground;
    look.capsule = true;
    look.scale = s.pressed ? 0.96 : (s.hovered ? 1.03 : 1.0);
}

void gradientPillButton(WDButtonLook &look, const WDButtonLook::State &s, const WDPalette &palette)
{
    look.textColor = Qt::white;
    setPadding(look, 14, 6);
    useGradient(look, palette);
    look.capsule = true;
    look.brightness = s.pressed ? -0.10 : (s.hovered ? -0.06 : 0.0);
    look.animationMs = WD::hoverAnimationMs();
    look.hitCapsule = true;
}

void chipButton(WDButtonLook &look, const WDButtonLook::State &s, const WDPalette &palette)
{
    const QColor border = s.borderTint.isValid() ? s.borderTint : s.tint;
    look.textColor = s.filled ? QColor(Qt::white) : s.tint;
    setPadding(look, 12, 6);
    if (s.filled)
        look.fill = s.tint;
    else
        look.fill = s.hovered ? withOpacity(s.tint, 0.08) : palette.surface;
    look.cornerRadius = 8;
    look.borderWidth = 1;
    look.borderColor =
        s.filled ? QColor(Qt::transparent) : withOpacity(border, s.hovered ? 1.0 : 0.7);
    look.brightness = (s.filled && s.hovered) ? -0.08 : 0.0;
    look.opacity = s.pressed ? 0.7 : 1.0;
    look.animationMs = WD::hoverAnimationMs();
}

void onGradientChip(WDButtonLook &look, const WDButtonLook::State &s, const WDPalette &palette)
{
    look.textColor = palette.brand500;
    setPadding(look, 14, 7);
    look.fill = s.hovered ? palette.surfaceSoft : QColor(Qt::white);
    look.capsule = true;
    look.shadowColor = withOpacity(Qt::black, 0.15);
    look.shadowRadius = 4;
    look.shadowOffsetY = 2;
    look.scale = s.pressed ? 0.96 : (s.hovered ? 1.04 : 1.0);
    look.animationMs = WD::hoverAnimationMs();
    look.hitCapsule = true;
}

void linkButton(WDButtonLook &look, const WDButtonLook::State &s, const WDPalette &)
{
    look.fontWeight = regular;
    look.fontPixelSize = s.compact ? 10 : 12;
    look.maximumLineCount = 1;
    look.textColor = s.tint;
    setPadding(look, s.compact ? 3 : 6, 3);
    look.fill = withOpacity(s.tint, s.hovered ? 0.1 : 0.0);
    look.cornerRadius = 6;
    look.opacity = s.pressed ? 0.6 : 1.0;
    look.animationMs = WD::hoverAnimationMs();
}

void pillSegment(WDButtonLook &look, const WDButtonLook::State &s, const WDPalette &palette)
{
    look.textColor = s.active ? QColor(Qt::white) : palette.text;
    setPadding(look, 14, 6);
    if (s.active)
        useGradient(look, palette);
    else
        look.fill = withOpacity(palette.appBackground, s.hovered ? 1.0 : 0.0);
    look.capsule = true;
    look.animationMs = WD::hoverAnimationMs();
    look.hitCapsule = true;
}

} // namespace

WDButtonLook WDButtonLook::compute(Kind kind, const State &state, const WDPalette &palette)
{
    // A disabled button takes no pointer, so it never shows the hovered or pressed look.
    State s = state;
    s.hovered = state.enabled && state.hovered;
    s.pressed = state.enabled && state.pressed;

    WDButtonLook look;
    look.fontWeight = semibold;
    switch (kind) {
    case Kind::Gradient:
        gradientButton(look, s, palette);
        break;
    case Kind::Outline:
        outlineButton(look, s, palette);
        break;
    case Kind::SoftSquare:
        softSquareButton(look, s, palette);
        break;
    case Kind::SoftCapsule:
        softCapsuleButton(look, s, palette);
        break;
    case Kind::GradientPill:
        gradientPillButton(look, s, palette);
        break;
    case Kind::Chip:
        chipButton(look, s, palette);
        break;
    case Kind::OnGradientChip:
        onGradientChip(look, s, palette);
        break;
    case Kind::Link:
        linkButton(look, s, palette);
        break;
    case Kind::PillSegment:
        pillSegment(look, s, palette);
        break;
    }
    applyBrightness(look);
    return look;
}
