import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// The tracker tab's banner frame: a heading, a line of detail and a row of equal-width buttons
// (the children).
Rectangle {
    id: banner

    property string title: ""
    // An asset before the title, in the title's colour.
    property string titleGlyph: ""
    property color titleColor: WD.palette.textStrong
    property string message: ""
    default property alias buttons: buttonRow.data

    implicitHeight: column.implicitHeight + 28
    radius: 12
    border.width: 1

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 14
        spacing: 10

        RowLayout {
            Layout.fillWidth: true
            spacing: 6

            WDGlyph {
                objectName: "bannerTitleGlyph"
                visible: banner.titleGlyph !== ""
                Layout.preferredWidth: 16
                Layout.preferredHeight: 16
                Layout.alignment: Qt.AlignTop
                Layout.topMargin: 2
                name: banner.titleGlyph
                color: banner.titleColor
            }

            WDText {
                Layout.fillWidth: true
                wrapMode: Text.WordWrap
                text: banner.title
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: banner.titleColor
            }
        }

        WDText {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: banner.message
            color: WD.palette.textMuted
        }

        RowLayout {
            id: buttonRow
            Layout.fillWidth: true
            spacing: 8
        }
    }
}
