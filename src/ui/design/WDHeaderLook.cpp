#include "ui/design/WDHeaderLook.h"

#include "ui/design/WDColorMath.h"

#include <algorithm>
#include <cmath>

WDHeaderLook WDHeaderLook::compute(const State &state, const WDPalette &palette)
{
    WDHeaderLook look;
    if (state.glow) {
        const double level =
            std::isfinite(state.pulseLevel) ? std::clamp(state.pulseLevel, 0.0, 1.0) : 0.0;
        look.dotOpacity = 1.0 - (1.0 - dimmedDotOpacity) * level;
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
