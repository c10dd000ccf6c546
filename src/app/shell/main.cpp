#include "app/shell/ApplicationAssembly.h"
#include "app/shell/LaunchGate.h"
#include "app/shell/ShellDialogs.h"
#include "app/shell/TrayShell.h"
#include "foundation/AppPaths.h"
#include "foundation/HeapPolicy.h"
#include "platform/logind/TerminationSignalQuitter.h"

#include <QApplication>

#include <sys/stat.h>

int main(int argc, char *argv[])
{
    // Before the first allocation that could take the library's defaults.
    HeapPolicy::apply();
    // Before anything is written: the database, the preferences, the screenshots and their
    // temporary files are the user's alone.
    ::umask(077);

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
