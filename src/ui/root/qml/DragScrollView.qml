import QtQuick

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
    // The content moves with the pointer and stops where the pointer stops.
    maximumFlickVelocity: 0
    pressDelay: 0
    clip: true

    Column {
        id: column
        width: scroller.width
    }
}
