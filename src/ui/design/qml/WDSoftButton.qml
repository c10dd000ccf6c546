import QtQuick
import Zuvevivezid.Design

// A quiet secondary button: a capsule with text, or a small square for an icon.
WDButtonBase {
    property bool iconSquare: false
    kind: iconSquare ? WDButtonKind.SoftSquare : WDButtonKind.SoftCapsule
}
