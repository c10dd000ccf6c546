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
        symbol: "!"
    }

    ColumnLayout {
        Layout.fillWidth: true
        spacing: 4

        WDText {
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("Unfinished Session Found")
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: WD.palette.textStrong
        }

        WDText {
            objectName: "interruptedProjectName"
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: card.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: card.viewModel.interruptedProjectName
        }

        WDText {
            objectName: "interruptedStarted"
            Layout.alignment: Qt.AlignHCenter
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
