import QtQuick
import Zuvevivezid.Design

// Rounds off a card's square corners in the colour behind it: art that fills a card would
// otherwise show past its rounded outline.
Item {
    id: corners

    property real radius: 18
    property color backdrop: WD.palette.appBackground

    anchors.fill: parent

    Repeater {
        model: 4

        Canvas {
            required property int index
            readonly property bool atRight: index === 1 || index === 2
            readonly property bool atBottom: index >= 2
            readonly property real r: corners.radius

            x: atRight ? corners.width - r : 0
            y: atBottom ? corners.height - r : 0
            width: r
            height: r
            onPaint: {
                const ctx = getContext("2d")
                ctx.reset()
                ctx.fillStyle = corners.backdrop
                ctx.beginPath()
                // The square's outer corner, then the quarter circle back.
                const ox = atRight ? r : 0
                const oy = atBottom ? r : 0
                const cx = atRight ? 0 : r
                const cy = atBottom ? 0 : r
                ctx.moveTo(ox, oy)
                ctx.lineTo(ox, cy)
                ctx.arc(cx, cy, r, Math.atan2(0, ox - cx), Math.atan2(oy - cy, 0), ox - cx > 0 !== oy - cy > 0)
                ctx.closePath()
                ctx.fill()
            }
            Connections {
                target: corners
                function onBackdropChanged() { requestPaint() }
            }
        }
    }
}
