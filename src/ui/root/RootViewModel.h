#pragma once

#include "app/state/MainTab.h"
#include "platform/PermissionService.h"
#include "ui/reports/ScreenshotsServices.h"
#include "ui/reports/SummaryServices.h"
#include "ui/settings/SettingsServices.h"
#include "ui/signin/SignInBackend.h"
#include "ui/signin/SignInCompletion.h"
#include "ui/tracker/TrackerServices.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QVariantList>
#include <QtQmlIntegration>

#include <functional>

class AppStateManager;
class Clock;
class RandomSource;
class SessionManager;

// Every decision of the tracker's root view: which layout shows (restoring the sign-in, signed
// out, forced update, signed in), what the signed-in content is, the selected tab, the header's
// status, the popover's height, and the first-appearance load of the main window. The popover and
// the main window each have one, over the same application state and tracking engine.
class RootViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The shell creates the root view's model")
    Q_PROPERTY(Route route READ route NOTIFY routeChanged)
    Q_PROPERTY(MainContent mainContent READ mainContent NOTIFY mainContentChanged)
    Q_PROPERTY(int activeTab READ activeTabIndex NOTIFY activeTabChanged)
    Q_PROPERTY(QVariantList tabItems READ tabItems CONSTANT)
    Q_PROPERTY(bool compact READ compact CONSTANT)
    Q_PROPERTY(bool showOpenAppButton READ compact CONSTANT)
    Q_PROPERTY(int preferredWidth READ preferredWidth CONSTANT)
    Q_PROPERTY(int contentHeight READ contentHeight NOTIFY contentHeightChanged)
    Q_PROPERTY(QString statusLabel READ statusLabel NOTIFY statusChanged)
    Q_PROPERTY(QColor statusColor READ statusColor NOTIFY statusChanged)
    Q_PROPERTY(bool glow READ glow NOTIFY statusChanged)
    Q_PROPERTY(bool isTracking READ isTracking NOTIFY statusChanged)
    Q_PROPERTY(bool authRestoreIsSlow READ authRestoreIsSlow NOTIFY authRestoreIsSlowChanged)
    Q_PROPERTY(
        QString forceUpdateLatestVersion READ forceUpdateLatestVersion NOTIFY forceUpdateChanged)
    Q_PROPERTY(bool hasDownloadLink READ hasDownloadLink NOTIFY forceUpdateChanged)
    // What the sign-in screen is handed: the service it calls and the completion that outlives it.
    Q_PROPERTY(SignInBackend *signInBackend READ signInBackend NOTIFY signInChanged)
    Q_PROPERTY(SignInCompletion *signInCompletion READ signInCompletion NOTIFY signInChanged)
    Q_PROPERTY(int motivationalPhraseIndex READ motivationalPhraseIndex NOTIFY
                   motivationalPhraseIndexChanged)
    Q_PROPERTY(bool screenRecordingGranted READ screenRecordingGranted NOTIFY permissionRowsChanged)
    Q_PROPERTY(bool inputMonitoringGranted READ inputMonitoringGranted NOTIFY permissionRowsChanged)
    // What to change about a missing permission on this session, and whether the screen grant
    // can be asked for from here (the desktop's screen-sharing dialog on Wayland); both follow
    // what the last check found out.
    Q_PROPERTY(
        QString screenRecordingAdvice READ screenRecordingAdvice NOTIFY permissionRowsChanged)
    Q_PROPERTY(
        QString inputMonitoringAdvice READ inputMonitoringAdvice NOTIFY permissionRowsChanged)
    Q_PROPERTY(
        bool canAskForScreenRecording READ canAskForScreenRecording NOTIFY permissionRowsChanged)
    Q_PROPERTY(QString screenCaptureLostText READ screenCaptureLostText CONSTANT)
    Q_PROPERTY(
        QString interruptedProjectName READ interruptedProjectName NOTIFY interruptedSessionChanged)
    Q_PROPERTY(
        QString interruptedStartedText READ interruptedStartedText NOTIFY interruptedSessionChanged)
    Q_PROPERTY(bool screenRecordingPermissionLost READ screenRecordingPermissionLost NOTIFY
                   screenRecordingPermissionLostChanged)
    Q_PROPERTY(bool hasCrossDayProject READ hasCrossDayProject NOTIFY crossDayProjectChanged)
    Q_PROPERTY(QString crossDayProjectName READ crossDayProjectName NOTIFY crossDayProjectChanged)
    Q_PROPERTY(TrackerServices *trackerServices READ trackerServices CONSTANT)
    Q_PROPERTY(SummaryServices *summaryServices READ summaryServices CONSTANT)
    Q_PROPERTY(ScreenshotsServices *screenshotsServices READ screenshotsServices CONSTANT)
    Q_PROPERTY(SettingsServices *settingsServices READ settingsServices CONSTANT)

public:
    enum class Route
    {
        Restoring,
        SignedOut,
        ForcedUpdate,
        SignedIn,
    };
    Q_ENUM(Route)

    enum class MainContent
    {
        Permissions,
        InterruptedSession,
        SelectedTab,
    };
    Q_ENUM(MainContent)

    enum class StatusTone
    {
        Brand,
        Warning,
        Success,
    };

    static constexpr int phraseCount = 30;
    static constexpr int phraseRotationMs = 600'000;
    static constexpr int popoverWidth = 340;
    static constexpr int mainWindowMinimumWidth = 460;

    struct Dependencies
    {
        AppStateManager &appState;
        SessionManager &sessionManager;
        RandomSource &random;
        // True in the popover (compact layout, open-window button), false in the main window.
        bool showOpenAppButton = false;
        // Only the main window runs the first-appearance load.
        bool shouldRunInitialLoad = false;
        // Brings the main window forward when the application state has no hook installed yet.
        std::function<void()> fallbackOpenMainWindow;
        // "Now" for the relative times; the system clock when not given.
        const Clock *clock = nullptr;
        // What the tracker tab's screens work with; without it they show and do nothing.
        TrackerServices *trackerServices = nullptr;
        // What the other three tabs work with; without them they show and do nothing.
        SummaryServices *summaryServices = nullptr;
        ScreenshotsServices *screenshotsServices = nullptr;
        SettingsServices *settingsServices = nullptr;
    };

    explicit RootViewModel(Dependencies dependencies, QObject *parent = nullptr);

    // The decisions themselves, first match wins.
    static Route routeFor(bool isRestoringSession, bool isAuthenticated, bool forceClientUpdate);
    static MainContent mainContentFor(bool hasRequiredPermissions, bool hasInterruptedSession,
                                      MainTab activeTab);
    static int contentHeightFor(Route route, bool hasRequiredPermissions);
    static QString statusLabelFor(bool isTracking, bool needsIdleDecision, bool isIdle,
                                  bool isPaused);
    static StatusTone statusToneFor(bool isTracking, bool isPaused, bool isIdle);
    // The server's download address is opened only when it is a web address.
    static bool isOpenableDownloadUrl(const std::optional<QUrl> &url);

    Route route() const { return m_route; }
    MainContent mainContent() const { return m_mainContent; }
    MainTab activeTab() const { return m_activeTab; }
    int activeTabIndex() const { return static_cast<int>(m_activeTab); }
    QVariantList tabItems() const;
    bool compact() const { return m_showOpenAppButton; }
    // The popover is 340 wide; the main window starts at its minimum and fills its window.
    int preferredWidth() const { return compact() ? popoverWidth : mainWindowMinimumWidth; }
    int contentHeight() const;
    QString statusLabel() const;
    QColor statusColor() const;
    StatusTone statusTone() const;
    bool glow() const;
    bool isTracking() const;
    bool authRestoreIsSlow() const;
    QString forceUpdateLatestVersion() const;
    bool hasDownloadLink() const;
    int motivationalPhraseIndex() const { return m_motivationalPhraseIndex; }
    bool didRunInitialLoad() const { return m_didRunInitialLoad; }
    bool screenRecordingGranted() const { return m_screenRecordingGranted; }
    bool inputMonitoringGranted() const { return m_inputMonitoringGranted; }
    static QString screenRecordingAdvice() { return PermissionService::screenRecordingAdvice(); }
    static QString inputMonitoringAdvice() { return PermissionService::inputMonitoringAdvice(); }
    static bool canAskForScreenRecording() { return PermissionService::canAskForScreenRecording(); }
    // "Open" on the screen recording row: the desktop's dialog; "Check Again" reads the answer.
    Q_INVOKABLE static bool askForScreenRecording()
    {
        return PermissionService::openScreenRecordingSettings();
    }
    static QString screenCaptureLostText() { return PermissionService::screenCaptureLostText(); }
    QString interruptedProjectName() const;
    QString interruptedStartedText() const;
    bool screenRecordingPermissionLost() const;
    bool hasCrossDayProject() const;
    QString crossDayProjectName() const;
    TrackerServices *trackerServices() const { return m_trackerServices; }
    SummaryServices *summaryServices() const { return m_summaryServices; }
    ScreenshotsServices *screenshotsServices() const { return m_screenshotsServices; }
    SettingsServices *settingsServices() const { return m_settingsServices; }
    SignInBackend *signInBackend() const { return m_signInBackend; }
    SignInCompletion *signInCompletion() const { return m_signInCompletion; }
    void setSignIn(SignInBackend *backend, SignInCompletion *completion);

    // The tab bar's choice.
    Q_INVOKABLE void selectTab(int tab);
    // The header's open-window button.
    Q_INVOKABLE void openMainWindow();
    // "Sign in instead" on the restoring screen.
    Q_INVOKABLE void abandonRestore();
    // "Update Now" on the forced-update screen; false when there is no link or it was not handed
    // to the system.
    Q_INVOKABLE bool openDownloadPage();
    // The view is on screen; the main window's model then runs its first load, once.
    Q_INVOKABLE void appeared();
    // The permission rows check again each time the permissions screen is shown.
    Q_INVOKABLE void refreshPermissionRows();
    // "Check Again": the rows and the application state's verdict, which may route on.
    Q_INVOKABLE void checkPermissionsAgain();
    // "Resume" on the unfinished-session card.
    Q_INVOKABLE void resumeInterruptedSession();
    // "Dismiss" on the screen-capture banner; the engine remembers it across launches.
    Q_INVOKABLE void dismissScreenRecordingBanner();
    // "Start new session" on the crossed-midnight banner: the banner goes first, so a refused
    // start does not bring it back.
    Q_INVOKABLE void startNewSessionAfterMidnight();
    // "Later" on the crossed-midnight banner.
    Q_INVOKABLE void dismissCrossDayBanner();
    // One tick of the phrase rotation (the timer calls it every ten minutes).
    void rotateMotivationalPhrase();

Q_SIGNALS:
    void signInChanged();
    void routeChanged();
    void contentHeightChanged();
    void forceUpdateChanged();
    void mainContentChanged();
    void activeTabChanged();
    void statusChanged();
    void authRestoreIsSlowChanged();
    void motivationalPhraseIndexChanged();
    void permissionRowsChanged();
    void interruptedSessionChanged();
    void screenRecordingPermissionLostChanged();
    void crossDayProjectChanged();

private:
    void updateRoute();
    void updateMainContent();
    void takePendingTab();
    void runInitialLoad();
    int randomPhraseIndex() const;

    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
    RandomSource &m_random;
    const bool m_showOpenAppButton;
    const bool m_shouldRunInitialLoad;
    std::function<void()> m_fallbackOpenMainWindow;
    const Clock &m_clock;
    QPointer<TrackerServices> m_trackerServices;
    QPointer<SummaryServices> m_summaryServices;
    QPointer<ScreenshotsServices> m_screenshotsServices;
    QPointer<SettingsServices> m_settingsServices;

    Route m_route = Route::Restoring;
    MainContent m_mainContent = MainContent::Permissions;
    MainTab m_activeTab = MainTab::Tracker;
    bool m_didRunInitialLoad = false;
    int m_motivationalPhraseIndex = 0;
    bool m_screenRecordingGranted = false;
    bool m_inputMonitoringGranted = false;
    QTimer m_phraseRotation;
    QPointer<SignInBackend> m_signInBackend;
    QPointer<SignInCompletion> m_signInCompletion;
};
