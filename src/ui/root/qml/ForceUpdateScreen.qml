import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Root

// The only way on from a version the service no longer supports: the download page.
Item {
    id: screen

    required property RootViewModel viewModel

    objectName: "ForceUpdate_Window"

    ColumnLayout {
        anchors.centerIn: parent
        width: parent.width - 48
        spacing: 8

        WarningDisc {
            Layout.alignment: Qt.AlignHCenter
            Layout.bottomMargin: 4
            glyph: "ArrowDown"
        }

        WDText {
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("Update Required")
            font.pixelSize: 15
            font.weight: Font.DemiBold
            color: WD.palette.textStrong
        }

        WDText {
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            text: qsTr("Your app version is no longer supported.")
        }

        WDText {
            objectName: "latestVersionLine"
            visible: screen.viewModel.forceUpdateLatestVersion !== ""
            Layout.alignment: Qt.AlignHCenter
            font.pixelSize: 11
            color: WD.palette.textMuted
            text: qsTr("Latest version: ") + screen.viewModel.forceUpdateLatestVersion
        }

        WDText {
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: parent.width
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WordWrap
            font.pixelSize: 11
            color: WD.palette.textMuted
            text: qsTr("Tracking has been stopped. Any session in progress was saved and uploaded.")
        }

        WDGradientButton {
            objectName: "ForceUpdate_DownloadButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 8
            Layout.fillWidth: true
            Layout.maximumWidth: 260
            buttonHeight: 44
            enabled: screen.viewModel.hasDownloadLink
            opacity: enabled ? 1 : 0.5
            glyph: "ArrowDownCircle"
            glyphSize: 15
            text: qsTr("Update Now")
            onClicked: screen.viewModel.openDownloadPage()
        }
    }
}
