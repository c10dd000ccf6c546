#include "ui/design/WDGlyph.h"

#include "ui/design/WD.h"

#include <QPainter>
#include <QQuickWindow>
#include <QSet>
#include <QSvgRenderer>

WDGlyph::WDGlyph(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void WDGlyph::setName(const QString &name)
{
    if (m_name == name)
        return;
    // A name without artwork draws nothing: an empty slot on the screen, said once in the log.
    static QSet<QString> unknownNamesTold;
    if (!name.isEmpty() && !WD::hasAsset(name) && !unknownNamesTold.contains(name)) {
        unknownNamesTold.insert(name);
        qWarning("No glyph is named %s: nothing is drawn", qPrintable(name));
    }
    m_name = name;
    Q_EMIT nameChanged();
    update();
}

void WDGlyph::setColor(const QColor &color)
{
    if (m_color == color)
        return;
    m_color = color;
    Q_EMIT colorChanged();
    update();
}

bool WDGlyph::isValid() const
{
    return WD::hasAsset(m_name);
}

void WDGlyph::paint(QPainter *painter)
{
    const qreal scale = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    const QSize pixels = (size() * scale).toSize();
    QImage image = render(m_name, m_color, pixels);
    if (image.isNull())
        return;
    image.setDevicePixelRatio(scale);
    painter->drawImage(QPointF(0, 0), image);
}

QImage WDGlyph::render(const QString &name, const QColor &color, const QSize &size)
{
    if (size.isEmpty() || !WD::hasAsset(name))
        return {};
    QSvgRenderer renderer(WD::assetFilePath(name));
    if (!renderer.isValid())
        return {};
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    // Keep the artwork's coverage, replace its colours.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    return image;
}
