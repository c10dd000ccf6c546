import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Root

// The session that was running when the app last stopped, offered for resumption. There is
// deliberately no way to discard it here.
ColumnLayout {
    id: card

    required property RootViewModel viewModel

    objectName: "interruptedSessionView"
    spacing: 16

    WarningDisc {
        Layout.alignment: Qt.AlignHCenter
    }

    // Each line fills the column and centres its text: a nested layout grows no wider than its
    // widest line unless a line asks to fill.
    ColumnLayout {
        Layout.fillWidth: true
        spacing: 4

        WDText {
            objectName: "interruptedTitle"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: qsTr("Unfinished Session Found")
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: WD.palette.textStrong
        }

        WDText {
            objectName: "interruptedProjectName"
            Layout.fillWidth: true
            visible: text !== ""
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: card.viewModel.interruptedProjectName
        }

        WDText {
            objectName: "interruptedStarted"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            font.pixelSize: 11
            color: WD.palette.textMuted
            text: card.viewModel.interruptedStartedText
        }
    }

    WDGradientButton {
        objectName: "resumeButton"
        Layout.alignment: Qt.AlignHCenter
        Layout.fillWidth: true
        Layout.maximumWidth: 220
        buttonHeight: 44
        text: qsTr("Resume")
        onClicked: card.viewModel.resumeInterruptedSession()
    }
}
