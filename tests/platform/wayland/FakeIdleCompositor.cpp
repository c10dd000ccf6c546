#include "FakeIdleCompositor.h"

#include <ext-idle-notify-v1-server-protocol.h>
#include <wayland-server.h>

#include <fcntl.h>
#include <unistd.h>

FakeIdleCompositor::FakeIdleCompositor()
{
    int fds[2];
    m_display = wl_display_create();
    if (!m_display || !m_runtimeDir.isValid() || pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_problem = QStringLiteral("cannot set up a Wayland server");
        return;
    }
    m_commandRead = fds[0];
    m_commandWrite = fds[1];
    m_socketPath = m_runtimeDir.filePath(QStringLiteral("wayland-fake"));
    const QByteArray socket = m_socketPath.toLocal8Bit();
    // A full path makes libwayland ignore XDG_RUNTIME_DIR.
    if (wl_display_add_socket(m_display, socket.constData()) != 0) {
        m_problem = QStringLiteral("cannot listen on ") + m_socketPath;
        return;
    }
    wl_global_create(m_display, &wl_seat_interface, 1, this, &FakeIdleCompositor::bindSeat);
    wl_global_create(m_display, &ext_idle_notifier_v1_interface, 1, this,
                     &FakeIdleCompositor::bindNotifier);
    wl_event_loop_add_fd(wl_display_get_event_loop(m_display), m_commandRead, WL_EVENT_READABLE,
                         &FakeIdleCompositor::handleCommand, this);
    m_thread = std::thread([display = m_display] { wl_display_run(display); });
}

FakeIdleCompositor::~FakeIdleCompositor()
{
    quit();
    if (m_display)
        wl_display_destroy(m_display);
    if (m_commandRead >= 0)
        ::close(m_commandRead);
    if (m_commandWrite >= 0)
        ::close(m_commandWrite);
}

void FakeIdleCompositor::quit()
{
    if (!m_thread.joinable())
        return;
    command('q');
    m_thread.join();
    wl_display_destroy_clients(m_display);
}

void FakeIdleCompositor::command(char what)
{
    [[maybe_unused]] const ssize_t written = write(m_commandWrite, &what, 1);
}

int FakeIdleCompositor::handleCommand(int fd, uint32_t, void *self)
{
    auto *compositor = static_cast<FakeIdleCompositor *>(self);
    char what = 0;
    while (read(fd, &what, 1) == 1) {
        if (what == 'q')
            wl_display_terminate(compositor->m_display);
        else if (compositor->m_notification && what == 'i')
            ext_idle_notification_v1_send_idled(compositor->m_notification);
        else if (compositor->m_notification && what == 'r')
            ext_idle_notification_v1_send_resumed(compositor->m_notification);
    }
    wl_display_flush_clients(compositor->m_display);
    return 0;
}

void FakeIdleCompositor::bindSeat(wl_client *client, void *, uint32_t version, uint32_t id)
{
    // The client under test only names the seat; it asks nothing of it.
    wl_resource_create(client, &wl_seat_interface, static_cast<int>(version), id);
}

void FakeIdleCompositor::bindNotifier(wl_client *client, void *self, uint32_t version, uint32_t id)
{
    static const struct ext_idle_notifier_v1_interface implementation = {
        &FakeIdleCompositor::destroyResource, &FakeIdleCompositor::getIdleNotification};
    wl_resource *notifier =
        wl_resource_create(client, &ext_idle_notifier_v1_interface, static_cast<int>(version), id);
    wl_resource_set_implementation(notifier, &implementation, self, nullptr);
}

void FakeIdleCompositor::getIdleNotification(wl_client *client, wl_resource *notifier, uint32_t id,
                                             uint32_t timeout, wl_resource *)
{
    static const struct ext_idle_notification_v1_interface implementation = {
        &FakeIdleCompositor::destroyResource};
    auto *compositor = static_cast<FakeIdleCompositor *>(wl_resource_get_user_data(notifier));
    compositor->m_notification = wl_resource_create(client, &ext_idle_notification_v1_interface,
                                                    wl_resource_get_version(notifier), id);
    wl_resource_set_implementation(compositor->m_notification, &implementation, compositor,
                                   &FakeIdleCompositor::forgetNotification);
    compositor->m_requestedTimeout = timeout;
}

void FakeIdleCompositor::destroyResource(wl_client *, wl_resource *resource)
{
    wl_resource_destroy(resource);
}

void FakeIdleCompositor::forgetNotification(wl_resource *resource)
{
    auto *compositor = static_cast<FakeIdleCompositor *>(wl_resource_get_user_data(resource));
    if (compositor->m_notification == resource)
        compositor->m_notification = nullptr;
}
