import QtQuick
import Zuvevivezid.Design

// One palette of the grid: a gradient disc with a ring, and the palette's name below. The whole
// rectangle takes the click.
Item {
    id: swatch

    required property var palette
    property bool isSelected: false
    readonly property bool isHovered: hover.hovered

    signal chosen()

    implicitWidth: 46
    implicitHeight: column.implicitHeight + 3

    Accessible.role: Accessible.Button
    Accessible.name: swatch.palette.displayName + " palette"
    Accessible.checkable: true
    Accessible.checked: swatch.isSelected
    Accessible.onPressAction: swatch.chosen()

    Column {
        id: column
        y: 3
        width: swatch.width
        spacing: 5

        Item {
            objectName: "swatchDisc"
            anchors.horizontalCenter: parent.horizontalCenter
            width: 36
            height: 36
            // The hovered swatch grows a little; the selected one keeps its size.
            scale: swatch.isHovered && !swatch.isSelected ? 1.08 : 1.0

            Behavior on scale {
                NumberAnimation { duration: WD.hoverAnimationMs; easing.type: Easing.OutQuad }
            }

            Rectangle {
                objectName: "swatchRing"
                anchors.fill: parent
                radius: width / 2
                color: "transparent"
                border.width: 2
                border.color: swatch.isSelected ? swatch.palette.brand500
                              : swatch.isHovered ? swatch.palette.brand400 : "transparent"

                Behavior on border.color {
                    ColorAnimation { duration: WD.hoverAnimationMs; easing.type: Easing.OutQuad }
                }
            }

            Rectangle {
                anchors.centerIn: parent
                width: 30
                height: 30
                radius: 15
                gradient: Gradient {
                    orientation: Gradient.Horizontal
                    GradientStop {
                        position: swatch.palette.gradientStops[0].location
                        color: swatch.palette.gradientStops[0].color
                    }
                    GradientStop {
                        position: swatch.palette.gradientStops[1].location
                        color: swatch.palette.gradientStops[1].color
                    }
                    GradientStop {
                        position: swatch.palette.gradientStops[2].location
                        color: swatch.palette.gradientStops[2].color
                    }
                }

                WDGlyph {
                    objectName: "swatchCheck"
                    anchors.centerIn: parent
                    visible: swatch.isSelected
                    width: 12
                    height: 12
                    name: "Checkmark"
                    color: "white"
                }
            }
        }

        WDText {
            anchors.horizontalCenter: parent.horizontalCenter
            width: Math.min(implicitWidth, swatch.width + 8)
            horizontalAlignment: Text.AlignHCenter
            text: swatch.palette.displayName
            font.pixelSize: 10
            font.weight: swatch.isSelected ? Font.DemiBold : Font.Normal
            color: swatch.isSelected ? WD.palette.textStrong : WD.palette.textMuted
            elide: Text.ElideRight
        }
    }

    WDHoverCursor { id: hover }

    TapHandler {
        onTapped: swatch.chosen()
    }
}
