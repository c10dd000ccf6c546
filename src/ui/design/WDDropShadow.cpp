#include "ui/design/WDDropShadow.h"

#include <QPainter>
#include <QPainterPath>
#include <QQuickWindow>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One running-sum box blur of an 8-bit channel along a row (stride 1) or a column (stride of a
// scan line) into a packed line; edges count as empty.
void boxBlurLine(const uchar *source, uchar *target, int count, int stride, int radius)
{
    const int window = 2 * radius + 1;
    int sum = 0;
    for (int i = 0; i < std::min(radius, count); ++i)
        sum += source[i * stride];
    for (int i = 0; i < count; ++i) {
        const int entering = i + radius;
        const int leaving = i - radius - 1;
        if (entering < count)
            sum += source[entering * stride];
        if (leaving >= 0)
            sum -= source[leaving * stride];
        target[i] = static_cast<uchar>(sum / window);
    }
}

void boxBlur(QImage &alpha, int radius)
{
    if (radius < 1)
        return;
    const int width = alpha.width();
    const int height = alpha.height();
    std::vector<uchar> line(static_cast<size_t>(std::max(width, height)));
    for (int y = 0; y < height; ++y) {
        uchar *row = alpha.scanLine(y);
        boxBlurLine(row, line.data(), width, 1, radius);
        std::copy_n(line.data(), width, row);
    }
    const int stride = static_cast<int>(alpha.bytesPerLine());
    for (int x = 0; x < width; ++x) {
        uchar *column = alpha.bits() + x;
        boxBlurLine(column, line.data(), height, stride, radius);
        for (int y = 0; y < height; ++y)
            column[y * stride] = line[static_cast<size_t>(y)];
    }
}

} // namespace

WDDropShadow::WDDropShadow(QQuickItem *parent)
    : QQuickPaintedItem(parent)
{}

void WDDropShadow::setColor(const QColor &color)
{
    if (m_color == color)
        return;
    m_color = color;
    changed();
}

void WDDropShadow::setBlurRadius(double radius)
{
    if (qFuzzyCompare(m_blurRadius, radius))
        return;
    m_blurRadius = radius;
    changed();
}

void WDDropShadow::setCornerRadius(double radius)
{
    if (qFuzzyCompare(m_cornerRadius, radius))
        return;
    m_cornerRadius = radius;
    changed();
}

void WDDropShadow::changed()
{
    Q_EMIT shadowChanged();
    update();
}

double WDDropShadow::marginFor(double blurRadius)
{
    return std::ceil(std::max(0.0, blurRadius) * 2.0);
}

void WDDropShadow::paint(QPainter *painter)
{
    const double scale = window() ? window()->effectiveDevicePixelRatio() : 1.0;
    const double edge = margin();
    const QSizeF shape(width() - 2 * edge, height() - 2 * edge);
    QImage image = render(shape, m_cornerRadius, m_color, m_blurRadius, scale);
    if (image.isNull())
        return;
    image.setDevicePixelRatio(scale);
    painter->drawImage(QPointF(0, 0), image);
}

QImage WDDropShadow::render(const QSizeF &shapeSize, double cornerRadius, const QColor &color,
                            double blurRadius, double scale)
{
    if (shapeSize.isEmpty() || color.alpha() == 0 || !(scale > 0))
        return {};
    const double edge = marginFor(blurRadius);
    const QSize canvas = ((shapeSize + QSizeF(2 * edge, 2 * edge)) * scale).toSize();
    if (canvas.isEmpty())
        return {};

    QImage coverage(canvas, QImage::Format_Alpha8);
    coverage.fill(0);
    {
        QPainter painter(&coverage);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        QPainterPath path;
        const double radius =
            std::min(cornerRadius, std::min(shapeSize.width(), shapeSize.height()) / 2);
        path.addRoundedRect(QRectF(QPointF(edge, edge), shapeSize), radius, radius);
        painter.fillPath(path, Qt::black);
    }
    // Three box blurs come close to a Gaussian of about half the blur radius.
    const int boxRadius = static_cast<int>(std::lround(blurRadius * scale / 2.0));
    for (int pass = 0; pass < 3; ++pass)
        boxBlur(coverage, boxRadius);

    QImage shadow(canvas, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(color);
    QPainter painter(&shadow);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, coverage);
    return shadow;
}
