import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Zuvevivezid.Design

// Stand-in until the one-time-code screen is merged: the same properties and signals.
ColumnLayout {
    property string email
    property string errorMessage
    property bool isVerifying

    signal verifyRequested(string code)
    signal resendRequested()
    signal backRequested()

    objectName: "otpVerificationView"

    WDText { text: email }
    WDText { text: errorMessage; visible: errorMessage !== "" }
}
