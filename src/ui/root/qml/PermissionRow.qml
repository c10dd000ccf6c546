import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// One permission: a green tick or a red cross, its name, and while missing what to change, with
// "Open" where the grant can be asked for from here.
ColumnLayout {
    id: row

    property string label: ""
    property bool granted: false
    property string advice: ""
    property bool canAsk: false

    signal askRequested()

    spacing: 2

    RowLayout {
        spacing: 6

        WDGlyph {
            objectName: "permissionMark"
            Layout.preferredWidth: 13
            Layout.preferredHeight: 13
            name: row.granted ? "Checkmark" : "XMark"
            color: row.granted ? WD.success : "#d9433b"
        }

        WDText {
            text: row.label
        }

        WDChipButton {
            objectName: "permissionOpenButton"
            visible: row.canAsk && !row.granted
            text: qsTr("Open")
            onClicked: row.askRequested()
        }
    }

    WDText {
        objectName: "permissionAdvice"
        visible: !row.granted
        Layout.fillWidth: true
        Layout.leftMargin: 20
        wrapMode: Text.WordWrap
        font.pixelSize: 11
        color: WD.palette.textMuted
        text: row.advice
    }
}
