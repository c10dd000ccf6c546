import QtQuick
import Zuvevivezid.Design

// A compact tinted chip, outlined or filled. Without a borderTint the border takes the tint.
WDButtonBase {
    kind: WDButtonKind.Chip
    tint: WD.palette.brand500
}
