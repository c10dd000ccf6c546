#include "platform/portal/PortalCapture.h"

#include "foundation/Log.h"
#include "platform/PermissionChanges.h"
#include "platform/portal/PortalDisplayCaptureBackend.h"
#include "platform/portal/PortalScreenCast.h"
#include "platform/portal/ScreenLayoutWatcher.h"

#include <QCoreApplication>

#include <mutex>

namespace {

std::mutex s_mutex;
std::weak_ptr<PortalScreenCast> s_screenCast;

} // namespace

namespace PortalCapture {

std::shared_ptr<PortalScreenCast> sharedScreenCast()
{
    std::lock_guard lock(s_mutex);
    return s_screenCast.lock();
}

std::unique_ptr<DisplayCaptureBackend> createDisplayCaptureBackend(SettingsStore &settings)
{
    std::shared_ptr<PortalScreenCast> screenCast;
    {
        std::lock_guard lock(s_mutex);
        screenCast = s_screenCast.lock();
        if (!screenCast) {
            PortalScreenCast::Options options;
            options.grantChanged = [] {
                PermissionChanges::instance().announce();
            };
            screenCast = std::make_shared<PortalScreenCast>(std::move(options));
            s_screenCast = screenCast;
        }
    }
    screenCast->setRestoreTokenStore(&settings);
    // The watcher follows the screens on the GUI thread for as long as the application lives.
    const auto *watcher = new ScreenLayoutWatcher(QCoreApplication::instance());
    return std::make_unique<PortalDisplayCaptureBackend>(
        screenCast, [layout = watcher->layout()] { return layout->screens(); });
}

bool canCaptureScreen()
{
    const std::shared_ptr<PortalScreenCast> screenCast = sharedScreenCast();
    if (!screenCast) {
        zuvDebug(lcPermissions) << "No portal capture backend yet: screen capture not granted";
        return false;
    }
    return screenCast->canCaptureScreen();
}

bool askForGrant()
{
    const std::shared_ptr<PortalScreenCast> screenCast = sharedScreenCast();
    if (!screenCast)
        return false;
    return screenCast->requestGrant();
}

bool offersCapture()
{
    const std::shared_ptr<PortalScreenCast> screenCast = sharedScreenCast();
    return !screenCast || screenCast->snapshot().method != PortalScreenCast::Method::None;
}

} // namespace PortalCapture
