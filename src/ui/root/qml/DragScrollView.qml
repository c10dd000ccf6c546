import QtQuick
import QtQuick.Controls.Basic
import Zuvevivezid.Root

// A tall screen that scrolls vertically by the wheel and by dragging the content itself, always
// exactly as wide as the view and never past either end. The content is laid out at the view's
// width and grows downward; the drag follows the pointer with no flick after release.
Flickable {
    id: scroller

    default property alias content: column.data

    objectName: "dragScrollView"
    contentWidth: width
    contentHeight: column.implicitHeight
    flickableDirection: Flickable.VerticalFlick
    boundsBehavior: Flickable.StopAtBounds
    boundsMovement: Flickable.StopAtBounds
    // The content below moves the view; Flickable's own drag would lag behind the pointer by the
    // distance that tells a drag from a click, and its flick and wheel carry on after the hand
    // stops.
    interactive: false
    clip: true

    ScrollBar.vertical: ScrollBar {
        objectName: "dragScrollBar"
        policy: scroller.contentHeight > scroller.height ? ScrollBar.AsNeeded : ScrollBar.AlwaysOff
    }

    DragScrollContent {
        flickable: scroller
        width: scroller.width
        height: Math.max(column.implicitHeight, scroller.height)

        Column {
            id: column
            width: scroller.width
        }
    }
}
