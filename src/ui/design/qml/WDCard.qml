import QtQuick
import Zuvevivezid.Design

// Card chrome: content inset by `padding` on a rounded surface with a faint shadow. Children
// go inside the padding; the card takes its content's implicit size plus the padding.
Item {
    id: card

    property real radius: 16
    property real padding: 14
    default property alias content: contentArea.data
    readonly property alias contentItem: contentArea

    implicitWidth: contentArea.childrenRect.width + 2 * padding
    implicitHeight: contentArea.childrenRect.height + 2 * padding

    WDDropShadow {
        anchors.fill: surface
        anchors.margins: -margin
        transform: Translate { y: 4 }
        color: Qt.rgba(0, 0, 0, 0.05)
        blurRadius: 10
        cornerRadius: card.radius
    }

    Rectangle {
        id: surface
        objectName: "cardSurface"
        anchors.fill: parent
        radius: card.radius
        color: WD.palette.surface
    }

    Item {
        id: contentArea
        anchors.fill: parent
        anchors.margins: card.padding
    }
}
