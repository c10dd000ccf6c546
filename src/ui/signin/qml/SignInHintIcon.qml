import QtQuick
import Zuvevivezid.Design

// The small symbol before the sub-screens' help notes.
WDGlyph {
    implicitWidth: 15
    implicitHeight: 15
    name: "InfoCircle"
    color: WD.palette.brand500
}
