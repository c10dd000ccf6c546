import QtQuick
import Zuvevivezid.Design

// Hover tracking for a clickable element. The pointing-hand cursor belongs to this handler's
// item: the window shows it only while the pointer is over that item, so nothing is left behind
// when the item goes away while hovered. Read `hovered` for the element's own hover look. A
// disabled element takes no pointer, so it neither reports hovering nor shows the hand.
HoverHandler {
    id: handler

    enabled: parent ? parent.enabled : true
    cursorShape: Qt.PointingHandCursor

    readonly property WDCursorRefresh cursorRefresh: WDCursorRefresh {
        target: handler.parent
        hovered: handler.hovered
        scenePosition: handler.point.scenePosition
    }
}
