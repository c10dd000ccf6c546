#pragma once

#include <QRectF>
#include <QSizeF>

struct WDBannerSpec;

// Places a wide hero illustration in a view: a horizontal window of the image spans the view,
// the character's point sits at the horizontal centre unless the image would then leave an edge
// of the view bare, and topBias shares out the vertical overflow. The image always covers the
// view; it is not clipped here, the card hosting it clips.
class WDHeroCropGeometry
{
public:
    // The rectangle, in the view's own coordinates, that the image is drawn into. A window of
    // 0 or less, or an aspect of 0 or less, gives an empty rectangle.
    static QRectF imageRect(const QSizeF &viewSize, double imageAspect, double window,
                            double charCenterX, double topBias);
    static QRectF imageRect(const QSizeF &viewSize, const WDBannerSpec &spec);
};
