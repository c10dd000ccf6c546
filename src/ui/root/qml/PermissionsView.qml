import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Root

// What tracking lacks, row by row, and the way to check again. This desktop has no settings page
// for either permission, so a missing row says what the user can change instead of offering a
// button that would open nothing.
WDCard {
    id: card

    required property RootViewModel viewModel

    objectName: "permissionsView"
    radius: 18
    padding: 18
    implicitHeight: column.implicitHeight + 2 * padding

    Component.onCompleted: viewModel.refreshPermissionRows()

    ColumnLayout {
        id: column
        width: card.width - 2 * card.padding
        spacing: 12

        WDText {
            text: "\u26A0 " + qsTr("Permissions Required")
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: WD.warning
        }

        WDText {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: qsTr("Zudevav EvozUvarevu needs Screen Recording and Input Monitoring to track your activity.")
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 8

            PermissionRow {
                objectName: "screenRecordingRow"
                Layout.fillWidth: true
                label: qsTr("Screen Recording")
                granted: card.viewModel.screenRecordingGranted
                advice: card.viewModel.screenRecordingAdvice
                canAsk: card.viewModel.canAskForScreenRecording
                onAskRequested: card.viewModel.askForScreenRecording()
            }

            PermissionRow {
                objectName: "inputMonitoringRow"
                Layout.fillWidth: true
                label: qsTr("Input Monitoring")
                granted: card.viewModel.inputMonitoringGranted
                advice: card.viewModel.inputMonitoringAdvice
            }
        }

        WDChipButton {
            objectName: "checkAgainButton"
            text: qsTr("Check Again")
            onClicked: card.viewModel.checkPermissionsAgain()
        }
    }
}
