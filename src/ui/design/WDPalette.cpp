#include "ui/design/WDPalette.h"

#include <QVariant>

namespace {

constexpr double wideBannerAspect = 2000.0 / 667.0;
constexpr double squarerBannerAspect = 1916.0 / 821.0;

QColor rgb(QRgb value)
{
    return QColor::fromRgb(value);
}

// The colour columns of one palette, in the order the palette table lists them.
struct PaletteColours
{
    QRgb brand700;
    QRgb brand600;
    QRgb brand500;
    QRgb brand400;
    QRgb gradientStart;
    QRgb gradientMiddle;
    QRgb gradientEnd;
    QRgb appBackground;
    QRgb surfaceSoft;
    QRgb border;
    QRgb surface;
    QRgb textStrong;
    QRgb text;
    QRgb textMuted;
    QRgb danger;
};

constexpr QRgb lightSurface = 0xFFFFFF;
constexpr QRgb lightTextStrong = 0x181A20;
constexpr QRgb lightText = 0x50545C;
constexpr QRgb lightTextMuted = 0x878B93;
constexpr QRgb lightDanger = 0xE0322F;

WDBannerSpec banner(const QString &imageName, double aspect, double window, double charCenterX,
                    double topBias)
{
    WDBannerSpec spec;
    spec.imageName = imageName;
    spec.aspect = aspect;
    spec.window = window;
    spec.charCenterX = charCenterX;
    spec.topBias = topBias;
    return spec;
}

WDPalette makePalette(const QString &displayName, const PaletteColours &colours)
{
    WDPalette palette;
    palette.id = displayName.toLower();
    palette.displayName = displayName;
    palette.brand700 = rgb(colours.brand700);
    palette.brand600 = rgb(colours.brand600);
    palette.brand500 = rgb(colours.brand500);
    palette.brand400 = rgb(colours.brand400);
    palette.gradientStops = {{rgb(colours.gradientStart), 0.0},
                             {rgb(colours.gradientMiddle), 0.55},
                             {rgb(colours.gradientEnd), 1.0}};
    palette.appBackground = rgb(colours.appBackground);
    palette.surfaceSoft = rgb(colours.surfaceSoft);
    palette.border = rgb(colours.border);
    palette.surface = rgb(colours.surface);
    palette.textStrong = rgb(colours.textStrong);
    palette.text = rgb(colours.text);
    palette.textMuted = rgb(colours.textMuted);
    palette.danger = rgb(colours.danger);
    palette.trackerAspect = wideBannerAspect;

    // Pink is the original artwork; every other palette has its own recoloured set of banners.
    const bool isPink = palette.id == QLatin1String("pink");
    const QString suffix = isPink ? QString() : QLatin1Char('-') + displayName;
    palette.trackerBanner = QStringLiteral("TrackerHeroBanner") + suffix;
    if (isPink) {
        palette.trackerCharX = 0.75;
        palette.activeHeroImage = QStringLiteral("TrackerActiveHero");
        palette.loginBanner =
            banner(QStringLiteral("LoginHeroBanner"), wideBannerAspect, 0.5, 0.75, 0.15);
        palette.forgotBanner =
            banner(QStringLiteral("ForgotHeroBanner"), squarerBannerAspect, 0.58, 0.72, 0.2);
        palette.companyBanner =
            banner(QStringLiteral("CompanyHeroBanner"), squarerBannerAspect, 0.58, 0.72, 0.2);
    } else {
        palette.trackerCharX = 0.78;
        palette.loginBanner =
            banner(QStringLiteral("LoginHeroBanner") + suffix, wideBannerAspect, 0.5, 0.77, 0.15);
        palette.forgotBanner =
            banner(QStringLiteral("ForgotHeroBanner") + suffix, wideBannerAspect, 0.5, 0.77, 0.15);
        palette.companyBanner =
            banner(QStringLiteral("CompanyHeroBanner") + suffix, wideBannerAspect, 0.5, 0.77, 0.15);
    }
    return palette;
}

} // namespace

const WDPalette &WDPalette::pink()
{
    static const WDPalette palette = makePalette(
        QStringLiteral("Pink"),
        {0xD9144E, 0xEA1657, 0xF32062, 0xFF4A72, 0xF32062, 0xF52D63, 0xFF625B, 0xFCE8EE, 0xFFF7F9,
         0xF2DDE4, lightSurface, lightTextStrong, lightText, lightTextMuted, lightDanger});
    return palette;
}

const WDPalette &WDPalette::purple()
{
    static const WDPalette palette = makePalette(
        QStringLiteral("Purple"),
        {0x5B36C9, 0x6C46DB, 0x7C57E6, 0x9878F0, 0x7C57E6, 0x8563EA, 0xA07EF5, 0xEFEAFB, 0xFAF8FE,
         0xE3DAF5, lightSurface, lightTextStrong, lightText, lightTextMuted, lightDanger});
    return palette;
}

const WDPalette &WDPalette::orange()
{
    static const WDPalette palette = makePalette(
        QStringLiteral("Orange"),
        {0xD45E08, 0xEA680F, 0xF97316, 0xFB923C, 0xF97316, 0xFA8226, 0xFCA34D, 0xFCEDDC, 0xFEFAF4,
         0xF4E0C9, lightSurface, lightTextStrong, lightText, lightTextMuted, lightDanger});
    return palette;
}

const WDPalette &WDPalette::teal()
{
    static const WDPalette palette = makePalette(
        QStringLiteral("Teal"),
        {0x1E7D70, 0x279687, 0x2FAE9E, 0x53C5B4, 0x2FAE9E, 0x3BB9A7, 0x5BCBB6, 0xE3F3EF, 0xF4FBF9,
         0xCFE9E2, lightSurface, lightTextStrong, lightText, lightTextMuted, lightDanger});
    return palette;
}

const WDPalette &WDPalette::blue()
{
    static const WDPalette palette = makePalette(
        QStringLiteral("Blue"),
        {0x2563C7, 0x2E74DE, 0x3B82F6, 0x6FA8F8, 0x3B82F6, 0x4E90F7, 0x6FA8F8, 0xE1EEFB, 0xF5FAFE,
         0xCFE2F5, lightSurface, lightTextStrong, lightText, lightTextMuted, lightDanger});
    return palette;
}

const WDPalette &WDPalette::black()
{
    static const WDPalette palette = [] {
        WDPalette dark = makePalette(QStringLiteral("Black"),
                                     {0x55555F, 0x83838F, 0xA6A6B2, 0xBFBFC9, 0x3E3E46, 0x4C4C55,
                                      0x62626C, 0x1B1B1F, 0x202024, 0x37373E, 0x26262B, 0xF2F2F5,
                                      0xC2C2CA, 0x8B8B94, 0xFF6B6B});
        dark.isDark = true;
        dark.idleHeroTextLight = true;
        return dark;
    }();
    return palette;
}

const WDPalette &WDPalette::brown()
{
    static const WDPalette palette = makePalette(
        QStringLiteral("Brown"),
        {0x57402E, 0x654A36, 0x75563F, 0x96755B, 0x75563F, 0x82624B, 0x9B7A60, 0xEFE6DA, 0xFBF7F2,
         0xE3D5C6, lightSurface, lightTextStrong, lightText, lightTextMuted, lightDanger});
    return palette;
}

const QList<WDPalette> &WDPalette::all()
{
    static const QList<WDPalette> palettes{pink(), purple(), orange(), teal(),
                                           blue(), black(),  brown()};
    return palettes;
}

WDPalette WDPalette::byID(const QString &id)
{
    for (const WDPalette &palette : all()) {
        if (palette.id == id)
            return palette;
    }
    return pink();
}

QVariantList WDPalette::gradientStopList() const
{
    QVariantList stops;
    stops.reserve(gradientStops.size());
    for (const WDGradientStop &stop : gradientStops)
        stops.append(QVariant::fromValue(stop));
    return stops;
}
