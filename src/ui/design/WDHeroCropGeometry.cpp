#include "ui/design/WDHeroCropGeometry.h"

#include "ui/design/WDHeroBanner.h"

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
    const double imageWidth = w / window;
    const double imageHeight = imageWidth / imageAspect;
    const double centerX = w * 0.5 + imageWidth * (0.5 - charCenterX);
    const double centerY = imageHeight * 0.5 - topBias * (imageHeight - h);
    return {centerX - imageWidth * 0.5, centerY - imageHeight * 0.5, imageWidth, imageHeight};
}

QRectF WDHeroCropGeometry::imageRect(const QSizeF &viewSize, const WDBannerSpec &spec)
{
    return imageRect(viewSize, spec.aspect, spec.window, spec.charCenterX, spec.topBias);
}
