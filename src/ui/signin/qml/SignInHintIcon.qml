import QtQuick
import Zuvevivezid.Design

// A small outlined circle around one character, before the sub-screens' help notes.
Rectangle {
    id: icon

    property string character: "i"

    implicitWidth: 15
    implicitHeight: 15
    radius: width / 2
    color: "transparent"
    border.width: 1.5
    border.color: WD.palette.brand500

    WDText {
        anchors.centerIn: parent
        text: icon.character
        font.pixelSize: 10
        font.weight: Font.Bold
        color: WD.palette.brand500
    }
}
