#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A real Wayland compositor without any screen or input device, run for one test as an
// unprivileged user (scripts/compositor-test-user.sh) in a runtime folder of its own. The test
// process reaches it through the socket's full path in WAYLAND_DISPLAY.
class HeadlessCompositor
{
public:
    enum class Kind
    {
        Sway, // wlroots: org_kde_kwin_idle
        KWin, // ext_idle_notifier_v1
    };

    explicit HeadlessCompositor(Kind kind);
    ~HeadlessCompositor();
    HeadlessCompositor(const HeadlessCompositor &) = delete;
    HeadlessCompositor &operator=(const HeadlessCompositor &) = delete;

    static QString executable(Kind kind);

    // Empty when the compositor runs, else why it does not.
    QString problem() const { return m_problem; }
    QString socketPath() const { return m_socketPath; }

    // Presses and releases one key through the compositor's virtual keyboard.
    bool typeKey();
    // Ends the compositor, as a crash of the desktop would.
    void kill();

private:
    QString startAs(const QString &user, Kind kind);

    QTemporaryDir m_runtimeDir{QStringLiteral("/tmp/zuv-compositor-XXXXXX")};
    std::unique_ptr<QProcess> m_process;
    QString m_socketPath;
    QString m_problem;
};
