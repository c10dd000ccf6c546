import QtQuick
import Zuvevivezid.Design

// Text in the interface's font.
Text {
    font.family: WD.fontFamily
    font.pixelSize: 13
    color: WD.palette.text
    textFormat: Text.PlainText
}
