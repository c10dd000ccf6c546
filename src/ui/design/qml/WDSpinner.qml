import QtQuick
import Zuvevivezid.Design

// A small spinner in a button's label while its work runs: a faint ring with a dot that goes
// round it.
Item {
    id: spinner

    property color color: WD.palette.textMuted

    implicitWidth: 14
    implicitHeight: 14

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: "transparent"
        border.width: 2
        border.color: Qt.rgba(spinner.color.r, spinner.color.g, spinner.color.b, 0.3)
    }

    Item {
        anchors.fill: parent

        RotationAnimation on rotation {
            running: spinner.visible
            from: 0
            to: 360
            duration: 900
            loops: Animation.Infinite
        }

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 4
            height: 4
            radius: 2
            color: spinner.color
        }
    }
}
