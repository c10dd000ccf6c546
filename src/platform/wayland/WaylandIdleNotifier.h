#pragma once

#include "foundation/Clock.h"
#include "platform/IdleTimeSource.h"
#include "platform/WakePipe.h"
#include "platform/wayland/IdleNotificationState.h"

#include <atomic>
#include <memory>
#include <thread>

struct ext_idle_notification_v1;
struct ext_idle_notifier_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;
struct wl_display;
struct wl_registry;
struct wl_seat;

// The compositor's idle notification over a Wayland connection of its own: ext_idle_notifier_v1
// where offered, else KDE's org_kde_kwin_idle (wlroots compositors). A thread of its own reads
// the connection, so each edge is timed when it arrives rather than when the idle poll asks.
class WaylandIdleNotifier final : public IdleTimeSource
{
public:
    enum class Protocol
    {
        ExtIdleNotify,
        KdeIdle,
    };

    // How long without input makes the compositor say "idled": the error of every reading.
    static constexpr int timeoutMilliseconds = 1000;

    // Connects to the compositor named by WAYLAND_DISPLAY. Null when it cannot be reached or
    // offers neither protocol.
    static std::unique_ptr<WaylandIdleNotifier> connect(const Clock &clock = systemClock());
    ~WaylandIdleNotifier() override;
    WaylandIdleNotifier(const WaylandIdleNotifier &) = delete;
    WaylandIdleNotifier &operator=(const WaylandIdleNotifier &) = delete;

    Protocol protocol() const { return m_protocol; }
    static const char *protocolName(Protocol protocol);

    // None once the compositor closed the connection.
    std::optional<double> secondsSinceLastInput() override;

private:
    explicit WaylandIdleNotifier(const Clock &clock);
    bool bind();
    bool subscribe();
    void run();
    bool readAndDispatch();

    static void handleGlobal(void *self, wl_registry *registry, uint32_t name,
                             const char *interface, uint32_t version);
    static void handleGlobalRemove(void *self, wl_registry *registry, uint32_t name);
    static void handleIdled(void *self, ext_idle_notification_v1 *);
    static void handleResumed(void *self, ext_idle_notification_v1 *);
    static void handleKdeIdle(void *self, org_kde_kwin_idle_timeout *);
    static void handleKdeResumed(void *self, org_kde_kwin_idle_timeout *);

    IdleNotificationState m_state;
    Protocol m_protocol = Protocol::ExtIdleNotify;
    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    ext_idle_notifier_v1 *m_extNotifier = nullptr;
    ext_idle_notification_v1 *m_extNotification = nullptr;
    org_kde_kwin_idle *m_kdeIdle = nullptr;
    org_kde_kwin_idle_timeout *m_kdeTimeout = nullptr;
    WakePipe m_wakePipe{"the idle connection"};
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_broken{false};
    std::atomic<bool> m_reportedBroken{false};
    std::thread m_thread;
};
