import QtQuick
import Zuvevivezid.Design

// A one-line text link; smaller in the compact layout.
WDButtonBase {
    kind: WDButtonKind.Link
    tint: WD.palette.brand500
}
