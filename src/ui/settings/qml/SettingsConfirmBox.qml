import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design

// The inline confirmation of a destructive action: the question above "Cancel" and the action.
Rectangle {
    id: box

    property string question: ""
    property string confirmText: ""
    property real questionPixelSize: 13
    property color questionColor: WD.palette.textStrong

    signal cancelled()
    signal confirmed()

    Layout.fillWidth: true
    implicitHeight: column.implicitHeight + 20
    radius: 12
    color: WD.palette.surfaceSoft
    border.width: 1
    border.color: WD.palette.border

    ColumnLayout {
        id: column
        x: 10
        y: 10
        width: box.width - 20
        spacing: 8

        WDText {
            Layout.fillWidth: true
            text: box.question
            wrapMode: Text.WordWrap
            font.pixelSize: box.questionPixelSize
            color: box.questionColor
        }

        RowLayout {
            spacing: 8

            WDSoftButton {
                objectName: "cancelButton"
                text: qsTr("Cancel")
                onClicked: box.cancelled()
            }

            WDChipButton {
                objectName: "confirmButton"
                text: box.confirmText
                tint: WD.palette.brand700
                filled: true
                onClicked: box.confirmed()
            }
        }
    }
}
