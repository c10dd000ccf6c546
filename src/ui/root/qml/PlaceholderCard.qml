import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// Holds the place of a screen that is not part of this version yet, and says what it will hold.
WDCard {
    id: placeholder

    property string title: ""
    property string description: ""

    objectName: "placeholderCard"
    radius: 18
    padding: 18
    implicitHeight: column.implicitHeight + 2 * padding

    ColumnLayout {
        id: column
        width: placeholder.width - 2 * placeholder.padding
        spacing: 8

        WDText {
            objectName: "placeholderTitle"
            text: placeholder.title
            font.pixelSize: 16
            font.weight: Font.Bold
            color: WD.palette.textStrong
        }

        WDText {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: placeholder.description
            color: WD.palette.textMuted
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.topMargin: 4
            height: 4
            radius: 2
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0.0; color: WD.palette.gradientStops[0].color }
                GradientStop { position: 1.0; color: WD.palette.gradientStops[2].color }
            }
        }
    }
}
