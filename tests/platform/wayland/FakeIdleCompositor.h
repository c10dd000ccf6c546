#pragma once

#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

// A Wayland server of the test's own that offers a seat and ext_idle_notifier_v1 and sends the
// idle edges when told, for the protocol that no compositor on the test machine offers. It runs
// its event loop on a thread of its own.
class FakeIdleCompositor
{
public:
    FakeIdleCompositor();
    ~FakeIdleCompositor();
    FakeIdleCompositor(const FakeIdleCompositor &) = delete;
    FakeIdleCompositor &operator=(const FakeIdleCompositor &) = delete;

    // Empty when it serves, else why not.
    QString problem() const { return m_problem; }
    QString socketPath() const { return m_socketPath; }

    // The timeout of the latest notification a client asked for, 0 before any.
    quint32 requestedTimeout() const { return m_requestedTimeout; }

    void sendIdled() { command('i'); }
    void sendResumed() { command('r'); }
    // Ends the server and every client's connection.
    void quit();

private:
    void command(char what);
    static int handleCommand(int fd, uint32_t mask, void *self);
    static void bindSeat(struct wl_client *client, void *self, uint32_t version, uint32_t id);
    static void bindNotifier(struct wl_client *client, void *self, uint32_t version, uint32_t id);
    static void getIdleNotification(struct wl_client *client, struct wl_resource *notifier,
                                    uint32_t id, uint32_t timeout, struct wl_resource *seat);
    static void destroyResource(struct wl_client *client, struct wl_resource *resource);
    static void forgetNotification(struct wl_resource *resource);

    QTemporaryDir m_runtimeDir;
    struct wl_display *m_display = nullptr;
    struct wl_resource *m_notification = nullptr; // touched on the server thread only
    int m_commandRead = -1;
    int m_commandWrite = -1;
    std::atomic<quint32> m_requestedTimeout{0};
    std::thread m_thread;
    QString m_socketPath;
    QString m_problem;
};
