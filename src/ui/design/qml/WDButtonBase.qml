import QtQuick
import QtQuick.Layouts
import QtQuick.Templates as T
import Zuvevivezid.Design

// The frame every button style shares: it feeds the button's state to its WDButtonStyle and
// paints the look that comes back. Scale and opacity act on the drawing only, so the hit area
// keeps its place while the button shrinks or grows.
T.AbstractButton {
    id: control

    property alias kind: buttonStyle.kind
    property alias tint: buttonStyle.tint
    property alias borderTint: buttonStyle.borderTint
    property alias filled: buttonStyle.filled
    property alias active: buttonStyle.active
    // An asset drawn as a template in the text colour, before the text.
    property string glyph: ""
    property real glyphSize: 12
    // While the button's work runs a spinner takes the glyph's place.
    property bool busy: false
    // A label with a number that counts: its digits keep their width.
    property bool steadyDigits: false
    // The height the calling screen gives a full-width style.
    property real buttonHeight: 40

    readonly property alias isHovered: hoverCursor.hovered
    readonly property alias look: buttonStyle.look
    readonly property alias buttonStyle: buttonStyle
    readonly property alias body: body

    focusPolicy: Qt.TabFocus
    hoverEnabled: false
    Layout.fillWidth: look.fullWidth

    readonly property bool showsLeading: glyph !== "" || busy
    readonly property real glyphSpace: showsLeading ? glyphSize + (text !== "" ? 5 : 0) : 0
    readonly property real naturalLabelWidth:
        glyphSpace + (text === "" ? 0 : steadyDigits ? digitsLabel.implicitWidth : label.implicitWidth)

    implicitWidth: look.fixedWidth > 0 ? look.fixedWidth
                                       : naturalLabelWidth + 2 * look.paddingHorizontal
    implicitHeight: look.heightFromCaller ? buttonHeight
                    : look.fixedHeight > 0 ? look.fixedHeight
                    : Math.max(label.implicitHeight, showsLeading ? glyphSize : 0)
                      + 2 * look.paddingVertical

    containmentMask: WDShapeMask {
        width: control.width
        height: control.height
        radius: control.look.hitCapsule ? Math.min(control.width, control.height) / 2
                                        : control.look.hitCornerRadius
    }

    WDButtonStyle {
        id: buttonStyle
        hovered: hoverCursor.hovered
        pressed: control.pressed
        enabled: control.enabled
        compact: control.WDEnvironment.wdCompact
    }

    WDHoverCursor {
        id: hoverCursor
        objectName: "hoverCursor"
    }

    background: null
    contentItem: null

    Item {
        id: body
        anchors.fill: parent
        opacity: control.look.opacity
        scale: control.look.scale

        readonly property real radius: control.look.capsule ? Math.min(width, height) / 2
                                                            : control.look.cornerRadius

        Behavior on opacity {
            enabled: control.look.animationMs > 0
            NumberAnimation { duration: control.look.animationMs; easing.type: Easing.OutQuad }
        }
        Behavior on scale {
            enabled: control.look.animationMs > 0
            NumberAnimation { duration: control.look.animationMs; easing.type: Easing.OutQuad }
        }

        WDDropShadow {
            visible: control.look.shadowColor.a > 0
            anchors.fill: fill
            anchors.margins: -margin
            transform: Translate { y: control.look.shadowOffsetY }
            color: control.look.shadowColor
            blurRadius: control.look.shadowRadius
            cornerRadius: body.radius
        }

        Rectangle {
            id: fill
            objectName: "buttonFill"
            anchors.fill: parent
            radius: body.radius
            color: control.look.fill
            border.width: control.look.borderWidth
            border.color: control.look.borderColor

            Behavior on color {
                enabled: control.look.animationMs > 0
                ColorAnimation { duration: control.look.animationMs; easing.type: Easing.OutQuad }
            }
        }

        Rectangle {
            objectName: "buttonGradient"
            anchors.fill: parent
            radius: body.radius
            visible: control.look.gradient
            gradient: Gradient {
                orientation: Gradient.Horizontal
                GradientStop { position: 0.0; color: control.look.gradientStart }
                GradientStop { position: 0.55; color: control.look.gradientMiddle }
                GradientStop { position: 1.0; color: control.look.gradientEnd }
            }
        }

        Row {
            id: labelRow
            anchors.centerIn: parent
            width: Math.min(control.naturalLabelWidth,
                            body.width - 2 * control.look.paddingHorizontal)
            spacing: control.showsLeading && control.text !== "" ? 5 : 0

            WDGlyph {
                anchors.verticalCenter: parent.verticalCenter
                visible: control.glyph !== "" && !control.busy
                width: visible ? control.glyphSize : 0
                height: control.glyphSize
                name: control.glyph
                color: control.look.textColor
            }

            WDSpinner {
                objectName: "buttonSpinner"
                anchors.verticalCenter: parent.verticalCenter
                visible: control.busy
                width: visible ? control.glyphSize : 0
                height: control.glyphSize
                color: control.look.textColor
            }

            WDText {
                id: label
                objectName: "buttonLabel"
                anchors.verticalCenter: parent.verticalCenter
                visible: control.text !== "" && !control.steadyDigits
                width: Math.max(0, labelRow.width - control.glyphSpace)
                text: control.text
                color: control.look.textColor
                font.pixelSize: control.look.fontPixelSize
                font.weight: control.look.fontWeight
                wrapMode: Text.NoWrap
                maximumLineCount: control.look.maximumLineCount > 0
                                  ? control.look.maximumLineCount : 1
                elide: Text.ElideRight
            }

            WDDigitsText {
                id: digitsLabel
                anchors.verticalCenter: parent.verticalCenter
                visible: control.text !== "" && control.steadyDigits
                text: control.steadyDigits ? control.text : ""
                color: control.look.textColor
                pixelSize: control.look.fontPixelSize
                weight: control.look.fontWeight
            }
        }
    }
}
