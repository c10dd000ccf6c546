#include "app/shell/ShellTestRig.h"
#include "ui/design/WD.h"
#include "ui/root/RootViewModel.h"

#include <QSignalSpy>
#include <QTest>

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
                                        !popover, std::move(fallback)});
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

    void mainContentTable()
    {
        // Permissions first, then the unfinished session, then the tabs.
        QCOMPARE(RootViewModel::mainContentFor(false, true), MainContent::Permissions);
        QCOMPARE(RootViewModel::mainContentFor(false, false), MainContent::Permissions);
        QCOMPARE(RootViewModel::mainContentFor(true, true), MainContent::InterruptedSession);
        QCOMPARE(RootViewModel::mainContentFor(true, false), MainContent::SelectedTab);
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
