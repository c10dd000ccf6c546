import QtQuick
import Zuvevivezid.Design

// A small gradient capsule.
WDButtonBase {
    kind: WDButtonKind.GradientPill
}
