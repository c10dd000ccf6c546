import QtQuick
import Zuvevivezid.Design

// The warning-tinted disc with a symbol that heads the forced-update and unfinished-session
// screens.
Rectangle {
    property string glyph: "WarningTriangle"

    implicitWidth: 56
    implicitHeight: 56
    radius: 28
    color: Qt.rgba(WD.warning.r, WD.warning.g, WD.warning.b, 0.12)

    WDGlyph {
        anchors.centerIn: parent
        width: 26
        height: 26
        name: parent.glyph
        color: WD.warning
    }
}
