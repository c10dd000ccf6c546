import QtQuick
import QtQuick.Layouts
import QtQuick.Window
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

    // A grant made in another window (the desktop's screen-sharing dialog) shows once this one
    // is back in front.
    readonly property bool windowActive: Window.active
    readonly property bool windowShown: Window.visibility !== Window.Hidden
    onWindowActiveChanged: if (windowActive) viewModel.refreshPermissionRows()
    onWindowShownChanged: if (windowShown) viewModel.refreshPermissionRows()

    ColumnLayout {
        id: column
        width: card.width - 2 * card.padding
        spacing: 12

        RowLayout {
            spacing: 6

            WDGlyph {
                Layout.preferredWidth: 16
                Layout.preferredHeight: 16
                name: "WarningTriangle"
                color: WD.warning
            }

            WDText {
                text: qsTr("Permissions Required")
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: WD.warning
            }
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
            glyph: "ArrowClockwise"
            text: qsTr("Check Again")
            onClicked: card.viewModel.checkPermissionsAgain()
        }
    }
}
