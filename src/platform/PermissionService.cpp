#include "platform/PermissionService.h"

#include "foundation/Log.h"
#include "platform/PermissionProbe.h"
#include "platform/PlatformServices.h"
#include "platform/SessionType.h"
#include "platform/portal/PortalBackendPackage.h"
#include "platform/portal/PortalCapture.h"

#include <mutex>

namespace {

std::mutex s_mutex;
std::shared_ptr<PermissionProbe> s_probe;
bool s_prompted = false;

std::shared_ptr<PermissionProbe> probe()
{
    std::lock_guard lock(s_mutex);
    if (!s_probe)
        s_probe = PlatformServices::createPermissionProbe();
    return s_probe;
}

} // namespace

bool PermissionService::hasInputMonitoringPermission()
{
    const bool granted = probe()->canListenToInput();
    zuvDebug(lcPermissions) << "IOHIDCheckAccess(ListenEvent) ="
                            << (granted ? "Granted" : "Denied");
    return granted;
}

bool PermissionService::requestInputMonitoringPermissionIfNeeded()
{
    if (hasInputMonitoringPermission())
        return true;
    {
        std::lock_guard lock(s_mutex);
        if (s_prompted) {
            zuvDebug(lcPermissions) << "IOHIDRequestAccess: skipped (already prompted this launch)";
            return false;
        }
        s_prompted = true;
    }
    // No prompt can grant it here: the display server either offers raw input or it does not.
    const bool granted = probe()->canListenToInput();
    zuvInfo(lcPermissions) << "IOHIDRequestAccess(ListenEvent) ="
                           << (granted ? "granted" : "denied");
    return granted;
}

bool PermissionService::hasScreenRecordingPermission()
{
    const bool granted = probe()->canCaptureScreen();
    zuvDebug(lcPermissions) << "Screen recording probe:" << (granted ? "granted" : "denied");
    return granted;
}

QString PermissionService::screenRecordingAdvice()
{
    if (PlatformServices::sessionType() != SessionType::Wayland)
        return QStringLiteral("Run the app in an X11 session that lets it read the screen.");
    if (!PortalCapture::offersCapture())
        return noScreenSharingServiceAdvice(qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    return QStringLiteral("Press Open and choose the screens to share in the desktop's "
                          "screen-sharing dialog.");
}

QString PermissionService::noScreenSharingServiceAdvice(const QString &currentDesktop)
{
    const QString package = PortalBackendPackage::forDesktop(currentDesktop);
    if (package.isEmpty())
        return QStringLiteral("No screen-sharing service is installed: install your desktop's "
                              "xdg-desktop-portal backend, then sign out of the desktop and in "
                              "again.");
    return QStringLiteral("No screen-sharing service is installed: install %1, then sign out of "
                          "the desktop and in again.")
        .arg(package);
}

QString PermissionService::inputMonitoringAdvice()
{
    if (PlatformServices::sessionType() != SessionType::Wayland)
        return QStringLiteral(
            "Run the app in an X11 session whose server offers XInput 2.2 or later.");
    return inputAdviceFor(probe()->lastInputRefusal());
}

QString PermissionService::inputAdviceFor(PermissionProbe::InputRefusal refusal)
{
    if (refusal == PermissionProbe::InputRefusal::NoDevices)
        return QStringLiteral("This computer has no keyboard or mouse that the desktop's seat "
                              "offers, so there is no activity to count. Connect one, then press "
                              "Check Again.");
    return QStringLiteral("Your account may not read the keyboards and mice. Ask an administrator "
                          "to enable the app's input access rule or to add your account to the "
                          "\u201cinput\u201d group, then sign out of the desktop and in again.");
}

QString PermissionService::screenCaptureLostText()
{
    if (PlatformServices::sessionType() == SessionType::Wayland)
        return QStringLiteral(
            "The desktop stopped sharing the screen with the app, so tracking was "
            "stopped. Quit and reopen the app, and choose the screens to share "
            "when the desktop asks.");
    return QStringLiteral("The display server refused to let the app read the screen, so tracking "
                          "was stopped. Run the app in an X11 session that allows it, then quit "
                          "and reopen the app.");
}

bool PermissionService::canAskForScreenRecording()
{
    return PlatformServices::sessionType() == SessionType::Wayland &&
           PortalCapture::offersCapture();
}

bool PermissionService::openScreenRecordingSettings()
{
    if (canAskForScreenRecording()) {
        const bool asked = PortalCapture::askForGrant();
        zuvInfo(lcPermissions) << (asked ? "Screen sharing asked of the desktop"
                                         : "Screen sharing cannot be asked for: no capture");
        return asked;
    }
    zuvInfo(lcPermissions) << "There is no screen recording settings page on this system; the X "
                              "display decides whether the screen can be read";
    return false;
}

bool PermissionService::openInputMonitoringSettings()
{
    if (PlatformServices::sessionType() == SessionType::Wayland) {
        zuvInfo(lcPermissions) << "There is no input monitoring settings page on this system; "
                                  "read access to the input devices decides whether input can be "
                                  "listened to, and an administrator grants it through the "
                                  "app's input access rule or the \"input\" group";
        return false;
    }
    zuvInfo(lcPermissions) << "There is no input monitoring settings page on this system; the X "
                              "display decides whether input can be listened to";
    return false;
}

bool PermissionService::revokePermissions()
{
    zuvInfo(lcPermissions) << "Permissions cannot be reset on this system: none are stored";
    return false;
}

void PermissionService::setProbe(std::shared_ptr<PermissionProbe> replacement)
{
    std::lock_guard lock(s_mutex);
    s_probe = std::move(replacement);
    s_prompted = false;
}
