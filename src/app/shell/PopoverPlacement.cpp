#include "app/shell/PopoverPlacement.h"

#include <algorithm>

namespace PopoverPlacement {

QPoint topLeft(const QRect &trayIconGeometry, const QPoint &cursor, const QRect &availableArea,
               const QSize &popoverSize)
{
    const QRect anchor = trayIconGeometry.isValid() && !trayIconGeometry.isEmpty()
                             ? trayIconGeometry
                             : QRect(cursor, QSize(1, 1));
    int x = anchor.center().x() - popoverSize.width() / 2;
    // A panel at the top opens the popover downwards, one at the bottom upwards.
    const bool anchorInUpperHalf = anchor.center().y() < availableArea.center().y();
    int y =
        anchorInUpperHalf ? anchor.bottom() + 1 + gap : anchor.top() - gap - popoverSize.height();
    if (!availableArea.isValid())
        return QPoint(x, y);
    x = std::clamp(x, availableArea.left(),
                   std::max(availableArea.left(), availableArea.right() + 1 - popoverSize.width()));
    y = std::clamp(
        y, availableArea.top(),
        std::max(availableArea.top(), availableArea.bottom() + 1 - popoverSize.height()));
    return QPoint(x, y);
}

} // namespace PopoverPlacement
