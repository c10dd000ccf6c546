#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A real Wayland compositor without any screen or input device, run for one test as an
// unprivileged user (scripts/compositor-test-user.sh) in a runtime folder of its own. The test
// process reaches it through the socket's full path in WAYLAND_DISPLAY, and Mutter through the
// session bus it gets of its own (which lets root in, so the test can talk to it).
class HeadlessCompositor
{
public:
    enum class Kind
    {
        Sway,   // wlroots: org_kde_kwin_idle
        KWin,   // ext_idle_notifier_v1
        Mutter, // no idle protocol; org.gnome.Mutter.IdleMonitor on its session bus
    };

    explicit HeadlessCompositor(Kind kind);
    ~HeadlessCompositor();
    HeadlessCompositor(const HeadlessCompositor &) = delete;
    HeadlessCompositor &operator=(const HeadlessCompositor &) = delete;

    static QString executable(Kind kind);

    // Empty when the compositor runs, else why it does not.
    QString problem() const { return m_problem; }
    QString socketPath() const { return m_socketPath; }
    // Mutter's session bus.
    QDBusConnection bus() const;

    // Presses and releases one key through the compositor's virtual keyboard (Mutter's remote
    // desktop for Mutter).
    bool typeKey();
    // Ends the compositor (not its bus), as a crash of the desktop would.
    void kill();

private:
    QString start(Kind kind);
    std::unique_ptr<QProcess> startAs(const QString &user, QStringList command);
    QStringList commandFor(Kind kind, const QString &home) const;
    QString waitForSocket();
    bool typeKeyThroughRemoteDesktop();
    static void end(QProcess *process);

    Kind m_kind;
    QTemporaryDir m_runtimeDir{QStringLiteral("/tmp/zuv-compositor-XXXXXX")};
    std::unique_ptr<QProcess> m_bus; // Mutter's session bus
    std::unique_ptr<QProcess> m_process;
    QString m_socketPath;
    QString m_busName;
    QString m_remoteDesktopSession;
    QString m_problem;
};
