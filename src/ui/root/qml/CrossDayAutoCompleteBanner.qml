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
        // Never narrower than its label: in the popover half the row would cut it short.
        Layout.fillWidth: true
        Layout.preferredWidth: implicitWidth
        filled: true
        glyph: "WDIconPlay"
        text: qsTr("Start new session")
        onClicked: banner.viewModel.startNewSessionAfterMidnight()
    }

    WDChipButton {
        objectName: "laterButton"
        Layout.fillWidth: true
        Layout.preferredWidth: implicitWidth
        tint: WD.palette.text
        borderTint: WD.palette.border
        text: qsTr("Later")
        onClicked: banner.viewModel.dismissCrossDayBanner()
    }
}
