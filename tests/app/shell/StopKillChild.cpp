// The application assembled as the executable assembles it (same process set-up, launch gate and
// assembly over ZUV_DATA_DIR, the keyring and the service it names), which in place of a person
// at the tracker starts a session once the restored sign-in allows it, stops it after the given
// milliseconds and says so, then runs on until it is killed. Without an argument it only runs:
// its upload pass drains what the killed ones left.
//
//   zuv-stop-kill-child [TRACK_MS]
#include "app/shell/ApplicationAssembly.h"
#include "app/shell/ApplicationContext.h"
#include "app/shell/LaunchGate.h"
#include "app/shell/ShellDialogs.h"
#include "app/state/AppStateManager.h"
#include "foundation/AppPaths.h"
#include "foundation/UuidText.h"
#include "platform/logind/TerminationSignalQuitter.h"
#include "tracking/engine/SessionManager.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

std::optional<RemoteProject> firstProject(const AppStateManager &state)
{
    if (state.projects().isEmpty())
        return std::nullopt;
    return state.projects().constFirst();
}

} // namespace

int main(int argc, char *argv[])
{
    ApplicationAssembly::prepareProcessBeforeApplication();
    QApplication app(argc, argv);
    ApplicationAssembly::prepareProcess();

    MessageBoxDialogs launchDialogs;
    LaunchGate gate(AppPaths::dataFolderLocation(), launchDialogs);
    if (const std::optional<int> exitStatus = gate.admit())
        return *exitStatus;
    TerminationSignalQuitter quitter;

    ApplicationAssembly application;
    application.install();
    say(QStringLiteral("launched"));
    if (argc < 2)
        return QApplication::exec();

    const int trackMs = QString::fromLocal8Bit(argv[1]).toInt();
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const AppStateManager *state = application.context().appState();
        SessionManager *manager = application.context().sessionManager();
        if (!state || !manager || !state->isAuthenticated() || !firstProject(*state))
            return;
        poll.stop();
        if (manager->hasInterruptedSession()) {
            say(QStringLiteral("unfinished %1")
                    .arg(UuidText::format(manager->interruptedSession()->id)));
            return;
        }
        manager->startTracking(firstProject(*state));
        if (!manager->currentSession()) {
            say(QStringLiteral("not started: %1")
                    .arg(manager->lastStatusMessage().value_or(QString())));
            return;
        }
        const QUuid id = manager->currentSession()->id;
        say(QStringLiteral("started %1").arg(UuidText::format(id)));
        QTimer::singleShot(trackMs, manager, [manager, id] {
            manager->stopTracking(std::nullopt);
            say(QStringLiteral("stopped %1").arg(UuidText::format(id)));
        });
    });
    poll.start();
    return QApplication::exec();
}
