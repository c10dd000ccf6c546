import QtQuick
import QtQuick.Layouts
import Zuvevivezid.Design
import Zuvevivezid.SignIn

// Stand-in until the forgotten-password screen is merged: the same properties and signal.
ColumnLayout {
    property string initialEmail
    property SignInBackend backend

    signal backRequested()

    objectName: "forgotPasswordView"

    WDText { text: initialEmail }
}
