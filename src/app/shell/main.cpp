#include "app/shell/ApplicationContext.h"
#include "app/shell/SingleInstanceGuard.h"
#include "app/shell/StartupSequence.h"
#include "app/shell/TrayShell.h"
#include "foundation/AppPaths.h"
#include "foundation/Log.h"
#include "foundation/RandomSource.h"
#include "platform/logind/TerminationSignalQuitter.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(AppPaths::folderName));
    QApplication::setApplicationDisplayName(QString::fromLatin1(TrayShell::windowTitle));
    QApplication::setDesktopFileName(QStringLiteral("zuvevivezid"));
    // A tray application: closing its windows does not end it, only Quit (or a signal) does.
    QApplication::setQuitOnLastWindowClosed(false);
    Log::install();
    TrayShell::chooseSceneGraphBackend();

    SingleInstanceGuard instance(AppPaths::dataFolder());
    if (!instance.tryToRun()) {
        if (instance.askRunningInstanceToShowWindow()) {
            zuvInfo(lcLegacyShell) << "Already running; its window was brought forward";
            return 0;
        }
        zuvError(lcLegacyShell) << "Another instance holds the data folder but does not answer";
        return 1;
    }

    // SIGTERM and SIGINT end the event loop like Quit does, so the session is saved.
    TerminationSignalQuitter quitter;

    ApplicationContext context;
    StartupSequence startup(context);
    startup.run();

    TrayShell shell(TrayShell::Dependencies{*context.appState(),
                                            *context.sessionManager(),
                                            context.engineControl(),
                                            systemRandomSource(),
                                            {},
                                            {}});
    context.setWindowActions([&shell] { shell.activateApplication(); },
                             [&shell] { return shell.raiseMainWindow(); });
    QObject::connect(&instance, &SingleInstanceGuard::showWindowRequested, &shell,
                     [&shell] { shell.showMainWindow(true); });
    shell.setSignIn(context.signInBackend(), context.signInCompletion());
    shell.install();

    return QApplication::exec();
}
