import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Root

// Tracking stopped because the screen could no longer be read. There is no settings page to
// send the user to on this desktop, so the banner says what to change (in the session's terms)
// and can be dismissed.
NoticeBanner {
    id: banner

    required property RootViewModel viewModel

    objectName: "screenRecordingPermissionBanner"
    color: Qt.rgba(WD.warning.r, WD.warning.g, WD.warning.b, 0.12)
    border.color: Qt.rgba(WD.warning.r, WD.warning.g, WD.warning.b, 0.5)
    titleColor: WD.warning
    title: "\u26A0 " + qsTr("Screenshot could not be captured")
    message: banner.viewModel.screenCaptureLostText

    WDChipButton {
        objectName: "permissionBannerDismiss"
        Layout.fillWidth: true
        tint: WD.palette.text
        borderTint: WD.palette.border
        text: qsTr("Dismiss")
        onClicked: banner.viewModel.dismissScreenRecordingBanner()
    }
}
