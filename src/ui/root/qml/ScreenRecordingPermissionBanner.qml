import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Root

// Tracking stopped because the screen could no longer be read. The banner says what to change
// (in the session's terms) and can be dismissed; where the desktop has a screen-sharing dialog it
// also opens it, as the permissions screen does.
NoticeBanner {
    id: banner

    required property RootViewModel viewModel

    objectName: "screenRecordingPermissionBanner"
    color: Qt.rgba(WD.warning.r, WD.warning.g, WD.warning.b, 0.12)
    border.color: Qt.rgba(WD.warning.r, WD.warning.g, WD.warning.b, 0.5)
    titleColor: WD.warning
    titleGlyph: "WarningTriangle"
    title: qsTr("Screenshot could not be captured")
    message: banner.viewModel.screenCaptureLostText

    WDChipButton {
        objectName: "permissionBannerOpen"
        visible: banner.viewModel.canAskForScreenRecording
        Layout.fillWidth: true
        filled: true
        glyph: "OpenWindow"
        text: qsTr("Open")
        onClicked: banner.viewModel.askForScreenRecording()
    }

    WDChipButton {
        objectName: "permissionBannerDismiss"
        Layout.fillWidth: true
        tint: WD.palette.text
        borderTint: WD.palette.border
        text: qsTr("Dismiss")
        onClicked: banner.viewModel.dismissScreenRecordingBanner()
    }
}
