#pragma once

#include <QColor>
#include <QImage>
#include <QQuickItem>
#include <QString>

#include <cmath>

// Whether a hero image fills its frame in a picture of the window: the frame's outermost pixel
// columns show the art, not the card colour behind it. Rows near the top and bottom are left
// out, where rounded corners draw the colours around the card.
namespace HeroFrameCheck {

// The first edge column (left or right) that shows mostly the card colour, or an empty string.
inline QString bareEdge(const QImage &image, const QQuickItem &hero, const QColor &card)
{
    const QRectF frame = hero.mapRectToScene(QRectF(0, 0, hero.width(), hero.height()));
    const int top = static_cast<int>(frame.top()) + 20;
    const int bottom = static_cast<int>(frame.bottom()) - 20;
    const struct
    {
        const char *name;
        int x;
    } edges[] = {{"left", static_cast<int>(std::ceil(frame.left())) + 1},
                 {"right", static_cast<int>(std::floor(frame.right())) - 2}};
    for (const auto &edge : edges) {
        int bare = 0;
        for (int y = top; y < bottom; ++y)
            bare += image.pixelColor(edge.x, y).rgb() == card.rgb() ? 1 : 0;
        if (bottom > top && bare * 2 > bottom - top)
            return QString::fromLatin1(edge.name);
    }
    return {};
}

} // namespace HeroFrameCheck
