#include "ui/root/RootViewModel.h"

#include "app/state/AppStateManager.h"
#include "foundation/Clock.h"
#include "foundation/RandomSource.h"
#include "platform/PermissionChanges.h"
#include "platform/PermissionService.h"
#include "tracking/engine/SessionManager.h"
#include "ui/design/WD.h"
#include "ui/root/RelativeDate.h"

#include <QCoroTask>
#include <QDesktopServices>
#include <QtQml/qqmlextensionplugin.h>

#include <cmath>

// The tracker tab's screens, which the root view places.
Q_IMPORT_QML_PLUGIN(Zuvevivezid_TrackerPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_ReportsPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_SettingsPlugin)

namespace {

struct TabItem
{
    MainTab tab;
    const char *icon;
    const char *label;
};

constexpr TabItem tabTable[] = {
    {MainTab::Tracker, "TabTracker", "Tracker"},
    {MainTab::Summary, "TabSummary", "Summary"},
    {MainTab::Screenshots, "TabScreenshots", "Screenshots"},
    {MainTab::Settings, "TabSettings", "Settings"},
};

QCoro::Task<> probePermissionsAfterRestore(QPointer<AppStateManager> appState)
{
    co_await appState->awaitAuthRestore();
    if (appState.isNull() || !appState->isAuthenticated())
        co_return;
    const auto &probe = appState->probePermissions();
    appState->setHasRequiredPermissions(probe ? probe() : false);
}

} // namespace

RootViewModel::RootViewModel(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(&dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
    , m_random(dependencies.random)
    , m_showOpenAppButton(dependencies.showOpenAppButton)
    , m_shouldRunInitialLoad(dependencies.shouldRunInitialLoad)
    , m_fallbackOpenMainWindow(std::move(dependencies.fallbackOpenMainWindow))
    , m_clock(dependencies.clock != nullptr ? *dependencies.clock : systemClock())
    , m_trackerServices(dependencies.trackerServices)
    , m_summaryServices(dependencies.summaryServices)
    , m_screenshotsServices(dependencies.screenshotsServices)
    , m_settingsServices(dependencies.settingsServices)
{
    AppStateManager *state = m_appState.data();
    SessionManager *engine = m_sessionManager.data();
    m_route =
        routeFor(state->isRestoringSession(), state->isAuthenticated(), state->forceClientUpdate());
    m_mainContent = mainContentFor(state->hasRequiredPermissions(), engine->hasInterruptedSession(),
                                   m_activeTab);
    m_motivationalPhraseIndex = randomPhraseIndex();

    for (auto signal :
         {&AppStateManager::isRestoringSessionChanged, &AppStateManager::isAuthenticatedChanged,
          &AppStateManager::forceUpdateChanged, &AppStateManager::hasRequiredPermissionsChanged}) {
        connect(state, signal, this, &RootViewModel::updateRoute);
    }
    connect(state, &AppStateManager::hasRequiredPermissionsChanged, this,
            &RootViewModel::updateMainContent);
    connect(engine, &SessionManager::interruptedSessionChanged, this,
            &RootViewModel::updateMainContent);
    connect(engine, &SessionManager::interruptedSessionChanged, this,
            &RootViewModel::interruptedSessionChanged);
    connect(engine, &SessionManager::screenRecordingPermissionLostChanged, this,
            &RootViewModel::screenRecordingPermissionLostChanged);
    connect(engine, &SessionManager::crossDayAutoCompletedProjectChanged, this,
            &RootViewModel::crossDayProjectChanged);
    connect(state, &AppStateManager::forceUpdateChanged, this, &RootViewModel::forceUpdateChanged);
    connect(state, &AppStateManager::authRestoreIsSlowChanged, this,
            &RootViewModel::authRestoreIsSlowChanged);
    connect(state, &AppStateManager::pendingMainTabChanged, this, &RootViewModel::takePendingTab);
    for (auto signal :
         {&SessionManager::isTrackingChanged, &SessionManager::isPausedChanged,
          &SessionManager::isIdleChanged, &SessionManager::needsIdleDecisionChanged}) {
        connect(engine, signal, this, &RootViewModel::statusChanged);
    }
    connect(WD::instance(), &WD::paletteChanged, this, &RootViewModel::statusChanged);
    // The desktop's answer to "Open" arrives later, on its own: the screen follows it.
    connect(&PermissionChanges::instance(), &PermissionChanges::changed, this,
            &RootViewModel::checkPermissionsAgain);

    m_phraseRotation.setInterval(phraseRotationMs);
    connect(&m_phraseRotation, &QTimer::timeout, this, &RootViewModel::rotateMotivationalPhrase);
    m_phraseRotation.start();
    // A tab asked for before this root existed is taken at once.
    takePendingTab();
}

RootViewModel::Route RootViewModel::routeFor(bool isRestoringSession, bool isAuthenticated,
                                             bool forceClientUpdate)
{
    if (isRestoringSession)
        return Route::Restoring;
    if (!isAuthenticated)
        return Route::SignedOut;
    if (forceClientUpdate)
        return Route::ForcedUpdate;
    return Route::SignedIn;
}

RootViewModel::MainContent RootViewModel::mainContentFor(bool hasRequiredPermissions,
                                                         bool hasInterruptedSession,
                                                         MainTab activeTab)
{
    // Settings (and signing out there) need no permission, and are where a person without them
    // goes next.
    if (!hasRequiredPermissions)
        return activeTab == MainTab::Settings ? MainContent::SelectedTab : MainContent::Permissions;
    if (hasInterruptedSession)
        return MainContent::InterruptedSession;
    return MainContent::SelectedTab;
}

int RootViewModel::contentHeightFor(Route route, bool hasRequiredPermissions)
{
    switch (route) {
    case Route::Restoring:
    case Route::SignedOut:
        return 480;
    case Route::ForcedUpdate:
        return 340;
    case Route::SignedIn:
        return hasRequiredPermissions ? 480 : 320;
    }
    return 480;
}

QString RootViewModel::statusLabelFor(bool isTracking, bool needsIdleDecision, bool isIdle,
                                      bool isPaused)
{
    if (!isTracking)
        return QStringLiteral("Not Tracking");
    if (needsIdleDecision)
        return QStringLiteral("Was Idle");
    if (isIdle)
        return QStringLiteral("Idle \u2013 Paused");
    if (isPaused)
        return QStringLiteral("Paused");
    return QStringLiteral("Tracking");
}

RootViewModel::StatusTone RootViewModel::statusToneFor(bool isTracking, bool isPaused, bool isIdle)
{
    if (!isTracking)
        return StatusTone::Brand;
    if (isPaused || isIdle)
        return StatusTone::Warning;
    return StatusTone::Success;
}

QVariantList RootViewModel::tabItems() const
{
    QVariantList items;
    for (const TabItem &item : tabTable) {
        items.append(QVariantMap{{QStringLiteral("tab"), static_cast<int>(item.tab)},
                                 {QStringLiteral("icon"), QString::fromLatin1(item.icon)},
                                 {QStringLiteral("label"), QString::fromLatin1(item.label)}});
    }
    return items;
}

int RootViewModel::contentHeight() const
{
    return contentHeightFor(m_route, m_appState && m_appState->hasRequiredPermissions());
}

QString RootViewModel::statusLabel() const
{
    if (!m_sessionManager)
        return statusLabelFor(false, false, false, false);
    return statusLabelFor(m_sessionManager->isTracking(), m_sessionManager->needsIdleDecision(),
                          m_sessionManager->isIdle(), m_sessionManager->isPaused());
}

RootViewModel::StatusTone RootViewModel::statusTone() const
{
    if (!m_sessionManager)
        return StatusTone::Brand;
    return statusToneFor(m_sessionManager->isTracking(), m_sessionManager->isPaused(),
                         m_sessionManager->isIdle());
}

QColor RootViewModel::statusColor() const
{
    switch (statusTone()) {
    case StatusTone::Brand:
        return WD::palette().brand500;
    case StatusTone::Warning:
        return WD::warning();
    case StatusTone::Success:
        return WD::success();
    }
    return WD::palette().brand500;
}

bool RootViewModel::glow() const
{
    return m_sessionManager && m_sessionManager->isTracking() && !m_sessionManager->isPaused();
}

bool RootViewModel::isTracking() const
{
    return m_sessionManager && m_sessionManager->isTracking();
}

bool RootViewModel::authRestoreIsSlow() const
{
    return m_appState && m_appState->authRestoreIsSlow();
}

QString RootViewModel::forceUpdateLatestVersion() const
{
    if (!m_appState)
        return {};
    return m_appState->forceUpdateLatestVersion().value_or(QString());
}

bool RootViewModel::isOpenableDownloadUrl(const std::optional<QUrl> &url)
{
    if (!url || !url->isValid() || url->host().isEmpty())
        return false;
    const QString scheme = url->scheme().toLower();
    return scheme == u"https" || scheme == u"http";
}

bool RootViewModel::hasDownloadLink() const
{
    return m_appState && isOpenableDownloadUrl(m_appState->forceUpdateDownloadURL());
}

QString RootViewModel::interruptedProjectName() const
{
    if (!m_sessionManager || !m_sessionManager->interruptedSession())
        return {};
    return m_sessionManager->interruptedSession()->projectName;
}

QString RootViewModel::interruptedStartedText() const
{
    if (!m_sessionManager || !m_sessionManager->interruptedSession())
        return {};
    const Session &session = *m_sessionManager->interruptedSession();
    std::optional<Timestamp> start;
    if (!session.intervals.isEmpty())
        start = session.intervals.constFirst().startedAt;
    return QStringLiteral("Started ") + RelativeDate::text(start, m_clock.now());
}

bool RootViewModel::screenRecordingPermissionLost() const
{
    return m_sessionManager && m_sessionManager->screenRecordingPermissionLost();
}

bool RootViewModel::hasCrossDayProject() const
{
    return m_sessionManager && m_sessionManager->crossDayAutoCompletedProject().has_value();
}

QString RootViewModel::crossDayProjectName() const
{
    if (!hasCrossDayProject())
        return {};
    return m_sessionManager->crossDayAutoCompletedProject()->name;
}

void RootViewModel::selectTab(int tab)
{
    if (tab < static_cast<int>(MainTab::Tracker) || tab > static_cast<int>(MainTab::Settings))
        return;
    const auto chosen = static_cast<MainTab>(tab);
    if (chosen == m_activeTab)
        return;
    m_activeTab = chosen;
    Q_EMIT activeTabChanged();
    updateMainContent();
}

void RootViewModel::openMainWindow()
{
    if (m_appState && m_appState->surfaceMainWindowAction) {
        m_appState->surfaceMainWindowAction();
        return;
    }
    if (m_fallbackOpenMainWindow)
        m_fallbackOpenMainWindow();
}

void RootViewModel::abandonRestore()
{
    if (m_appState)
        m_appState->abandonAuthRestore();
}

bool RootViewModel::openDownloadPage()
{
    // Any other scheme could start a local program or open a file: treated as no link at all.
    if (!hasDownloadLink())
        return false;
    return QDesktopServices::openUrl(*m_appState->forceUpdateDownloadURL());
}

void RootViewModel::refreshPermissionRows()
{
    const bool screen = PermissionService::hasScreenRecordingPermission();
    const bool input = PermissionService::hasInputMonitoringPermission();
    m_screenRecordingGranted = screen;
    m_inputMonitoringGranted = input;
    // The advice may change while the grants stay as they were.
    Q_EMIT permissionRowsChanged();
}

void RootViewModel::checkPermissionsAgain()
{
    refreshPermissionRows();
    if (!m_appState)
        return;
    const auto &probe = m_appState->probePermissions();
    m_appState->setHasRequiredPermissions(probe ? probe() : false);
}

void RootViewModel::resumeInterruptedSession()
{
    if (m_sessionManager)
        m_sessionManager->resumeInterruptedSession();
}

void RootViewModel::dismissScreenRecordingBanner()
{
    if (m_sessionManager)
        m_sessionManager->setScreenRecordingPermissionLost(false);
}

void RootViewModel::startNewSessionAfterMidnight()
{
    if (!m_sessionManager || !m_sessionManager->crossDayAutoCompletedProject())
        return;
    const RemoteProject project = *m_sessionManager->crossDayAutoCompletedProject();
    m_sessionManager->clearCrossDayAutoCompletedProject();
    m_sessionManager->startTracking(project);
}

void RootViewModel::dismissCrossDayBanner()
{
    if (m_sessionManager)
        m_sessionManager->clearCrossDayAutoCompletedProject();
}

void RootViewModel::appeared()
{
    if (!m_shouldRunInitialLoad || m_didRunInitialLoad)
        return;
    m_didRunInitialLoad = true;
    runInitialLoad();
}

void RootViewModel::runInitialLoad()
{
    if (!m_appState || !m_sessionManager)
        return;
    m_sessionManager->applyConfig(m_appState->remoteConfig());
    probePermissionsAfterRestore(m_appState);
}

void RootViewModel::rotateMotivationalPhrase()
{
    const int next = randomPhraseIndex();
    if (next == m_motivationalPhraseIndex)
        return;
    m_motivationalPhraseIndex = next;
    Q_EMIT motivationalPhraseIndexChanged();
}

int RootViewModel::randomPhraseIndex() const
{
    const double draw = m_random.uniform(0.0, 1.0);
    const int index = static_cast<int>(std::floor(draw * phraseCount));
    return std::clamp(index, 0, phraseCount - 1);
}

void RootViewModel::updateRoute()
{
    if (!m_appState)
        return;
    const Route next = routeFor(m_appState->isRestoringSession(), m_appState->isAuthenticated(),
                                m_appState->forceClientUpdate());
    // The height depends on the permissions too, so it is announced on every change.
    if (next != m_route) {
        m_route = next;
        Q_EMIT routeChanged();
    }
    Q_EMIT contentHeightChanged();
}

void RootViewModel::updateMainContent()
{
    if (!m_appState || !m_sessionManager)
        return;
    const MainContent next = mainContentFor(m_appState->hasRequiredPermissions(),
                                            m_sessionManager->hasInterruptedSession(), m_activeTab);
    if (next == m_mainContent)
        return;
    m_mainContent = next;
    Q_EMIT mainContentChanged();
}

void RootViewModel::takePendingTab()
{
    if (!m_appState || !m_appState->pendingMainTab())
        return;
    const MainTab tab = *m_appState->pendingMainTab();
    selectTab(static_cast<int>(tab));
    // Cleared once every root has seen the request (the popover and the main window both
    // listen), so a second identical request is a change again.
    QTimer::singleShot(0, m_appState.data(), [state = m_appState, tab] {
        if (state && state->pendingMainTab() == tab)
            state->setPendingMainTab(std::nullopt);
    });
}

void RootViewModel::setSignIn(SignInBackend *backend, SignInCompletion *completion)
{
    m_signInBackend = backend;
    m_signInCompletion = completion;
    Q_EMIT signInChanged();
}
