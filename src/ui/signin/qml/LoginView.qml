import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.SignIn

// The whole sign-in screen: the credentials form, or the sub-screen of the current phase.
Item {
    id: loginView

    property alias backend: model.backend
    property alias completion: model.completion
    readonly property LoginViewModel viewModel: model
    property bool compact: WDEnvironment.wdCompact
    property bool showNoAccountInfo: false

    objectName: "loginView"

    LoginViewModel { id: model }

    Loader {
        anchors.fill: parent
        sourceComponent: {
            switch (model.phase) {
            case LoginViewModel.Otp: return otpScreen
            case LoginViewModel.CompanySelection: return companyScreen
            case LoginViewModel.ForgotPassword: return forgotScreen
            default: return formScreen
            }
        }
    }

    Component {
        id: otpScreen
        OTPVerificationView {
            email: model.otpEmail
            errorMessage: model.otpErrorMessage
            isVerifying: model.otpVerifying
            onVerifyRequested: code => model.performVerifyOtp(code)
            onResendRequested: model.performResendOtp()
            onBackRequested: model.backToForm()
        }
    }

    Component {
        id: companyScreen
        CompanySelectionView {
            companies: model.companies
            userName: model.companyUserName
            lastEndpoint: model.lastCompanyEndpoint
            busy: model.companyPickBusy
            onCompanyPicked: index => model.performCompanySelect(index)
        }
    }

    Component {
        id: forgotScreen
        ForgotPasswordView {
            initialEmail: model.forgotPasswordEmail
            backend: model.backend
            onBackRequested: model.backToForm()
        }
    }

    Component {
        id: formScreen

        Item {
            objectName: "loginForm"

            Flickable {
                anchors.fill: parent
                contentHeight: card.height + 2 * cardMargin
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                readonly property real cardMargin: loginView.compact ? 10 : 16

                Rectangle {
                    id: card
                    objectName: "loginCard"
                    x: parent.parent.cardMargin
                    y: parent.parent.cardMargin
                    width: loginView.width - 2 * x
                    height: column.implicitHeight
                    radius: 18
                    color: WD.palette.surfaceSoft
                    clip: true

                    ColumnLayout {
                        id: column
                        width: parent.width
                        spacing: 0

                        WDHeroBannerCrop {
                            objectName: "heroBanner"
                            Layout.fillWidth: true
                            Layout.preferredHeight: loginView.compact ? 150 : 195
                            imageName: WD.palette.loginBanner.imageName
                            imageAspect: WD.palette.loginBanner.aspect
                            window: WD.palette.loginBanner.window
                            charCenterX: WD.palette.loginBanner.charCenterX
                            topBias: WD.palette.loginBanner.topBias
                            clip: true
                        }

                        ColumnLayout {
                            Layout.fillWidth: true
                            Layout.margins: loginView.compact ? 14 : 20
                            spacing: 12

                            RowLayout {
                                spacing: 7
                                Image {
                                    source: WD.assetUrl("DezorivIdedIderi")
                                    fillMode: Image.PreserveAspectFit
                                    Layout.preferredHeight: loginView.compact ? 17 : 20
                                    Layout.preferredWidth: height * (implicitHeight > 0 ? implicitWidth / implicitHeight : 1)
                                }
                                WDText {
                                    text: "DeroRuvedid"
                                    color: WD.palette.brand500
                                    font.bold: true
                                    font.pixelSize: loginView.compact ? 19 : 22
                                }
                            }

                            WDText {
                                Layout.fillWidth: true
                                wrapMode: Text.WordWrap
                                text: qsTr("Manage your team's working hours easily, accurately, and fully integrated.")
                            }

                            InputRow {
                                Layout.fillWidth: true
                                TextField {
                                    id: emailField
                                    objectName: "emailField"
                                    Layout.fillWidth: true
                                    placeholderText: qsTr("Email")
                                    text: model.email
                                    background: null
                                    color: WD.palette.textStrong
                                    font.pixelSize: 13
                                    onTextEdited: model.email = text
                                    onAccepted: model.performLogin()
                                }
                                WDGlyph {
                                    implicitWidth: 16
                                    implicitHeight: 16
                                    visible: valid
                                    name: "WDIconMail"
                                    color: WD.palette.brand500
                                }
                            }

                            InputRow {
                                Layout.fillWidth: true
                                TextField {
                                    id: passwordField
                                    objectName: "passwordField"
                                    Layout.fillWidth: true
                                    placeholderText: qsTr("Password")
                                    text: model.password
                                    echoMode: model.showPassword ? TextInput.Normal : TextInput.Password
                                    background: null
                                    color: WD.palette.textStrong
                                    font.pixelSize: 13
                                    onTextEdited: model.password = text
                                    onAccepted: model.performLogin()
                                }
                                AbstractButton {
                                    id: eye
                                    objectName: "passwordEye"
                                    readonly property string glyphName: model.showPassword ? "WDIconEyeOff" : "WDIconEye"
                                    implicitWidth: eyeGlyph.valid ? 17 : eyeText.implicitWidth
                                    implicitHeight: 17
                                    hoverEnabled: true
                                    ToolTip.visible: hovered
                                    ToolTip.text: model.showPassword ? qsTr("Hide password") : qsTr("Show password")
                                    onClicked: model.showPassword = !model.showPassword
                                    contentItem: Item {
                                        WDGlyph {
                                            id: eyeGlyph
                                            anchors.fill: parent
                                            name: eye.glyphName
                                            color: eye.hovered ? WD.palette.brand700 : WD.palette.brand500
                                        }
                                        // Without the eye artwork the control still says what it does.
                                        WDText {
                                            id: eyeText
                                            anchors.centerIn: parent
                                            visible: !eyeGlyph.valid
                                            font.pixelSize: 11
                                            color: eye.hovered ? WD.palette.brand700 : WD.palette.brand500
                                            text: model.showPassword ? qsTr("Hide") : qsTr("Show")
                                        }
                                    }
                                }
                            }

                            RowLayout {
                                Layout.fillWidth: true
                                Item { Layout.fillWidth: true }
                                WDLinkButton {
                                    objectName: "forgotPasswordLink"
                                    text: qsTr("Forgot password?")
                                    onClicked: model.showForgotPassword()
                                }
                            }

                            Rectangle {
                                objectName: "messageRow"
                                Layout.fillWidth: true
                                visible: model.shownMessage !== ""
                                implicitHeight: messageText.implicitHeight + 14
                                radius: 8
                                color: Qt.rgba(WD.palette.danger.r, WD.palette.danger.g, WD.palette.danger.b, 0.12)
                                WDGlyph {
                                    objectName: "messageSymbol"
                                    x: 10
                                    y: 7 + (Math.min(messageText.implicitHeight, 16) - height) / 2
                                    width: 14
                                    height: 14
                                    name: "ExclamationCircle"
                                    color: WD.palette.danger
                                }
                                WDText {
                                    id: messageText
                                    objectName: "messageText"
                                    x: 30
                                    y: 7
                                    width: parent.width - 40
                                    wrapMode: Text.WordWrap
                                    color: WD.palette.danger
                                    font.pixelSize: 12
                                    font.weight: Font.Medium
                                    text: model.shownMessage
                                }
                            }

                            WDGradientButton {
                                objectName: "loginButton"
                                Layout.fillWidth: true
                                Layout.topMargin: 2
                                buttonHeight: 44
                                enabled: model.isFormComplete
                                opacity: enabled ? 1 : 0.55
                                text: model.isLoading ? "" : qsTr("Login")
                                onClicked: model.performLogin()
                                BusyIndicator {
                                    anchors.centerIn: parent
                                    width: 18
                                    height: 18
                                    visible: model.isLoading
                                    running: visible
                                }
                            }

                            // Stacked in the popover: side by side the two are wider than its card.
                            GridLayout {
                                Layout.alignment: Qt.AlignHCenter
                                Layout.bottomMargin: 4
                                columns: loginView.compact ? 1 : 2
                                rowSpacing: 2
                                WDText {
                                    Layout.alignment: Qt.AlignHCenter
                                    text: qsTr("Don't have an account?")
                                    font.pixelSize: loginView.compact ? 11 : 12
                                }
                                WDLinkButton {
                                    Layout.alignment: Qt.AlignHCenter
                                    objectName: "noAccountLink"
                                    text: qsTr("Contact your administrator")
                                    onClicked: loginView.showNoAccountInfo = true
                                }
                            }
                        }
                    }
                }
            }

            Rectangle {
                objectName: "noAccountCard"
                visible: loginView.showNoAccountInfo
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.margins: loginView.compact ? 10 : 16
                height: noAccountColumn.implicitHeight + 32
                radius: 16
                color: WD.palette.surface

                ColumnLayout {
                    id: noAccountColumn
                    x: 16
                    y: 16
                    width: parent.width - 32
                    spacing: 10

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 12
                        WDIconCircle { assetName: "PersonBadgePlus"; diameter: 36; Layout.alignment: Qt.AlignTop }
                        ColumnLayout {
                            Layout.fillWidth: true
                            spacing: 4
                            WDText {
                                text: qsTr("Don't have an account?")
                                font.pixelSize: 14
                                font.bold: true
                                color: WD.palette.textStrong
                            }
                            WDText {
                                Layout.fillWidth: true
                                wrapMode: Text.WordWrap
                                font.pixelSize: 12
                                text: qsTr("Zudevav EvozUvarevu accounts are created by your company's owner or HR on Wendoka. If you don't have an account yet, please contact your HR or company administrator to get one.")
                            }
                        }
                        WDLinkButton {
                            objectName: "noAccountCloseControl"
                            glyph: "XMark"
                            glyphSize: 11
                            tint: WD.palette.textMuted
                            Layout.alignment: Qt.AlignTop
                            onClicked: loginView.showNoAccountInfo = false
                        }
                    }

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 8
                        Rectangle { Layout.fillWidth: true; height: 1; color: WD.palette.border }
                        WDText { text: qsTr("or"); font.pixelSize: 11; font.weight: Font.DemiBold; color: WD.palette.brand500 }
                        Rectangle { Layout.fillWidth: true; height: 1; color: WD.palette.border }
                    }

                    RowLayout {
                        Layout.fillWidth: true
                        Item { implicitWidth: 36 }
                        WDText {
                            Layout.fillWidth: true
                            wrapMode: Text.WordWrap
                            font.pixelSize: 12
                            text: qsTr("If you are the company owner or HR, you can register your company at %1.").arg(WD.productSiteDomain)
                        }
                    }

                    RowLayout {
                        Layout.fillWidth: true
                        spacing: 10
                        Item { Layout.fillWidth: true }
                        WDChipButton {
                            objectName: "noAccountClose"
                            text: qsTr("Close")
                            tint: WD.palette.text
                            borderTint: WD.palette.border
                            filled: false
                            onClicked: loginView.showNoAccountInfo = false
                        }
                        WDChipButton {
                            objectName: "visitSite"
                            glyph: "ArrowUpRightSquare"
                            text: qsTr("Visit") + " " + WD.productSiteDomain
                            filled: true
                            onClicked: WD.openProductSite()
                        }
                    }
                }
            }
        }
    }

    // One input row of the form: content and trailing view on the surface, outlined.
    component InputRow: Rectangle {
        default property alias content: row.data
        implicitHeight: 34
        radius: 10
        color: WD.palette.surface
        border.width: 1
        border.color: Qt.rgba(WD.palette.brand400.r, WD.palette.brand400.g, WD.palette.brand400.b, 0.55)
        RowLayout {
            id: row
            anchors.fill: parent
            anchors.leftMargin: 12
            anchors.rightMargin: 12
            spacing: 8
        }
    }
}
