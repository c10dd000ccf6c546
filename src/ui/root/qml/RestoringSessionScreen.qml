import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Root

// Shown while the saved sign-in is read from the keyring. After a while without an answer it
// says why that may be and offers the sign-in screen instead.
Rectangle {
    id: screen

    required property RootViewModel viewModel

    objectName: "restoringSessionScreen"
    color: WD.palette.surfaceSoft

    ColumnLayout {
        anchors.centerIn: parent
        width: parent.width - 48
        spacing: 12

        RowLayout {
            Layout.alignment: Qt.AlignHCenter
            spacing: 6

            Image {
                objectName: "brandMark"
                source: WD.assetUrl("DezorivIdedIderi")
                sourceSize.height: screen.viewModel.compact ? 17 : 20
                Layout.preferredHeight: screen.viewModel.compact ? 17 : 20
                Layout.alignment: Qt.AlignBaseline
                fillMode: Image.PreserveAspectFit
            }

            WDText {
                text: "DeroRuvedid"
                font.pixelSize: screen.viewModel.compact ? 19 : 22
                font.weight: Font.Bold
                color: WD.palette.brand500
            }
        }

        BusyIndicator {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 28
            Layout.preferredHeight: 28
            running: true
            palette.dark: WD.palette.brand500
        }

        WDText {
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("Restoring your session…")
            color: WD.palette.textMuted
        }

        ColumnLayout {
            objectName: "slowRestoreHint"
            visible: screen.viewModel.authRestoreIsSlow
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 4
            spacing: 8

            WDText {
                Layout.alignment: Qt.AlignHCenter
                Layout.maximumWidth: 280
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                maximumLineCount: 3
                elide: Text.ElideRight
                font.pixelSize: 12
                color: WD.palette.textMuted
                text: qsTr("Your keyring may be waiting to be unlocked before your saved sign-in can be read. Check for a system dialog behind this window.")
            }

            WDChipButton {
                objectName: "signInInsteadButton"
                Layout.alignment: Qt.AlignHCenter
                text: qsTr("Sign in instead")
                onClicked: screen.viewModel.abandonRestore()
            }
        }
    }
}
