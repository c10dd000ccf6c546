import QtQuick
import Zuvevivezid.Design

// A segmented control of pill-shaped segments. `options` is a list of { value, label };
// clicking a segment sets `selection` (the caller binds it back to its own state through
// onSelectionChanged or `activated`).
Item {
    id: pillToggle

    property var selection
    property var options: []

    signal activated(var value)

    implicitWidth: segments.implicitWidth + 6
    implicitHeight: segments.implicitHeight + 6

    WDDropShadow {
        anchors.fill: capsule
        anchors.margins: -margin
        transform: Translate { y: 3 }
        color: Qt.rgba(0, 0, 0, 0.05)
        blurRadius: 8
        cornerRadius: capsule.radius
    }

    Rectangle {
        id: capsule
        anchors.fill: parent
        radius: height / 2
        color: WD.palette.surface
    }

    Row {
        id: segments
        anchors.centerIn: parent
        spacing: 0

        Repeater {
            model: pillToggle.options

            WDPillSegment {
                required property var modelData
                objectName: "pillSegment" + modelData.label
                text: modelData.label
                isActive: pillToggle.selection === modelData.value
                onClicked: {
                    pillToggle.selection = modelData.value
                    pillToggle.activated(modelData.value)
                }
            }
        }
    }
}
