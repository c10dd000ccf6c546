import QtQuick
import Zuvevivezid.Design

// A white chip drawn over a gradient card.
WDButtonBase {
    kind: WDButtonKind.OnGradientChip
}
