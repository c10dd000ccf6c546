#pragma once

#include "platform/IdleTimeSource.h"

#include <QDBusConnection>

#include <memory>

// The best idle time a Wayland session offers, chosen once: the compositor's ext_idle_notifier_v1,
// else its org_kde_kwin_idle, else GNOME's idle monitor on the session bus, else none (then the
// input reader's own idle time serves while tracking). The choice is logged.
namespace WaylandIdleTimeSource {

std::unique_ptr<IdleTimeSource>
create(const QDBusConnection &sessionBus = QDBusConnection::sessionBus());

} // namespace WaylandIdleTimeSource
