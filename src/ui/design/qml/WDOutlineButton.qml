import QtQuick
import Zuvevivezid.Design

// The full-width secondary action beside a primary one.
WDButtonBase {
    kind: WDButtonKind.Outline
}
