#include "app/shell/ApplicationAssembly.h"
#include "app/shell/LaunchGate.h"
#include "app/shell/ShellDialogs.h"
#include "app/shell/TrayShell.h"
#include "foundation/AppPaths.h"
#include "platform/logind/TerminationSignalQuitter.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    ApplicationAssembly::prepareProcessBeforeApplication();

    QApplication app(argc, argv);
    ApplicationAssembly::prepareProcess();

    MessageBoxDialogs launchDialogs;
    LaunchGate gate(AppPaths::dataFolderLocation(), launchDialogs);
    if (const std::optional<int> exitStatus = gate.admit())
        return *exitStatus;
    SingleInstanceGuard &instance = *gate.instance();

    // SIGTERM and SIGINT end the event loop like Quit does, so the session is saved.
    TerminationSignalQuitter quitter;

    ApplicationAssembly application;
    TrayShell &shell = application.shell();
    QObject::connect(&instance, &SingleInstanceGuard::showWindowRequested, &shell,
                     [&shell] { shell.showMainWindow(true); });
    application.install();

    return QApplication::exec();
}
