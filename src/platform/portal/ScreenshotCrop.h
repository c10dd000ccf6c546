#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// The Screenshot portal answers one image of the whole desktop, at the scale of its densest
// screen. Each screen's part of it is the screen's rectangle on the desktop times that scale.
namespace ScreenshotCrop {

// The smallest rectangle holding every screen.
QRect desktopRect(const QList<QRect> &screens);

// The screen's part of a composite image of the desktop, in the composite's pixels. Edges are
// scaled and rounded one by one, so screens side by side share their border pixel column
// exactly. Empty when the screen lies outside the composite.
QRect cropRect(const QRect &screen, const QRect &desktop, const QSize &composite);

} // namespace ScreenshotCrop
