#include "ui/design/WDHeaderLook.h"

#include "ui/design/WDColorMath.h"

#include <algorithm>
#include <cmath>

WDHeaderLook WDHeaderLook::compute(const State &state, const WDPalette &palette)
{
    WDHeaderLook look;
    look.dotOpacity = dotOpacityFor(state.glow, state.pulseLevel);
    if (state.glow) {
        look.dotShadowColor = WDColorMath::withOpacity(state.statusColor, 0.6);
        look.dotShadowRadius = 4.0;
    }
    look.windowButtonForeground = state.windowButtonHovered ? palette.brand500 : palette.textMuted;
    look.windowButtonBackground =
        state.windowButtonHovered ? palette.appBackground : QColor(Qt::transparent);
    look.logoOpacity = state.logoHovered ? 0.7 : 1.0;
    look.logoScale = state.logoHovered ? 1.05 : 1.0;
    return look;
}

double WDHeaderLook::dotOpacityFor(bool glow, double pulseLevel)
{
    if (!glow)
        return 1.0;
    const double level = std::isfinite(pulseLevel) ? std::clamp(pulseLevel, 0.0, 1.0) : 0.0;
    return 1.0 - (1.0 - dimmedDotOpacity) * level;
}

double WDHeaderLook::pulseLevelAt(double elapsedMs)
{
    if (!std::isfinite(elapsedMs) || elapsedMs <= 0.0)
        return 0.0;
    const double phase = std::fmod(elapsedMs, 2.0 * pulseLegMs);
    const double t =
        phase < pulseLegMs ? phase / pulseLegMs : (2.0 * pulseLegMs - phase) / pulseLegMs;
    return t < 0.5 ? 2.0 * t * t : 1.0 - std::pow(-2.0 * t + 2.0, 2.0) / 2.0;
}

double WDHeaderLook::shownPulseLevelAt(double elapsedMs)
{
    return std::round(pulseLevelAt(elapsedMs) * pulseStepsPerLeg) / pulseStepsPerLeg;
}

int WDHeaderLook::msUntilNextPulseStep(double elapsedMs)
{
    // A level changes where the curve crosses half a step; a millisecond grid is finer than any
    // display can show, and one cycle always holds a change.
    const double from = std::isfinite(elapsedMs) ? std::max(elapsedMs, 0.0) : 0.0;
    const double shown = shownPulseLevelAt(from);
    const int cycleMs = int(2.0 * pulseLegMs);
    for (int ms = 1; ms < cycleMs; ++ms) {
        if (shownPulseLevelAt(from + ms) != shown)
            return ms;
    }
    return cycleMs;
}
