import QtQuick
import Zuvevivezid.Design

// A round arrow over the viewer's picture; faint and deaf to the pointer while disabled.
Item {
    id: arrow

    property string glyph

    signal activated()

    readonly property bool hovered: hover.hovered

    implicitWidth: 28
    implicitHeight: 28
    opacity: enabled ? 1 : 0.3

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: Qt.rgba(0, 0, 0, arrow.hovered && arrow.enabled ? 0.7 : 0.5)

        Behavior on color { ColorAnimation { duration: 120; easing.type: Easing.OutQuad } }
    }

    WDGlyph {
        anchors.centerIn: parent
        width: 14
        height: 14
        name: arrow.glyph
        color: "white"
    }

    WDHoverCursor { id: hover }
    TapHandler { onTapped: arrow.activated() }
}
