#pragma once

#include "ui/design/WDPalette.h"

#include <QColor>
#include <QObject>
#include <QUrl>
#include <QVariantList>
#include <QtQmlIntegration>

class QJSEngine;
class QQmlEngine;

// The design system's shared values: the current palette and the fixed semantic colours.
// One process-wide object, confined to the main thread; QML sees it as the singleton WD and
// re-evaluates every binding on WD.palette when the theme manager replaces the palette.
class WD : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(WDPalette palette READ currentPalette NOTIFY paletteChanged)
    Q_PROPERTY(QColor success READ success CONSTANT)
    Q_PROPERTY(QColor warning READ warning CONSTANT)
    Q_PROPERTY(QColor info READ info CONSTANT)
    Q_PROPERTY(QColor purple READ purple CONSTANT)
    Q_PROPERTY(QString fontFamily READ fontFamily CONSTANT)
    Q_PROPERTY(QVariantList palettes READ paletteList CONSTANT)
    Q_PROPERTY(double hoverAnimationMs READ hoverAnimationMs CONSTANT)
    Q_PROPERTY(QString productSiteDomain READ productSiteDomain CONSTANT)

public:
    static WD *instance();
    static WD *create(QQmlEngine *qmlEngine, QJSEngine *jsEngine);

    // Pink until the theme manager applies the saved choice.
    static const WDPalette &palette();
    static void setPalette(const WDPalette &palette);

    static QColor success();
    static QColor warning();
    static QColor info();
    static QColor purple();

    // The family of every text of the interface.
    static QString fontFamily();
    // Hover and press changes ease out over this many milliseconds.
    static double hoverAnimationMs() { return 120.0; }

    // Where the image asset of that name lives; empty for a name without an asset.
    Q_INVOKABLE static QUrl assetUrl(const QString &name);
    // The same as a resource file path (":/..."), whether or not the asset exists.
    static QString assetFilePath(const QString &name);
    Q_INVOKABLE static bool hasAsset(const QString &name);
    // The product's web site, which the header's logo opens.
    static QString productSiteAddress();
    static QString productSiteDomain();
    // Opens the site in the default browser when its address is a valid web address; answers
    // whether it was handed to the system.
    Q_INVOKABLE static bool openProductSite();

    Q_INVOKABLE static WDPalette paletteByID(const QString &id) { return WDPalette::byID(id); }

    WDPalette currentPalette() const { return palette(); }
    QVariantList paletteList() const;

Q_SIGNALS:
    void paletteChanged();

private:
    WD() = default;
};
