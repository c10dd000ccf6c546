#include "app/shell/MenuBarIcon.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include <cmath>

namespace {

const QString defaultArtworkPath = QStringLiteral(":/zuvevivezid/shell/MenuBarIcon.svg");

QString &artworkPathStorage()
{
    static QString path = defaultArtworkPath;
    return path;
}

QImage transparentImage(int width, int height, double scale)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    return image;
}

int pixelsFor(double points, double scale)
{
    return std::max(1, static_cast<int>(std::lround(points * scale)));
}

} // namespace

namespace MenuBarIconDrawing {

QString artworkPath()
{
    return artworkPathStorage();
}

void setArtworkPath(const QString &path)
{
    artworkPathStorage() = path;
}

void resetArtworkPath()
{
    artworkPathStorage() = defaultArtworkPath;
}

std::optional<QImage> tintedTemplate(const QColor &color, double size, double scale)
{
    if (!(size > 0.0) || !(scale > 0.0))
        return std::nullopt;
    QSvgRenderer artwork(artworkPath());
    if (!artwork.isValid())
        return std::nullopt;
    const int pixels = pixelsFor(size, scale);

    // The artwork is drawn on its own first: the SVG renderer sets its own composition modes.
    QImage shape = transparentImage(pixels, pixels, 1.0);
    {
        QPainter painter(&shape);
        painter.setRenderHint(QPainter::Antialiasing);
        artwork.render(&painter, QRectF(shape.rect()));
    }
    QImage image = transparentImage(pixels, pixels, 1.0);
    {
        QPainter painter(&image);
        painter.fillRect(image.rect(), color);
        // Keep the colour only where the glyph is opaque, with the glyph's own alpha.
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.drawImage(0, 0, shape);
    }
    image.setDevicePixelRatio(scale);
    return image;
}

std::optional<QImage> trayPicture(MenuBarIconTint tint, const QString &elapsedText, double scale)
{
    const QColor color = MenuBarIconTints::color(tint);
    if (elapsedText.isEmpty()) {
        // The 14-point glyph padded by 3 points into its 20-point square.
        std::optional<QImage> glyph = tintedTemplate(color, 14.0, scale);
        if (!glyph)
            return std::nullopt;
        QImage picture = transparentImage(pixelsFor(20.0, scale), pixelsFor(20.0, scale), scale);
        QPainter painter(&picture);
        painter.drawImage(QPointF(3.0, 3.0), *glyph);
        return picture;
    }

    // Tray icons are square and small: the glyph on top, the hours and minutes below, so the
    // figure stays legible at the panel's size. The tooltip carries the seconds.
    const QString shortText = elapsedText.left(elapsedText.lastIndexOf(QLatin1Char(':')));
    constexpr double side = 32.0;
    constexpr double glyphSide = 17.0;
    std::optional<QImage> glyph = tintedTemplate(color, glyphSide, scale);
    if (!glyph)
        return std::nullopt;
    QImage picture = transparentImage(pixelsFor(side, scale), pixelsFor(side, scale), scale);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.drawImage(QPointF((side - glyphSide) / 2.0, 0.0), *glyph);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(12);
    QFontMetricsF metrics(font);
    while (font.pixelSize() > 7 && metrics.horizontalAdvance(shortText) > side) {
        font.setPixelSize(font.pixelSize() - 1);
        metrics = QFontMetricsF(font);
    }
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(0.0, glyphSide, side, side - glyphSide), Qt::AlignCenter, shortText);
    return picture;
}

QList<QImage> trayGlyphs(MenuBarIconTint tint)
{
    QList<QImage> glyphs;
    for (const int pixels : {16, 22, 24, 32, 48}) {
        std::optional<QImage> glyph =
            tintedTemplate(MenuBarIconTints::color(tint), static_cast<double>(pixels));
        if (!glyph)
            return {};
        glyphs.append(*glyph);
    }
    return glyphs;
}

} // namespace MenuBarIconDrawing

MenuBarIconCache &MenuBarIconCache::shared()
{
    static MenuBarIconCache cache;
    return cache;
}

double MenuBarIconCache::currentScale()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr)
        return fallbackScale;
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->devicePixelRatio() : fallbackScale;
}

QString MenuBarIconCache::key(MenuBarIconTint tint, double scale)
{
    QString scaleText = QString::number(scale, 'g', 6);
    if (!scaleText.contains(QLatin1Char('.')) && !scaleText.contains(QLatin1Char('e')))
        scaleText += QStringLiteral(".0");
    return MenuBarIconTints::rawValue(tint) + QLatin1Char('@') + scaleText;
}

std::optional<QImage> MenuBarIconCache::image(MenuBarIconTint tint)
{
    return image(tint, currentScale());
}

std::optional<QImage> MenuBarIconCache::image(MenuBarIconTint tint, double scale)
{
    const QString cacheKey = key(tint, scale);
    const auto found = m_images.constFind(cacheKey);
    if (found != m_images.constEnd())
        return *found;
    ++m_renderCount;
    std::optional<QImage> rendered = MenuBarIconDrawing::trayPicture(tint, QString(), scale);
    if (!rendered)
        return std::nullopt;
    m_images.insert(cacheKey, *rendered);
    return rendered;
}

void MenuBarIconCache::clear()
{
    m_images.clear();
    m_renderCount = 0;
}
