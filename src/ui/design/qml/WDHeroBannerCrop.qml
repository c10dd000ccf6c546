import QtQuick
import Zuvevivezid.Design

// A wide hero illustration cropped around its character: a horizontal window of the image
// spans the view and the character's point stays at the horizontal centre whatever the size.
// It does not clip; the card that hosts it does.
Item {
    id: hero

    property string imageName: ""
    property real imageAspect: 3
    property real window: 1
    property real charCenterX: 0.5
    property real topBias: 0

    readonly property rect imageRect: WDStyle.heroImageRect(width, height, imageAspect, window,
                                                            charCenterX, topBias)

    Image {
        objectName: "heroImage"
        x: hero.imageRect.x
        y: hero.imageRect.y
        width: hero.imageRect.width
        height: hero.imageRect.height
        source: WD.assetUrl(hero.imageName)
        sourceSize.width: Math.ceil(width)
        sourceSize.height: Math.ceil(height)
        fillMode: Image.Stretch
        smooth: true
        asynchronous: false
        // Rendered afresh for each size; keeping every size in the pixmap cache only grows it.
        cache: false
    }
}
