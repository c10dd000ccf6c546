#include "ui/design/WD.h"

#include <QDesktopServices>
#include <QFile>
#include <QQmlEngine>

namespace {

WDPalette &mutablePalette()
{
    static WDPalette current = WDPalette::pink();
    return current;
}

} // namespace

WD *WD::instance()
{
    static WD theInstance;
    return &theInstance;
}

WD *WD::create(QQmlEngine *, QJSEngine *)
{
    WD *const shared = instance();
    // Every engine shares the one object; none of them may delete it.
    QJSEngine::setObjectOwnership(shared, QJSEngine::CppOwnership);
    return shared;
}

const WDPalette &WD::palette()
{
    return mutablePalette();
}

void WD::setPalette(const WDPalette &palette)
{
    if (mutablePalette() == palette)
        return;
    mutablePalette() = palette;
    Q_EMIT instance()->paletteChanged();
}

QColor WD::success()
{
    static const QColor colour = QColor::fromRgb(23, 184, 63);
    return colour;
}

QColor WD::warning()
{
    static const QColor colour = QColor::fromRgb(255, 107, 0);
    return colour;
}

QColor WD::info()
{
    static const QColor colour = QColor::fromRgb(8, 125, 255);
    return colour;
}

QColor WD::purple()
{
    static const QColor colour = QColor::fromRgb(145, 73, 232);
    return colour;
}

QString WD::fontFamily()
{
    return QStringLiteral("DejaVu Sans");
}

QString WD::assetFilePath(const QString &name)
{
    return QStringLiteral(":/qt-project.org/imports/Zuvevivezid/Design/assets/%1.svg").arg(name);
}

QUrl WD::assetUrl(const QString &name)
{
    if (!hasAsset(name))
        return {};
    return QUrl(QLatin1String("qrc") + assetFilePath(name));
}

bool WD::hasAsset(const QString &name)
{
    return !name.isEmpty() && QFile::exists(assetFilePath(name));
}

QVariantList WD::paletteList() const
{
    QVariantList palettes;
    for (const WDPalette &palette : WDPalette::all())
        palettes.append(QVariant::fromValue(palette));
    return palettes;
}

QString WD::productSiteAddress()
{
    return QStringLiteral("https://www.") + productSiteDomain() + QLatin1Char('/');
}

QString WD::productSiteDomain()
{
    return QStringLiteral("zuvevivezid.example");
}

bool WD::openProductSite()
{
    const QUrl address(productSiteAddress(), QUrl::StrictMode);
    const bool isWebAddress =
        address.isValid() && !address.host().isEmpty() &&
        (address.scheme() == QLatin1String("https") || address.scheme() == QLatin1String("http"));
    if (!isWebAddress)
        return false;
    return QDesktopServices::openUrl(address);
}
