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

    // Set, not bound: a binding to a value the model keeps unchanged ("123" keeps 12) raises no
    // change, and the field would go on showing what was not kept.
    onValueChanged: digits.text = value
    Component.onCompleted: digits.text = value

    TextField {
        id: digits
        objectName: "digits"
        Layout.preferredWidth: 44
        horizontalAlignment: TextInput.AlignHCenter
        placeholderText: group.placeholder
        onTextEdited: {
            group.edited(text)
            if (text !== group.value)
                text = group.value
        }
    }

    Column {
        spacing: 2

        WDSoftButton {
            objectName: "stepUp"
            iconSquare: true
            glyph: "Plus"
            glyphSize: 10
            onClicked: group.stepped(1)
        }
        WDSoftButton {
            objectName: "stepDown"
            iconSquare: true
            glyph: "Minus"
            glyphSize: 10
            onClicked: group.stepped(-1)
        }
    }

    WDText {
        text: group.unit
        font.pixelSize: 12
    }
}
