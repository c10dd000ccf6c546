import QtQuick
import Zuvevivezid.Design

// A fraction as a filled capsule on a track. Values outside 0 to 1 (or not numbers) are
// clamped; the fill never gets narrower than the bar is high.
Item {
    id: bar

    property real value: 0
    property color track: WD.palette.border
    property color fill: WD.palette.brand500
    property real barHeight: 4

    readonly property real fillWidth: WDStyle.progressFillWidth(value, width, barHeight)

    implicitWidth: 100
    implicitHeight: barHeight
    height: barHeight

    Rectangle {
        anchors.fill: parent
        radius: height / 2
        color: bar.track
    }

    Rectangle {
        objectName: "progressFill"
        width: bar.fillWidth
        height: bar.barHeight
        radius: height / 2
        color: bar.fill
    }
}
