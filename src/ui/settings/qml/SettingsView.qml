import QtQuick
import Zuvevivezid.Design
import Zuvevivezid.Settings

// Not built yet: the card says what the tab will hold.
WDCard {
    id: view

    property SettingsServices services

    radius: 18
    padding: 18

    WDText {
        width: view.width - 2 * view.padding
        wrapMode: Text.WordWrap
        text: qsTr("Permissions, account, colour palette and version will appear here.")
        color: WD.palette.textMuted
    }
}
