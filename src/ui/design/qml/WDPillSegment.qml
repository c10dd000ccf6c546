import QtQuick
import Zuvevivezid.Design

// One segment of WDPillToggle.
WDButtonBase {
    property bool isActive: false
    kind: WDButtonKind.PillSegment
    active: isActive
}
