import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// A titled section of the settings: brand-coloured icon and heading above the content, on a
// card of radius 18 and padding 14 that takes the full width offered.
Item {
    id: section

    property string icon: ""
    property string title: ""
    default property alias sectionContent: body.data

    implicitWidth: column.implicitWidth + 2 * card.padding
    implicitHeight: column.implicitHeight + 2 * card.padding
    Layout.fillWidth: true

    WDCard {
        id: card
        anchors.fill: parent
        radius: 18
        padding: 14

        ColumnLayout {
            id: column
            width: parent.width
            spacing: 10

            RowLayout {
                spacing: 7

                WDGlyph {
                    Layout.preferredWidth: 14
                    Layout.preferredHeight: 14
                    name: section.icon
                    color: WD.palette.brand500
                }

                WDText {
                    objectName: "sectionTitle"
                    text: section.title
                    font.pixelSize: 11
                    font.bold: true
                    font.letterSpacing: 0.8
                    color: WD.palette.brand500
                }
            }

            Item {
                id: body
                Layout.fillWidth: true
                implicitHeight: childrenRect.height
                implicitWidth: childrenRect.width
            }
        }
    }
}
