#include "platform/wayland/WaylandIdleTimeSource.h"

#include "foundation/Log.h"
#include "platform/wayland/MutterIdleMonitor.h"
#include "platform/wayland/WaylandIdleNotifier.h"

namespace {

class UnknownIdleTime final : public IdleTimeSource
{
public:
    std::optional<double> secondsSinceLastInput() override { return std::nullopt; }
};

} // namespace

namespace WaylandIdleTimeSource {

std::unique_ptr<IdleTimeSource> create(const QDBusConnection &sessionBus)
{
    if (auto notifier = WaylandIdleNotifier::connect()) {
        zuvInfo(lcActivity) << "Idle time from the compositor's"
                            << WaylandIdleNotifier::protocolName(notifier->protocol());
        return notifier;
    }
    if (MutterIdleMonitor::isOffered(sessionBus)) {
        zuvInfo(lcActivity) << "Idle time from GNOME's idle monitor";
        return std::make_unique<MutterIdleMonitor>(sessionBus);
    }
    zuvInfo(lcActivity) << "This Wayland session tells no idle time; only input counted while "
                           "tracking measures it";
    return std::make_unique<UnknownIdleTime>();
}

} // namespace WaylandIdleTimeSource
