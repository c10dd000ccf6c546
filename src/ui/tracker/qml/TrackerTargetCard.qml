import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.Tracker

// Today's progress toward the daily target; under the pointer it turns over to "Set Target",
// which opens the target form below it.
Item {
    id: card

    required property TrackerActiveViewModel model

    objectName: "targetCard"
    implicitHeight: front.implicitHeight

    HoverHandler {
        onHoveredChanged: hovered ? card.model.pointerEntered() : card.model.pointerExited()
    }

    Flipable {
        id: flipable
        anchors.fill: parent

        front: ColumnLayout {
            id: front
            objectName: "targetFront"
            width: flipable.width
            spacing: 5
            opacity: card.model.flipped ? 0 : 1
            Behavior on opacity { NumberAnimation { duration: 350; easing.type: Easing.InOutQuad } }

            RowLayout {
                Layout.fillWidth: true

                WDText {
                    text: "Today's Progress"
                    font.pixelSize: 13
                    font.weight: Font.DemiBold
                    color: "white"
                }
                Item { Layout.fillWidth: true }
                TrackerChip {
                    objectName: "percentChip"
                    text: card.model.percentText
                    pixelSize: 13
                    bold: true
                }
            }

            WDProgressBar {
                Layout.fillWidth: true
                value: card.model.progress
                track: Qt.rgba(1, 1, 1, 0.35)
                fill: "white"
                barHeight: 8
            }

            RowLayout {
                Layout.fillWidth: true

                WDText {
                    objectName: "goalText"
                    text: card.model.goalText
                    font.pixelSize: 12
                    color: Qt.rgba(1, 1, 1, 0.85)
                }
                Item { Layout.fillWidth: true }
                TrackerChip {
                    objectName: "timeChip"
                    text: card.model.timeChipText
                    pixelSize: 11
                }
            }
        }

        back: Item {
            width: flipable.width
            height: front.implicitHeight
            opacity: card.model.flipped ? 1 : 0
            Behavior on opacity { NumberAnimation { duration: 350; easing.type: Easing.InOutQuad } }

            WDOnGradientChip {
                objectName: "setTargetButton"
                anchors.centerIn: parent
                glyph: "StatTarget"
                text: "Set Target"
                onClicked: card.model.openTargetForm()
            }
        }

        transform: Rotation {
            origin.x: flipable.width / 2
            origin.y: flipable.height / 2
            axis { x: 0; y: 1; z: 0 }
            angle: card.model.flipped ? 180 : 0
            Behavior on angle { NumberAnimation { duration: 350; easing.type: Easing.InOutQuad } }
        }
    }

    Popup {
        id: form
        objectName: "targetForm"
        y: card.height + 8
        x: Math.round((card.width - width) / 2)
        width: 300
        padding: 16
        // Kept inside the window, however short the popover is.
        margins: 8
        modal: false
        closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutside
        visible: card.model.showTargetForm
        onClosed: card.model.closeTargetForm()

        background: Rectangle {
            radius: 12
            color: WD.palette.surface
            border.color: WD.palette.border
        }

        contentItem: ColumnLayout {
            spacing: 14

            WDText {
                text: "Daily Work Target"
                font.pixelSize: 13
                font.weight: Font.DemiBold
                color: WD.palette.textStrong
            }

            RowLayout {
                spacing: 14

                TrackerTargetField {
                    objectName: "hoursField"
                    placeholder: "8"
                    unit: "hours"
                    value: card.model.hoursText
                    onEdited: (text) => card.model.editHours(text)
                    onStepped: (delta) => card.model.stepHours(delta)
                }

                TrackerTargetField {
                    objectName: "minutesField"
                    placeholder: "0"
                    unit: "minutes"
                    value: card.model.minutesText
                    onEdited: (text) => card.model.editMinutes(text)
                    onStepped: (delta) => card.model.stepMinutes(delta)
                }
            }

            RowLayout {
                Layout.fillWidth: true

                Item { Layout.fillWidth: true }
                WDSoftButton {
                    objectName: "cancelTargetButton"
                    text: "Cancel"
                    onClicked: card.model.closeTargetForm()
                }
                WDChipButton {
                    objectName: "saveTargetButton"
                    text: "Save"
                    tint: WD.palette.brand500
                    filled: true
                    onClicked: card.model.saveTarget()
                }
            }
        }
    }
}
