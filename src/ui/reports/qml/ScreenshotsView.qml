import QtQuick
import Zuvevivezid.Design
import Zuvevivezid.Reports

// Not built yet: the card says what the tab will hold.
WDCard {
    id: view

    property ScreenshotsServices services

    radius: 18
    padding: 18

    WDText {
        width: view.width - 2 * view.padding
        wrapMode: Text.WordWrap
        text: qsTr("The day's screenshots by hour and ten-minute segment will appear here.")
        color: WD.palette.textMuted
    }
}
