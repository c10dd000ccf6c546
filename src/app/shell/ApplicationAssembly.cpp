#include "app/shell/ApplicationAssembly.h"

#include "app/shell/DesktopPalette.h"
#include "foundation/AppPaths.h"
#include "foundation/HeapPolicy.h"
#include "foundation/Log.h"
#include "foundation/RandomSource.h"

#include <QApplication>
#include <QIcon>

#include <sys/stat.h>

namespace {

// The start-up has to run before the shell reads the state and the engine it creates.
StartupSequence &ranStartup(StartupSequence &startup)
{
    startup.run();
    return startup;
}

} // namespace

void ApplicationAssembly::prepareProcessBeforeApplication()
{
    // Before the first allocation that could take the library's defaults.
    HeapPolicy::apply();
    // Before anything is written: the database, the preferences, the screenshots and their
    // temporary files are the user's alone.
    ::umask(077);
    // The windows' pictures reach the X server over the connection, not through shared memory.
    // With shared memory every repaint of a region the server may still be reading (each step
    // of the status dot's pulse paints the same few pixels) first waits for a round trip to the
    // server; the windows are small, so a whole repaint sent over the connection costs little.
    // Read when the application connects to the display; a person's own setting stays.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    // A window repaints in the same wake-up as the change that asks for it, as it already does on
    // Wayland, instead of from a timer a few milliseconds later: every step of the pulse and
    // every tick of the clock would otherwise wake the process twice. Animations keep their own
    // pace (the animation timer's), and changes that arrive together still share one repaint.
    if (!qEnvironmentVariableIsSet("QT_QPA_UPDATE_IDLE_TIME"))
        qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
}

void ApplicationAssembly::prepareProcess()
{
    QApplication::setApplicationName(QString::fromLatin1(AppPaths::folderName));
    QApplication::setApplicationDisplayName(QString::fromLatin1(TrayShell::windowTitle));
    QApplication::setDesktopFileName(QStringLiteral("com.wendoka.zuvevivezid"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("zuvevivezid"),
                         QIcon(QStringLiteral(":/zuvevivezid/shell/zuvevivezid.svg"))));
    // A tray application: closing its windows does not end it, only Quit (or a signal) does.
    QApplication::setQuitOnLastWindowClosed(false);
    Log::install();
    TrayShell::chooseSceneGraphBackend();
    // Captured before the selected colour palette replaces the application's.
    DesktopPalette::shared();
}

ApplicationAssembly::ApplicationAssembly()
    : m_startup(m_context)
    , m_shell(TrayShell::Dependencies{*ranStartup(m_startup).appState(),
                                      *m_context.sessionManager(),
                                      m_context.engineControl(),
                                      systemRandomSource(),
                                      {},
                                      {},
                                      nullptr,
                                      &m_context.trackerServices(),
                                      &m_context.summaryServices(),
                                      &m_context.screenshotsServices(),
                                      &m_context.settingsServices()})
{
    m_context.setWindowActions([this] { m_shell.activateApplication(); },
                               [this] { return m_shell.raiseMainWindow(); });
    m_shell.setSignIn(m_context.signInBackend(), m_context.signInCompletion());
}
