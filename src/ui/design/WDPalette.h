#pragma once

#include "ui/design/WDGradientStop.h"
#include "ui/design/WDHeroBanner.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QtQmlIntegration>

#include <optional>

// One of the seven colour palettes the user picks from: brand shades, the brand gradient, the
// surface and text colours and the hero banners drawn in matching colours.
struct WDPalette
{
    Q_GADGET
    QML_VALUE_TYPE(wdPalette)
    Q_PROPERTY(QString id MEMBER id)
    Q_PROPERTY(QString displayName MEMBER displayName)
    Q_PROPERTY(QColor brand700 MEMBER brand700)
    Q_PROPERTY(QColor brand600 MEMBER brand600)
    Q_PROPERTY(QColor brand500 MEMBER brand500)
    Q_PROPERTY(QColor brand400 MEMBER brand400)
    Q_PROPERTY(QVariantList gradientStops READ gradientStopList)
    Q_PROPERTY(QColor appBackground MEMBER appBackground)
    Q_PROPERTY(QColor surfaceSoft MEMBER surfaceSoft)
    Q_PROPERTY(QColor border MEMBER border)
    Q_PROPERTY(QString trackerBanner MEMBER trackerBanner)
    Q_PROPERTY(double trackerAspect MEMBER trackerAspect)
    Q_PROPERTY(double trackerCharX MEMBER trackerCharX)
    Q_PROPERTY(QString activeHeroImage READ activeHeroImageOrEmpty)
    Q_PROPERTY(WDBannerSpec loginBanner MEMBER loginBanner)
    Q_PROPERTY(WDBannerSpec forgotBanner MEMBER forgotBanner)
    Q_PROPERTY(WDBannerSpec companyBanner MEMBER companyBanner)
    Q_PROPERTY(bool idleHeroTextLight MEMBER idleHeroTextLight)
    Q_PROPERTY(bool isDark MEMBER isDark)
    Q_PROPERTY(QColor surface MEMBER surface)
    Q_PROPERTY(QColor textStrong MEMBER textStrong)
    Q_PROPERTY(QColor text MEMBER text)
    Q_PROPERTY(QColor textMuted MEMBER textMuted)
    Q_PROPERTY(QColor danger MEMBER danger)

public:
    QString id;
    QString displayName;
    QColor brand700;
    QColor brand600;
    QColor brand500;
    QColor brand400;
    QList<WDGradientStop> gradientStops;
    QColor appBackground;
    QColor surfaceSoft;
    QColor border;
    QString trackerBanner;
    double trackerAspect = 1.0;
    double trackerCharX = 0.5;
    std::optional<QString> activeHeroImage;
    WDBannerSpec loginBanner;
    WDBannerSpec forgotBanner;
    WDBannerSpec companyBanner;
    bool idleHeroTextLight = false;
    bool isDark = false;
    QColor surface;
    QColor textStrong;
    QColor text;
    QColor textMuted;
    QColor danger;

    static const WDPalette &pink();
    static const WDPalette &purple();
    static const WDPalette &orange();
    static const WDPalette &teal();
    static const WDPalette &blue();
    static const WDPalette &black();
    static const WDPalette &brown();

    // The seven palettes in the order of the settings swatch grid, pink first.
    static const QList<WDPalette> &all();

    // The palette whose id equals the text exactly; pink for anything else.
    static WDPalette byID(const QString &id);

    QVariantList gradientStopList() const;
    QString activeHeroImageOrEmpty() const { return activeHeroImage.value_or(QString()); }

    friend bool operator==(const WDPalette &, const WDPalette &) = default;
};
