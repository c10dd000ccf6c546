#include "platform/portal/ScreenshotCrop.h"

#include <cmath>

namespace ScreenshotCrop {

QRect desktopRect(const QList<QRect> &screens)
{
    QRect united;
    for (const QRect &screen : screens)
        united = united.united(screen);
    return united;
}

QRect cropRect(const QRect &screen, const QRect &desktop, const QSize &composite)
{
    if (desktop.isEmpty() || composite.isEmpty() || screen.isEmpty())
        return {};
    const double scaleX = double(composite.width()) / desktop.width();
    const double scaleY = double(composite.height()) / desktop.height();
    const auto scaled = [](int offset, double scale) {
        return int(std::lround(offset * scale));
    };
    const int left = scaled(screen.left() - desktop.left(), scaleX);
    const int top = scaled(screen.top() - desktop.top(), scaleY);
    const int right = scaled(screen.left() + screen.width() - desktop.left(), scaleX);
    const int bottom = scaled(screen.top() + screen.height() - desktop.top(), scaleY);
    const QRect area(QPoint(left, top), QSize(right - left, bottom - top));
    return area.intersected(QRect(QPoint(0, 0), composite));
}

} // namespace ScreenshotCrop
