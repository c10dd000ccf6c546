#include "app/shell/ApplicationAssembly.h"

#include "foundation/RandomSource.h"

namespace {

// The start-up has to run before the shell reads the state and the engine it creates.
StartupSequence &ranStartup(StartupSequence &startup)
{
    startup.run();
    return startup;
}

} // namespace

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
