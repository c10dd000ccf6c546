#include "app/shell/ShellTestRig.h"
#include "platform/PermissionChanges.h"
#include "platform/PermissionService.h"
#include "support/platform/FakePermissionProbe.h"
#include "ui/design/WD.h"
#include "ui/root/RelativeDate.h"
#include "ui/root/RootViewModel.h"

#include <QSignalSpy>
#include <QTest>

#include <thread>

using Route = RootViewModel::Route;
using MainContent = RootViewModel::MainContent;
using Tone = RootViewModel::StatusTone;

// The root's routing and header decisions, over the real application state and tracking engine.
class TestRootViewModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<RootViewModel> makeModel(ShellTestRig &rig, bool popover,
                                             std::function<void()> fallback = {})
    {
        return std::make_unique<RootViewModel>(
            RootViewModel::Dependencies{*rig.appState, rig.sessionManager(), rig.random, popover,
                                        !popover, std::move(fallback), &rig.engine.clock});
    }

    // A rig whose engine finds a stored unfinished session (or none) at launch.
    static void leaveUnfinished(ShellTestRig &rig, QList<TrackingInterval> intervals)
    {
        Session session;
        session.id = QUuid::createUuid();
        session.deviceId = QStringLiteral("device");
        session.projectId = QStringLiteral("p1");
        session.projectName = QStringLiteral("Payroll");
        session.intervals = std::move(intervals);
        rig.engine.store->saveActiveSession(session);
        rig.createAppState();
        rig.engine.createManager();
    }

private Q_SLOTS:
    void routeTable_data()
    {
        QTest::addColumn<bool>("restoring");
        QTest::addColumn<bool>("authenticated");
        QTest::addColumn<bool>("forced");
        QTest::addColumn<Route>("route");
        QTest::addColumn<int>("heightWithPermissions");
        QTest::addColumn<int>("heightWithout");
        // Restoring wins over everything; sign-in is tested before the forced update.
        QTest::newRow("restoring") << true << false << false << Route::Restoring << 480 << 480;
        QTest::newRow("restoring, forced")
            << true << true << true << Route::Restoring << 480 << 480;
        QTest::newRow("signed out") << false << false << false << Route::SignedOut << 480 << 480;
        QTest::newRow("signed out, forced")
            << false << false << true << Route::SignedOut << 480 << 480;
        QTest::newRow("forced") << false << true << true << Route::ForcedUpdate << 340 << 340;
        QTest::newRow("signed in") << false << true << false << Route::SignedIn << 480 << 320;
    }

    void routeTable()
    {
        QFETCH(bool, restoring);
        QFETCH(bool, authenticated);
        QFETCH(bool, forced);
        QFETCH(Route, route);
        QFETCH(int, heightWithPermissions);
        QFETCH(int, heightWithout);
        QCOMPARE(RootViewModel::routeFor(restoring, authenticated, forced), route);
        QCOMPARE(RootViewModel::contentHeightFor(route, true), heightWithPermissions);
        QCOMPARE(RootViewModel::contentHeightFor(route, false), heightWithout);
    }

    void mainContentTable_data()
    {
        QTest::addColumn<bool>("permissions");
        QTest::addColumn<bool>("interrupted");
        QTest::addColumn<MainTab>("tab");
        QTest::addColumn<MainContent>("content");
        // Permissions first, then the unfinished session, then the tabs; Settings (with the
        // sign-out) stays reachable without permissions.
        QTest::newRow("no permissions, interrupted")
            << false << true << MainTab::Tracker << MainContent::Permissions;
        QTest::newRow("no permissions")
            << false << false << MainTab::Tracker << MainContent::Permissions;
        QTest::newRow("no permissions, summary")
            << false << false << MainTab::Summary << MainContent::Permissions;
        QTest::newRow("no permissions, settings")
            << false << false << MainTab::Settings << MainContent::SelectedTab;
        QTest::newRow("interrupted")
            << true << true << MainTab::Tracker << MainContent::InterruptedSession;
        QTest::newRow("granted") << true << false << MainTab::Tracker << MainContent::SelectedTab;
    }

    void mainContentTable()
    {
        QFETCH(bool, permissions);
        QFETCH(bool, interrupted);
        QFETCH(MainTab, tab);
        QFETCH(MainContent, content);
        QCOMPARE(RootViewModel::mainContentFor(permissions, interrupted, tab), content);
    }

    void statusTable_data()
    {
        QTest::addColumn<bool>("tracking");
        QTest::addColumn<bool>("needsDecision");
        QTest::addColumn<bool>("idle");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QString>("label");
        QTest::addColumn<Tone>("tone");
        QTest::newRow("not tracking")
            << false << false << false << false << "Not Tracking" << Tone::Brand;
        QTest::newRow("not tracking, stale flags")
            << false << true << true << true << "Not Tracking" << Tone::Brand;
        QTest::newRow("tracking") << true << false << false << false << "Tracking" << Tone::Success;
        QTest::newRow("paused") << true << false << false << true << "Paused" << Tone::Warning;
        QTest::newRow("idle") << true << false << true << false << "Idle \u2013 Paused"
                              << Tone::Warning;
        QTest::newRow("idle and paused")
            << true << false << true << true << "Idle \u2013 Paused" << Tone::Warning;
        // The label asks about the pending decision first; the colour never does.
        QTest::newRow("decision pending, idle")
            << true << true << true << true << "Was Idle" << Tone::Warning;
        QTest::newRow("decision pending only")
            << true << true << false << false << "Was Idle" << Tone::Success;
    }

    void statusTable()
    {
        QFETCH(bool, tracking);
        QFETCH(bool, needsDecision);
        QFETCH(bool, idle);
        QFETCH(bool, paused);
        QFETCH(QString, label);
        QFETCH(Tone, tone);
        QCOMPARE(RootViewModel::statusLabelFor(tracking, needsDecision, idle, paused), label);
        QCOMPARE(RootViewModel::statusToneFor(tracking, paused, idle), tone);
    }

    void relativeDate_data()
    {
        QTest::addColumn<double>("offset");
        QTest::addColumn<QString>("text");
        // Each unit's first and last whole value, past and future.
        QTest::newRow("now") << 0.0 << "0 seconds ago";
        QTest::newRow("1 s") << -1.0 << "1 second ago";
        QTest::newRow("59.9 s") << -59.9 << "59 seconds ago";
        QTest::newRow("60 s") << -60.0 << "1 minute ago";
        QTest::newRow("59 min 59 s") << -3599.0 << "59 minutes ago";
        QTest::newRow("1 h") << -3600.0 << "1 hour ago";
        QTest::newRow("23 h 59 min") << -86399.0 << "23 hours ago";
        QTest::newRow("1 day") << -86400.0 << "1 day ago";
        QTest::newRow("6 days 23 h") << -(7 * 86400.0 - 1) << "6 days ago";
        QTest::newRow("7 days") << -7 * 86400.0 << "1 week ago";
        QTest::newRow("20 days") << -20 * 86400.0 << "2 weeks ago";
        QTest::newRow("45 days") << -45 * 86400.0 << "1 month ago";
        QTest::newRow("200 days") << -200 * 86400.0 << "6 months ago";
        QTest::newRow("800 days") << -800 * 86400.0 << "2 years ago";
        QTest::newRow("future 90 s") << 90.0 << "in 1 minute";
        QTest::newRow("future 2 days") << 2 * 86400.0 << "in 2 days";
    }

    void relativeDate()
    {
        QFETCH(double, offset);
        QFETCH(QString, text);
        const Timestamp now = Timestamp::fromSecondsSince1970(EngineFixture::startSeconds);
        QCOMPARE(RelativeDate::text(now.addingSeconds(offset), now), text);
        QCOMPARE(RelativeDate::text(std::nullopt, now), QStringLiteral("unknown"));
    }

    void downloadAddressMustBeAWebAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("openable");
        QTest::newRow("https") << "https://downloads.example/zuv.deb" << true;
        QTest::newRow("http") << "http://downloads.example/" << true;
        QTest::newRow("upper-case scheme") << "HTTPS://downloads.example/" << true;
        QTest::newRow("file") << "file:///usr/bin/xterm" << false;
        QTest::newRow("script") << "javascript:alert(1)" << false;
        QTest::newRow("ftp") << "ftp://downloads.example/zuv.deb" << false;
        QTest::newRow("custom handler") << "x-scheme-handler:run" << false;
        QTest::newRow("no host") << "https:///path" << false;
        QTest::newRow("relative") << "/downloads/zuv.deb" << false;
        QTest::newRow("missing") << QString() << false;
    }

    void downloadAddressMustBeAWebAddress()
    {
        QFETCH(QString, address);
        QFETCH(bool, openable);
        const std::optional<QUrl> url =
            address.isNull() ? std::nullopt : std::optional<QUrl>(QUrl(address));
        QCOMPARE(RootViewModel::isOpenableDownloadUrl(url), openable);

        // As the server sends it: anything but a web address dims the button like no address.
        ShellTestRig rig;
        rig.finishRestore(true);
        auto model = makeModel(rig, true);
        RemoteConfig config = ShellTestRig::forcingConfig();
        config.clientDownloadURL =
            address.isNull() ? std::nullopt : std::optional<QString>(address);
        rig.appState->evaluateClientVersion(config);
        QCOMPARE(model->route(), Route::ForcedUpdate);
        QCOMPARE(model->hasDownloadLink(), openable);
        if (!openable)
            QVERIFY(!model->openDownloadPage());
    }

    void checkAgainProbesAndRoutesOn()
    {
        auto probe = std::make_shared<FakePermissionProbe>();
        probe->screenAllowed = false;
        PermissionService::setProbe(probe);
        ShellTestRig rig;
        rig.permissionsGranted = false;
        rig.finishRestore(true);
        auto model = makeModel(rig, true);
        QCOMPARE(model->mainContent(), MainContent::Permissions);

        // The rows show what the system allows now.
        model->refreshPermissionRows();
        QVERIFY(!model->screenRecordingGranted());
        QVERIFY(model->inputMonitoringGranted());

        // Granted behind the screen's back: the rows follow only when asked, and the screen
        // leaves only on the application state's verdict.
        probe->screenAllowed = true;
        QVERIFY(!model->screenRecordingGranted());
        const int probesBefore = rig.permissionProbes;
        model->checkPermissionsAgain();
        QVERIFY(model->screenRecordingGranted());
        QCOMPARE(rig.permissionProbes, probesBefore + 1);
        QCOMPARE(model->mainContent(), MainContent::Permissions);

        rig.permissionsGranted = true;
        model->checkPermissionsAgain();
        QVERIFY(rig.appState->hasRequiredPermissions());
        QCOMPARE(model->mainContent(), MainContent::SelectedTab);
        QCOMPARE(model->contentHeight(), 480);
        PermissionService::setProbe(nullptr);
    }

    // The desktop answers "Open" later, from its own thread; the screen follows without "Check
    // Again", and Settings stays reachable while permissions are missing.
    void grantAnnouncedFromAnotherThreadUpdatesTheScreen()
    {
        auto probe = std::make_shared<FakePermissionProbe>();
        probe->screenAllowed = false;
        PermissionService::setProbe(probe);
        const auto restoreProbe = qScopeGuard([] { PermissionService::setProbe(nullptr); });
        ShellTestRig rig;
        rig.permissionsGranted = false;
        rig.finishRestore(true);
        auto model = makeModel(rig, true);
        model->refreshPermissionRows();
        QVERIFY(!model->screenRecordingGranted());

        model->selectTab(static_cast<int>(MainTab::Settings));
        QCOMPARE(model->mainContent(), MainContent::SelectedTab);
        model->selectTab(static_cast<int>(MainTab::Tracker));
        QCOMPARE(model->mainContent(), MainContent::Permissions);

        probe->screenAllowed = true;
        rig.permissionsGranted = true;
        std::thread portalThread([] { PermissionChanges::instance().announce(); });
        portalThread.join();
        QTRY_VERIFY(model->screenRecordingGranted());
        QCOMPARE(model->mainContent(), MainContent::SelectedTab);
    }

    void unfinishedSessionCard_data()
    {
        QTest::addColumn<bool>("withInterval");
        QTest::addColumn<QString>("started");
        QTest::newRow("ten minutes ago") << true << "Started 10 minutes ago";
        QTest::newRow("no interval") << false << "Started unknown";
    }

    void unfinishedSessionCard()
    {
        QFETCH(bool, withInterval);
        QFETCH(QString, started);
        ShellTestRig rig(false);
        QList<TrackingInterval> intervals;
        if (withInterval)
            intervals.append(TrackingInterval{QUuid::createUuid(), rig.engine.at(-600), {}});
        leaveUnfinished(rig, intervals);
        rig.finishRestore(true);
        rig.appState->setHasRequiredPermissions(true);
        auto model = makeModel(rig, true);
        QCOMPARE(model->mainContent(), MainContent::InterruptedSession);
        QCOMPARE(model->interruptedProjectName(), QStringLiteral("Payroll"));
        QCOMPARE(model->interruptedStartedText(), started);
    }

    void resumingTheUnfinishedSessionShowsTheTabs()
    {
        ShellTestRig rig(false);
        leaveUnfinished(rig, {TrackingInterval{QUuid::createUuid(), rig.engine.at(-600), {}}});
        rig.finishRestore(true);
        rig.sessionManager().applyConfig(EngineFixture::config(QStringLiteral("ask"), false));
        rig.appState->setHasRequiredPermissions(true);
        auto model = makeModel(rig, true);
        QSignalSpy contentChanges(model.get(), &RootViewModel::mainContentChanged);
        model->resumeInterruptedSession();
        QVERIFY(rig.sessionManager().isTracking());
        QCOMPARE(model->mainContent(), MainContent::SelectedTab);
        QCOMPARE(model->interruptedProjectName(), QString());
        QCOMPARE(contentChanges.count(), 1);
        rig.sessionManager().stopTracking(std::nullopt);
    }

    void screenRecordingBannerDismissesForGood()
    {
        ShellTestRig rig;
        rig.finishRestore(true);
        auto model = makeModel(rig, true);
        QSignalSpy changes(model.get(), &RootViewModel::screenRecordingPermissionLostChanged);
        rig.sessionManager().setScreenRecordingPermissionLost(true);
        QVERIFY(model->screenRecordingPermissionLost());
        model->dismissScreenRecordingBanner();
        QVERIFY(!model->screenRecordingPermissionLost());
        QCOMPARE(changes.count(), 2);
        // Remembered, so the next launch does not show it again.
        QCOMPARE(rig.engine.settings.boolean(
                     QString::fromLatin1(SessionManager::screenRecordingPermissionLostKey)),
                 std::optional<bool>(false));
    }

    void crossDayBannerChoices_data()
    {
        QTest::addColumn<bool>("startAgain");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("tracking");
        QTest::newRow("later") << false << true << false;
        QTest::newRow("start new session") << true << true << true;
        // Refused by the engine: the banner stays gone all the same.
        QTest::newRow("start refused") << true << false << false;
    }

    void crossDayBannerChoices()
    {
        QFETCH(bool, startAgain);
        QFETCH(bool, allowed);
        QFETCH(bool, tracking);
        ShellTestRig rig(false);
        rig.engine.settings.setString(
            QStringLiteral("com.wendoka.zuvevivezid.apiTimezoneIdentifier"), QStringLiteral("UTC"));
        // Left running since yesterday morning: ended at midnight when it is discarded.
        leaveUnfinished(rig, {TrackingInterval{QUuid::createUuid(), rig.engine.at(-86400.0), {}}});
        RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
        config.appTimezone = QStringLiteral("UTC");
        rig.sessionManager().applyConfig(config);
        rig.sessionManager().discardInterruptedSession();
        rig.engine.inputAllowed = allowed;
        rig.finishRestore(true);
        auto model = makeModel(rig, true);
        QVERIFY(model->hasCrossDayProject());
        QCOMPARE(model->crossDayProjectName(), QStringLiteral("Payroll"));

        QSignalSpy changes(model.get(), &RootViewModel::crossDayProjectChanged);
        if (startAgain)
            model->startNewSessionAfterMidnight();
        else
            model->dismissCrossDayBanner();
        QVERIFY(!model->hasCrossDayProject());
        QCOMPARE(changes.count(), 1);
        QCOMPARE(rig.sessionManager().isTracking(), tracking);
        if (tracking) {
            QCOMPARE(rig.sessionManager().currentSession()->projectId, QStringLiteral("p1"));
            rig.sessionManager().stopTracking(std::nullopt);
        }
    }

    void routingFollowsEveryStateOfTheApplicationState()
    {
        ShellTestRig rig;
        rig.permissionsGranted = false;
        auto model = makeModel(rig, true);
        QSignalSpy routeChanges(model.get(), &RootViewModel::routeChanged);
        QSignalSpy heightChanges(model.get(), &RootViewModel::contentHeightChanged);

        QCOMPARE(model->route(), Route::Restoring);
        QCOMPARE(model->contentHeight(), 480);
        QVERIFY(!model->authRestoreIsSlow());

        // Slow restore: the flag reaches the view, the route stays.
        rig.scheduler.advance(8.0);
        QVERIFY(model->authRestoreIsSlow());
        QCOMPARE(model->route(), Route::Restoring);

        // The user gives up waiting.
        model->abandonRestore();
        QCOMPARE(model->route(), Route::SignedOut);
        QVERIFY(!model->authRestoreIsSlow());

        // Signed in without the permissions: the permissions content, and the smaller popover.
        rig.appState->setIsAuthenticated(true);
        QCOMPARE(model->route(), Route::SignedIn);
        QCOMPARE(model->mainContent(), MainContent::Permissions);
        QCOMPARE(model->contentHeight(), 320);

        rig.appState->setHasRequiredPermissions(true);
        QCOMPARE(model->mainContent(), MainContent::SelectedTab);
        QCOMPARE(model->contentHeight(), 480);
        QVERIFY(heightChanges.count() >= 1);

        // A forced update hides the signed-in layout.
        rig.appState->evaluateClientVersion(ShellTestRig::forcingConfig());
        QCOMPARE(model->route(), Route::ForcedUpdate);
        QCOMPARE(model->contentHeight(), 340);
        QCOMPARE(model->forceUpdateLatestVersion(), QStringLiteral("999.0"));
        QVERIFY(model->hasDownloadLink());

        // The service ends the sign-in: back to the sign-in screen, forced state gone.
        rig.appState->applySessionInvalidated();
        QCOMPARE(model->route(), Route::SignedOut);
        rig.appState->setIsAuthenticated(true);
        QCOMPARE(model->route(), Route::SignedIn);

        const QList<Route> expected{Route::SignedOut, Route::SignedIn, Route::ForcedUpdate,
                                    Route::SignedOut, Route::SignedIn};
        QCOMPARE(routeChanges.count(), expected.size());
    }

    void restoreOutcomeRoutes()
    {
        ShellTestRig rig;
        auto model = makeModel(rig, false);
        rig.finishRestore(true);
        QCOMPARE(model->route(), Route::SignedIn);

        ShellTestRig signedOut;
        auto other = makeModel(signedOut, false);
        signedOut.finishRestore(false);
        QCOMPARE(other->route(), Route::SignedOut);
    }

    void headerFollowsTheEngine()
    {
        ShellTestRig rig;
        rig.finishRestore(true);
        auto model = makeModel(rig, true);
        QSignalSpy statusChanges(model.get(), &RootViewModel::statusChanged);
        QCOMPARE(model->statusLabel(), QStringLiteral("Not Tracking"));
        QCOMPARE(model->statusColor(), WD::palette().brand500);
        QVERIFY(!model->glow());

        SessionManager &engine = rig.sessionManager();
        engine.applyConfig(EngineFixture::config(QStringLiteral("ask"), false));
        engine.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
        QVERIFY(engine.isTracking());
        QCOMPARE(model->statusLabel(), QStringLiteral("Tracking"));
        QCOMPARE(model->statusColor(), WD::success());
        QVERIFY(model->glow());

        engine.pauseTracking();
        QCOMPARE(model->statusLabel(), QStringLiteral("Paused"));
        QCOMPARE(model->statusColor(), WD::warning());
        QVERIFY(!model->glow());
        QVERIFY(statusChanges.count() >= 2);
        engine.stopTracking(std::nullopt);
    }

    void tabsAndPendingTab()
    {
        ShellTestRig rig;
        auto popover = makeModel(rig, true);
        auto window = makeModel(rig, false);
        QCOMPARE(popover->activeTab(), MainTab::Tracker);
        QCOMPARE(popover->tabItems().size(), 4);
        QCOMPARE(popover->tabItems().at(3).toMap().value(QStringLiteral("label")).toString(),
                 QStringLiteral("Settings"));

        popover->selectTab(static_cast<int>(MainTab::Summary));
        QCOMPARE(popover->activeTab(), MainTab::Summary);
        popover->selectTab(17);
        QCOMPARE(popover->activeTab(), MainTab::Summary);

        // The Settings command asks every mounted root, then the request is cleared.
        rig.appState->setPendingMainTab(MainTab::Settings);
        QCOMPARE(popover->activeTab(), MainTab::Settings);
        QCOMPARE(window->activeTab(), MainTab::Settings);
        QTRY_VERIFY(!rig.appState->pendingMainTab().has_value());

        // The same request again is a change again.
        window->selectTab(static_cast<int>(MainTab::Tracker));
        rig.appState->setPendingMainTab(MainTab::Settings);
        QCOMPARE(window->activeTab(), MainTab::Settings);
        QTRY_VERIFY(!rig.appState->pendingMainTab().has_value());

        // A request made before a root exists is taken when it is created.
        rig.appState->setPendingMainTab(MainTab::Screenshots);
        auto late = makeModel(rig, false);
        QCOMPARE(late->activeTab(), MainTab::Screenshots);
    }

    void initialLoadRunsOnceAndOnlyInTheMainWindow()
    {
        ShellTestRig rig;
        RemoteConfig first = EngineFixture::config(QStringLiteral("ask"), false);
        first.deviceId = QStringLiteral("first");
        rig.appState->setRemoteConfig(first);

        auto popover = makeModel(rig, true);
        popover->appeared();
        QVERIFY(!rig.sessionManager().config().has_value());
        QVERIFY(!popover->didRunInitialLoad());

        auto window = makeModel(rig, false);
        window->appeared();
        QVERIFY(window->didRunInitialLoad());
        QCOMPARE(rig.sessionManager().config()->deviceId, QStringLiteral("first"));

        // Shown again (closed and reopened): the same root does not load again.
        RemoteConfig second = first;
        second.deviceId = QStringLiteral("second");
        rig.appState->setRemoteConfig(second);
        window->appeared();
        QCOMPARE(rig.sessionManager().config()->deviceId, QStringLiteral("first"));

        // Permissions are probed once the restore ends with a signed-in user.
        QCOMPARE(rig.permissionProbes, 0);
        rig.finishRestore(true);
        QTRY_COMPARE(rig.permissionProbes, 1);
        QVERIFY(rig.appState->hasRequiredPermissions());
    }

    void noPermissionProbeWhenSignedOut()
    {
        ShellTestRig rig;
        auto window = makeModel(rig, false);
        window->appeared();
        rig.finishRestore(false);
        QTest::qWait(20);
        QCOMPARE(rig.permissionProbes, 0);
    }

    void openMainWindowPrefersTheInstalledHook()
    {
        ShellTestRig rig;
        int fallbackCalls = 0;
        int hookCalls = 0;
        auto popover = makeModel(rig, true, [&] { ++fallbackCalls; });
        popover->openMainWindow();
        QCOMPARE(fallbackCalls, 1);
        rig.appState->surfaceMainWindowAction = [&] {
            ++hookCalls;
        };
        popover->openMainWindow();
        QCOMPARE(hookCalls, 1);
        QCOMPARE(fallbackCalls, 1);
    }

    void phraseRotationDrawsFromTheRandomSource()
    {
        ShellTestRig rig;
        rig.random.setFraction(0.0);
        auto model = makeModel(rig, true);
        QCOMPARE(model->motivationalPhraseIndex(), 0);
        QSignalSpy changes(model.get(), &RootViewModel::motivationalPhraseIndexChanged);
        rig.random.setFraction(0.999999);
        model->rotateMotivationalPhrase();
        QCOMPARE(model->motivationalPhraseIndex(), RootViewModel::phraseCount - 1);
        rig.random.setFraction(1.0); // the top of the range stays in range
        model->rotateMotivationalPhrase();
        QCOMPARE(model->motivationalPhraseIndex(), RootViewModel::phraseCount - 1);
        QCOMPARE(changes.count(), 1);
    }
};

QTEST_MAIN(TestRootViewModel)
#include "TestRootViewModel.moc"
