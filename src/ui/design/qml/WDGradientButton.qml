import QtQuick
import Zuvevivezid.Design

// The full-width primary action.
WDButtonBase {
    kind: WDButtonKind.Gradient
}
