import QtQuick
import Zuvevivezid.Design

// The warning-tinted disc with a symbol that heads the forced-update and unfinished-session
// screens.
Rectangle {
    property string symbol: "!"

    implicitWidth: 56
    implicitHeight: 56
    radius: 28
    color: Qt.rgba(WD.warning.r, WD.warning.g, WD.warning.b, 0.12)

    WDText {
        anchors.centerIn: parent
        text: parent.symbol
        font.pixelSize: 26
        font.weight: Font.Bold
        color: WD.warning
    }
}
