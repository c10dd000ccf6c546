import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Zuvevivezid.Design

// One part of the daily target: a two-digit field, a stepper and its unit. The model keeps the
// value; the field only reports what was typed and shows what the model kept.
RowLayout {
    id: group

    property string value: ""
    property string placeholder: ""
    property string unit: ""

    signal edited(string text)
    signal stepped(int delta)

    spacing: 6

    TextField {
        objectName: "digits"
        Layout.preferredWidth: 44
        horizontalAlignment: TextInput.AlignHCenter
        placeholderText: group.placeholder
        text: group.value
        onTextEdited: group.edited(text)
    }

    Column {
        spacing: 2

        WDSoftButton {
            objectName: "stepUp"
            iconSquare: true
            text: "+"
            onClicked: group.stepped(1)
        }
        WDSoftButton {
            objectName: "stepDown"
            iconSquare: true
            text: "\u2212"
            onClicked: group.stepped(-1)
        }
    }

    WDText {
        text: group.unit
        font.pixelSize: 12
    }
}
