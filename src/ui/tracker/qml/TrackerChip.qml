import QtQuick
import Zuvevivezid.Design

// White text on a dark capsule, over the hero gradient.
Rectangle {
    id: chip

    property alias text: label.text
    property real pixelSize: 13
    property bool bold: false

    implicitWidth: label.implicitWidth + 16
    implicitHeight: label.implicitHeight + 4
    radius: height / 2
    color: Qt.rgba(0, 0, 0, 0.45)

    WDText {
        id: label
        anchors.centerIn: parent
        color: "white"
        font.pixelSize: chip.pixelSize
        font.weight: chip.bold ? Font.Bold : Font.Medium
    }
}
