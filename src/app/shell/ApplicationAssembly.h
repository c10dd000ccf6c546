#pragma once

#include "app/shell/ApplicationContext.h"
#include "app/shell/StartupSequence.h"
#include "app/shell/TrayShell.h"

// The running application as one piece: the composition root, its start-up run, and the shell
// over both, wired to each other. The executable makes one, and so does any harness that has to
// meet the product exactly as a user does.
class ApplicationAssembly
{
public:
    // What the process sets up before anything is allocated or written: the heap policy, the
    // private file mode, and how the windows reach the X server. Called first thing in main() and
    // in every harness or benchmark that is to meet the product's costs and files as they are.
    static void prepareProcessBeforeApplication();

    // What the process sets up before the launch gate and the assembly: its names and icon,
    // that closing windows does not end it, the log format, the scene graph and the desktop's
    // own colours. Called once, right after the QApplication exists, by the executable and by
    // any harness that runs the assembly.
    static void prepareProcess();

    // Runs the start-up sequence; the shell shows nothing until install().
    ApplicationAssembly();
    ApplicationAssembly(const ApplicationAssembly &) = delete;
    ApplicationAssembly &operator=(const ApplicationAssembly &) = delete;

    ApplicationContext &context() { return m_context; }
    StartupSequence &startup() { return m_startup; }
    TrayShell &shell() { return m_shell; }

    void install() { m_shell.install(); }

private:
    // In this order: the shell goes first, then the start-up's observers, then the context.
    ApplicationContext m_context;
    StartupSequence m_startup;
    TrayShell m_shell;
};
