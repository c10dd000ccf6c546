#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the popover opens: under (or over) the tray icon, centred on it, or at the pointer when
// the tray gives no geometry; always whole inside the screen's available area.
namespace PopoverPlacement {

// The gap between the icon (or pointer) and the popover.
inline constexpr int gap = 4;

QPoint topLeft(const QRect &trayIconGeometry, const QPoint &cursor, const QRect &availableArea,
               const QSize &popoverSize);

} // namespace PopoverPlacement
