#include "platform/wayland/WaylandIdleNotifier.h"

#include "foundation/Log.h"
#include "platform/ThreadName.h"

#include <ext-idle-notify-v1-client-protocol.h>
#include <idle-client-protocol.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstring>
#include <poll.h>

namespace {

constexpr const char *threadName = "com.wendoka.zuvevivezid.idle.wayland";

} // namespace

WaylandIdleNotifier::WaylandIdleNotifier(const Clock &clock)
    : m_state(clock, timeoutMilliseconds / 1000.0)
{}

std::unique_ptr<WaylandIdleNotifier> WaylandIdleNotifier::connect(const Clock &clock)
{
    std::unique_ptr<WaylandIdleNotifier> notifier(new WaylandIdleNotifier(clock));
    if (!notifier->bind() || !notifier->subscribe())
        return nullptr;
    notifier->m_thread = std::thread([raw = notifier.get()] { raw->run(); });
    return notifier;
}

WaylandIdleNotifier::~WaylandIdleNotifier()
{
    m_stopRequested = true;
    m_wakePipe.wake();
    if (m_thread.joinable())
        m_thread.join();
    if (m_extNotification)
        ext_idle_notification_v1_destroy(m_extNotification);
    if (m_extNotifier)
        ext_idle_notifier_v1_destroy(m_extNotifier);
    if (m_kdeTimeout)
        org_kde_kwin_idle_timeout_release(m_kdeTimeout);
    if (m_kdeIdle)
        org_kde_kwin_idle_destroy(m_kdeIdle);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

const char *WaylandIdleNotifier::protocolName(Protocol protocol)
{
    return protocol == Protocol::ExtIdleNotify ? "ext_idle_notifier_v1" : "org_kde_kwin_idle";
}

std::optional<double> WaylandIdleNotifier::secondsSinceLastInput()
{
    if (m_broken) {
        if (!m_reportedBroken.exchange(true))
            zuvError(lcActivity) << "The compositor closed the idle connection; idle time is "
                                    "no longer known";
        return std::nullopt;
    }
    return m_state.secondsSinceLastInput();
}

bool WaylandIdleNotifier::bind()
{
    m_display = wl_display_connect(nullptr);
    if (!m_display)
        return false;
    if (!m_wakePipe.isValid())
        return false;
    static const wl_registry_listener registryListener = {&WaylandIdleNotifier::handleGlobal,
                                                          &WaylandIdleNotifier::handleGlobalRemove};
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &registryListener, this);
    if (wl_display_roundtrip(m_display) < 0)
        return false;
    return m_seat && (m_extNotifier || m_kdeIdle);
}

bool WaylandIdleNotifier::subscribe()
{
    if (m_extNotifier) {
        static const ext_idle_notification_v1_listener listener = {
            &WaylandIdleNotifier::handleIdled, &WaylandIdleNotifier::handleResumed};
        m_protocol = Protocol::ExtIdleNotify;
        m_extNotification =
            ext_idle_notifier_v1_get_idle_notification(m_extNotifier, timeoutMilliseconds, m_seat);
        ext_idle_notification_v1_add_listener(m_extNotification, &listener, this);
    } else {
        static const org_kde_kwin_idle_timeout_listener listener = {
            &WaylandIdleNotifier::handleKdeIdle, &WaylandIdleNotifier::handleKdeResumed};
        m_protocol = Protocol::KdeIdle;
        m_kdeTimeout = org_kde_kwin_idle_get_idle_timeout(m_kdeIdle, m_seat, timeoutMilliseconds);
        org_kde_kwin_idle_timeout_add_listener(m_kdeTimeout, &listener, this);
    }
    return wl_display_roundtrip(m_display) >= 0;
}

void WaylandIdleNotifier::run()
{
    ThreadName::setForCurrentThread(threadName);
    while (!m_stopRequested && readAndDispatch()) {
    }
    if (!m_stopRequested)
        m_broken = true;
}

bool WaylandIdleNotifier::readAndDispatch()
{
    // libwayland's reading protocol: queued events first, then one read between prepare and
    // read (or cancel), so no event sits unseen while the thread waits.
    if (wl_display_prepare_read(m_display) != 0)
        return wl_display_dispatch_pending(m_display) >= 0;
    if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(m_display);
        return false;
    }
    pollfd fds[2] = {{wl_display_get_fd(m_display), POLLIN, 0}, {m_wakePipe.readFd(), POLLIN, 0}};
    const int ready = poll(fds, 2, -1);
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
        // A closed connection makes the read fail.
        if (wl_display_read_events(m_display) < 0)
            return false;
    } else {
        wl_display_cancel_read(m_display);
        if (ready < 0 && errno != EINTR)
            return false;
    }
    return wl_display_dispatch_pending(m_display) >= 0;
}

void WaylandIdleNotifier::handleGlobal(void *self, wl_registry *registry, uint32_t name,
                                       const char *interface, uint32_t)
{
    auto *notifier = static_cast<WaylandIdleNotifier *>(self);
    const auto bindOne = [&](const wl_interface *wanted) -> void * {
        return wl_registry_bind(registry, name, wanted, 1);
    };
    if (!notifier->m_seat && std::strcmp(interface, wl_seat_interface.name) == 0)
        notifier->m_seat = static_cast<wl_seat *>(bindOne(&wl_seat_interface));
    else if (!notifier->m_extNotifier &&
             std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        notifier->m_extNotifier =
            static_cast<ext_idle_notifier_v1 *>(bindOne(&ext_idle_notifier_v1_interface));
    else if (!notifier->m_kdeIdle && std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        notifier->m_kdeIdle =
            static_cast<org_kde_kwin_idle *>(bindOne(&org_kde_kwin_idle_interface));
}

void WaylandIdleNotifier::handleGlobalRemove(void *, wl_registry *, uint32_t) {}

void WaylandIdleNotifier::handleIdled(void *self, ext_idle_notification_v1 *)
{
    static_cast<WaylandIdleNotifier *>(self)->m_state.idled();
}

void WaylandIdleNotifier::handleResumed(void *self, ext_idle_notification_v1 *)
{
    static_cast<WaylandIdleNotifier *>(self)->m_state.resumed();
}

void WaylandIdleNotifier::handleKdeIdle(void *self, org_kde_kwin_idle_timeout *)
{
    static_cast<WaylandIdleNotifier *>(self)->m_state.idled();
}

void WaylandIdleNotifier::handleKdeResumed(void *self, org_kde_kwin_idle_timeout *)
{
    static_cast<WaylandIdleNotifier *>(self)->m_state.resumed();
}
