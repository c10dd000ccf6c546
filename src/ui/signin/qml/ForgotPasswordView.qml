import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.SignIn

// Asks the HR service to e-mail a password-reset link for the address typed here.
Flickable {
    id: root

    property string initialEmail: ""
    property SignInBackend backend
    readonly property alias viewModel: vm
    signal backRequested()

    objectName: "forgotPasswordView"
    implicitWidth: 340
    implicitHeight: card.implicitHeight
    contentWidth: width
    contentHeight: card.implicitHeight
    boundsBehavior: Flickable.StopAtBounds
    clip: true

    ForgotPasswordViewModel {
        id: vm
        backend: root.backend
        Component.onCompleted: email = root.initialEmail
    }

    SignInHeroCard {
        id: card
        width: root.width
        banner: WD.palette.forgotBanner

        WDText {
            Layout.fillWidth: true
            textFormat: Text.StyledText
            text: "<font color=\"" + WD.palette.textStrong + "\">Forgot </font>"
                  + "<font color=\"" + WD.palette.brand500 + "\">password?</font>"
            font.pixelSize: card.titleSize
            font.weight: Font.Bold
        }

        WDText {
            Layout.fillWidth: true
            wrapMode: Text.WordWrap
            text: "Enter your account email. We'll send you a link to reset your password."
        }

        Rectangle {
            Layout.fillWidth: true
            implicitHeight: 34
            radius: 10
            color: WD.palette.surface
            border.width: 1
            border.color: Qt.rgba(WD.palette.brand400.r, WD.palette.brand400.g, WD.palette.brand400.b, 0.55)

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 12
                anchors.rightMargin: 12
                spacing: 8

                TextField {
                    id: emailField
                    objectName: "emailField"
                    Layout.fillWidth: true
                    background: null
                    leftPadding: 0
                    rightPadding: 0
                    placeholderText: "Email"
                    placeholderTextColor: WD.palette.textMuted
                    color: WD.palette.textStrong
                    font.family: WD.fontFamily
                    font.pixelSize: 13
                    inputMethodHints: Qt.ImhEmailCharactersOnly | Qt.ImhNoAutoUppercase
                    text: vm.email
                    onTextEdited: vm.email = text
                    onAccepted: vm.sendResetLink()
                }

                WDGlyph {
                    implicitWidth: 16
                    implicitHeight: 16
                    name: "WDIconMail"
                    color: WD.palette.brand500
                }
            }
        }

        WDText {
            objectName: "statusLine"
            Layout.fillWidth: true
            visible: vm.statusMessage !== ""
            wrapMode: Text.WordWrap
            text: vm.statusMessage
            font.pixelSize: 12
            color: vm.statusIsError ? WD.palette.danger : WD.success
        }

        WDGradientButton {
            id: sendButton
            objectName: "sendButton"
            Layout.topMargin: 2
            buttonHeight: 44
            steadyDigits: true
            text: vm.sendButtonText
            enabled: vm.canPressSend
            opacity: enabled ? 1 : 0.55
            onClicked: vm.sendResetLink()

            BusyIndicator {
                anchors.centerIn: parent
                width: 22
                height: 22
                visible: vm.isSending
                running: visible
            }
        }

        WDLinkButton {
            objectName: "backButton"
            Layout.alignment: Qt.AlignHCenter
            glyph: "ChevronLeft"
            text: "Back to Login"
            tint: WD.palette.brand500
            onClicked: root.backRequested()
        }

        Rectangle {
            objectName: "helpBox"
            Layout.fillWidth: true
            visible: vm.didSendSuccessfully
            opacity: visible ? 1 : 0
            implicitHeight: helpRow.implicitHeight + 24
            radius: 12
            color: Qt.rgba(WD.palette.appBackground.r, WD.palette.appBackground.g,
                           WD.palette.appBackground.b, 0.6)
            transform: Translate {
                id: slide
                y: 0
            }

            Behavior on opacity {
                NumberAnimation { duration: 250; easing.type: Easing.InOutQuad }
            }
            onVisibleChanged: if (visible) slideIn.restart()
            NumberAnimation {
                id: slideIn
                target: slide
                property: "y"
                from: 16
                to: 0
                duration: 250
                easing.type: Easing.InOutQuad
            }

            RowLayout {
                id: helpRow
                anchors.fill: parent
                anchors.margins: 12
                spacing: 10

                SignInHintIcon {
                    Layout.alignment: Qt.AlignTop
                    Layout.topMargin: 1
                }

                ColumnLayout {
                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignTop
                    spacing: 2

                    WDText {
                        text: "Didn't receive the email?"
                        font.weight: Font.DemiBold
                        color: WD.palette.textStrong
                    }

                    WDText {
                        Layout.fillWidth: true
                        wrapMode: Text.WordWrap
                        text: "Check your spam folder or contact your company's HR/admin."
                        font.pixelSize: 12
                    }
                }
            }
        }
    }
}
