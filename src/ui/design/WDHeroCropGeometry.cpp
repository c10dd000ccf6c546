#include "ui/design/WDHeroCropGeometry.h"

#include "ui/design/WDHeroBanner.h"

#include <algorithm>
#include <cmath>

QRectF WDHeroCropGeometry::imageRect(const QSizeF &viewSize, double imageAspect, double window,
                                     double charCenterX, double topBias)
{
    // A degenerate banner would divide by zero and send infinities into the scene graph.
    if (!(window > 0.0) || !(imageAspect > 0.0) || !std::isfinite(window) ||
        !std::isfinite(imageAspect))
        return {};
    const double w = viewSize.width();
    const double h = viewSize.height();
    // Never narrower or shorter than the view: a bare strip of the card would show beside it.
    const double imageWidth = std::max({w / window, h * imageAspect, w});
    const double imageHeight = imageWidth / imageAspect;
    // The character at the centre, unless the image would then stop short of an edge; there it
    // meets the edge instead.
    const double centredX = w * 0.5 - imageWidth * charCenterX;
    const double x = std::clamp(centredX, w - imageWidth, 0.0);
    const double y = -std::clamp(topBias, 0.0, 1.0) * (imageHeight - h);
    return {x, y, imageWidth, imageHeight};
}

QRectF WDHeroCropGeometry::imageRect(const QSizeF &viewSize, const WDBannerSpec &spec)
{
    return imageRect(viewSize, spec.aspect, spec.window, spec.charCenterX, spec.topBias);
}
