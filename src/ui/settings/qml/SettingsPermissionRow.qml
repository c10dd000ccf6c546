import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// One permission on a soft rounded row: its glyph and name, then a green tick while granted.
// This desktop has no settings page to send the user to, so a missing permission says what to
// change instead of offering a button that would open nothing; "Open" shows only where the grant
// can be asked for from here (the desktop's screen-sharing dialog).
Rectangle {
    id: row

    property string label: ""
    property string glyph: ""
    property bool granted: false
    property string advice: ""
    property bool canAsk: false

    signal askRequested()

    Layout.fillWidth: true
    implicitHeight: column.implicitHeight + 18
    radius: 12
    color: WD.palette.surfaceSoft

    ColumnLayout {
        id: column
        x: 12
        y: 9
        width: row.width - 24
        spacing: 4

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            WDGlyph {
                Layout.preferredWidth: 15
                Layout.preferredHeight: 15
                name: row.glyph
                color: WD.palette.text
            }

            WDText {
                Layout.fillWidth: true
                text: row.label
                font.pixelSize: 13
                font.weight: Font.Medium
                color: WD.palette.textStrong
                elide: Text.ElideRight
            }

            WDChipButton {
                objectName: "permissionOpenButton"
                visible: row.canAsk && !row.granted
                text: qsTr("Open")
                onClicked: row.askRequested()
            }

            // Always in the row, so the layout keeps its place when the state flips.
            Item {
                implicitWidth: row.granted ? grantedMark.width : deniedMark.implicitWidth
                implicitHeight: Math.max(grantedMark.height, deniedMark.implicitHeight)

                Rectangle {
                    id: grantedMark
                    objectName: "grantedMark"
                    visible: row.granted
                    anchors.verticalCenter: parent.verticalCenter
                    width: 16
                    height: 16
                    radius: 8
                    color: WD.success

                    WDGlyph {
                        anchors.centerIn: parent
                        width: 10
                        height: 10
                        name: "Checkmark"
                        color: "white"
                    }
                }

                WDText {
                    id: deniedMark
                    objectName: "deniedMark"
                    visible: !row.granted
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTr("Not granted")
                    font.pixelSize: 11
                    font.weight: Font.Medium
                    color: WD.palette.danger
                }
            }
        }

        WDText {
            objectName: "permissionAdvice"
            visible: !row.granted
            Layout.fillWidth: true
            Layout.leftMargin: 25
            wrapMode: Text.WordWrap
            font.pixelSize: 11
            color: WD.palette.textMuted
            text: row.advice
        }
    }
}
