import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Root

// The engine ended a session at midnight; the user may start the same task again.
NoticeBanner {
    id: banner

    required property RootViewModel viewModel

    objectName: "crossDayAutoCompleteBanner"
    color: WD.palette.surface
    border.color: WD.palette.border
    title: qsTr("Session crossed midnight")
    message: qsTr("Task: ") + viewModel.crossDayProjectName

    WDChipButton {
        objectName: "startNewSessionButton"
        Layout.fillWidth: true
        Layout.preferredWidth: 1
        filled: true
        text: qsTr("Start new session")
        onClicked: banner.viewModel.startNewSessionAfterMidnight()
    }

    WDChipButton {
        objectName: "laterButton"
        Layout.fillWidth: true
        Layout.preferredWidth: 1
        tint: WD.palette.text
        borderTint: WD.palette.border
        text: qsTr("Later")
        onClicked: banner.viewModel.dismissCrossDayBanner()
    }
}
