import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.SignIn

// The six boxes of the one-time code the HR service e-mailed. The sign-in flow checks the code
// and asks for a new one; this screen collects the digits and counts down before a resend.
Item {
    id: root

    property string email: ""
    property string errorMessage: ""
    property bool isVerifying: false
    readonly property alias viewModel: vm
    signal verifyRequested(string code)
    signal resendRequested()
    signal backRequested()

    objectName: "otpVerificationView"
    // The same in the popover and in the main window.
    implicitWidth: 320
    implicitHeight: column.implicitHeight + 2 * column.padding

    OtpViewModel {
        id: vm
        email: root.email
        isVerifying: root.isVerifying
        onVerifyRequested: code => root.verifyRequested(code)
        onResendRequested: root.resendRequested()
        onFocusedFieldChanged: root.focusBox(focusedField)
    }

    function focusBox(index) {
        const box = boxes.itemAt(index)
        if (box && !box.activeFocus)
            box.forceActiveFocus()
    }

    Component.onCompleted: vm.appeared()

    // The 320-wide frame stays centred when the host gives the screen a wider window.
    ColumnLayout {
        id: column
        readonly property real padding: 16
        x: Math.max(0, (root.width - root.implicitWidth) / 2) + padding
        y: padding
        width: root.implicitWidth - 2 * padding
        spacing: 16

        WDLinkButton {
            objectName: "backButton"
            glyph: "ChevronLeft"
            text: "Back"
            tint: WD.palette.text
            onClicked: root.backRequested()
        }

        WDText {
            text: "Verify with OTP"
            font.pixelSize: 17
            font.weight: Font.Bold
            color: WD.palette.textStrong
        }

        WDText {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: vm.explanation
            font.pixelSize: 12
            color: WD.palette.textMuted
        }

        Row {
            spacing: 8

            Repeater {
                id: boxes
                model: 6

                delegate: TextField {
                    required property int index
                    objectName: "digitBox" + index
                    width: 36
                    height: 44
                    padding: 0
                    horizontalAlignment: TextInput.AlignHCenter
                    verticalAlignment: TextInput.AlignVCenter
                    font.family: WD.fontFamily
                    font.pixelSize: 17
                    color: WD.palette.textStrong
                    inputMethodHints: Qt.ImhDigitsOnly
                    background: Rectangle {
                        radius: 8
                        color: WD.palette.surface
                        border.width: parent.activeFocus ? 1 : 0
                        border.color: WD.palette.brand400
                    }
                    text: vm.digits[index]
                    onTextEdited: vm.setDigit(index, text)
                    onAccepted: vm.commitBox(index)
                    onActiveFocusChanged: if (activeFocus) vm.focusBox(index)
                }
            }
        }

        WDChipButton {
            objectName: "verifyButton"
            Layout.fillWidth: true
            tint: WD.palette.brand500
            filled: true
            text: root.isVerifying ? "" : "Verify Code"
            enabled: vm.canVerify
            opacity: enabled ? 1 : 0.6
            onClicked: vm.verify()

            BusyIndicator {
                anchors.centerIn: parent
                width: 18
                height: 18
                visible: root.isVerifying
                running: visible
            }
        }

        WDText {
            objectName: "errorLine"
            Layout.fillWidth: true
            visible: root.errorMessage !== ""
            wrapMode: Text.WordWrap
            text: root.errorMessage
            font.pixelSize: 12
            font.weight: Font.Medium
            color: WD.palette.danger
        }

        WDText {
            text: "Didn't receive the verification code by email?"
            font.pixelSize: 11
            color: WD.palette.textMuted
        }

        WDText {
            Layout.topMargin: -12
            text: "Please check your spam folder, or"
            font.pixelSize: 11
            color: WD.palette.textMuted
        }

        WDChipButton {
            objectName: "resendButton"
            visible: vm.canResend
            tint: WD.palette.brand500
            filled: false
            text: "Resend code"
            onClicked: vm.resend()
        }

        WDText {
            objectName: "resendCountdown"
            visible: !vm.canResend
            text: vm.resendCountdownText
            font.pixelSize: 11
            color: WD.palette.textMuted
        }
    }
}
