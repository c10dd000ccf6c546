#include "SettingsTestRig.h"

#include "platform/PermissionService.h"
#include "support/platform/FakePermissionProbe.h"
#include "ui/settings/AccountGreetings.h"
#include "ui/settings/SettingsViewModel.h"

#include <QSignalSpy>
#include <QTest>

namespace {

RemoteConfig configWithProjects(std::optional<QString> latestClientVersion = std::nullopt)
{
    RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
    config.projects = {{QStringLiteral("p1"), QStringLiteral("Website redesign")}};
    config.latestClientVersion = std::move(latestClientVersion);
    return config;
}

} // namespace

// The settings screen's decisions over the real application state, tracking engine and theme
// manager; the logout's own steps and the configuration fetch are scripted.
class TestSettingsViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        PermissionService::setProbe(nullptr);
        WD::setPalette(WDPalette::pink());
    }

    void accountHeader_data()
    {
        QTest::addColumn<std::optional<QString>>("userName");
        QTest::addColumn<std::optional<QString>>("companyName");
        QTest::addColumn<std::optional<QString>>("baseURL");
        QTest::addColumn<QString>("greetingLine");
        QTest::addColumn<std::optional<QString>>("companyLine");

        const std::optional<QString> none;
        const std::optional<QString> north = QStringLiteral("https://north.example/api/v1/");
        QTest::newRow("user only") << std::optional<QString>(QStringLiteral("Dana")) << none << none
                                   << QStringLiteral("Hello Dana,") << none;
        QTest::newRow("spaces and an address give the host")
            << std::optional<QString>(QStringLiteral("Dana"))
            << std::optional<QString>(QStringLiteral("   \n ")) << north
            << QStringLiteral("Hello Dana,")
            << std::optional<QString>(QStringLiteral("north.example"));
        QTest::newRow("a name wins over the address")
            << none << std::optional<QString>(QStringLiteral("  Acme Works ")) << north << QString()
            << std::optional<QString>(QStringLiteral("Acme Works"));
        QTest::newRow("no name, the address")
            << none << none << north << QString()
            << std::optional<QString>(QStringLiteral("north.example"));
        QTest::newRow("spaces and no address give none")
            << none << std::optional<QString>(QStringLiteral("  ")) << none << QString() << none;
        QTest::newRow("nothing") << none << none << none << QString() << none;
        QTest::newRow("a blank user name is no name")
            << std::optional<QString>(QStringLiteral(" ")) << none << none << QString() << none;
    }

    void accountHeader()
    {
        QFETCH(std::optional<QString>, userName);
        QFETCH(std::optional<QString>, companyName);
        QFETCH(std::optional<QString>, baseURL);
        QFETCH(QString, greetingLine);
        QFETCH(std::optional<QString>, companyLine);

        SettingsTestRig t;
        t.rig.random.setFraction(0.0);
        t.storeNames(userName, companyName);
        t.rig.engine.domainStorage.setBaseURL(baseURL ? std::optional<QUrl>(QUrl(*baseURL))
                                                      : std::nullopt);

        SettingsViewModel model;
        model.setServices(t.services.get());
        model.appeared();
        QCOMPARE(model.hasUserName(), !greetingLine.isEmpty());
        QCOMPARE(model.greetingLine(), greetingLine);
        QCOMPARE(model.hasCompanyName(), companyLine.has_value());
        QCOMPARE(model.companyName(), companyLine.value_or(QString()));
        QCOMPARE(model.showAccountHeader(), !greetingLine.isEmpty() || companyLine.has_value());
        QCOMPARE(SettingsViewModel::displayCompanyName(
                     companyName, baseURL ? std::optional<QUrl>(QUrl(*baseURL)) : std::nullopt),
                 companyLine);
    }

    void greetingIsDrawnFromTheWholeTable_data()
    {
        QTest::addColumn<double>("fraction");
        QTest::addColumn<QString>("greeting");
        QTest::newRow("lowest") << 0.0 << QStringLiteral("Hello");
        QTest::newRow("middle") << 0.5 << AccountGreetings::all().at(46);
        QTest::newRow("just below the top") << 0.9999 << QStringLiteral("Sup");
        QTest::newRow("top") << 1.0 << QStringLiteral("Sup");
    }

    void greetingIsDrawnFromTheWholeTable()
    {
        QFETCH(double, fraction);
        QFETCH(QString, greeting);
        QCOMPARE(AccountGreetings::all().size(), 92);
        FakeRandomSource random(fraction);
        QCOMPARE(AccountGreetings::draw(random), greeting);
    }

    void greetingChangesWhenTheHeaderAppears()
    {
        SettingsTestRig t;
        t.rig.engine.domainStorage.setBaseURL(std::nullopt);
        t.rig.random.queueFractions({0.1, 0.2, 0.3});
        SettingsViewModel model;
        model.setServices(t.services.get());
        model.appeared();
        // No names, no header, no draw.
        QVERIFY(!model.showAccountHeader());
        QCOMPARE(model.greeting(), QStringLiteral("Hello"));

        // A fetched configuration stores the names: the header comes into view with a greeting.
        t.storeNames(QStringLiteral("Dana"), std::nullopt);
        t.appState->setRemoteConfig(configWithProjects());
        QVERIFY(model.showAccountHeader());
        const QString first = model.greeting();
        QCOMPARE(first, AccountGreetings::all().at(9));

        // While it stays in view, it keeps its greeting.
        t.appState->setRemoteConfig(configWithProjects());
        QCOMPARE(model.greeting(), first);

        // Shown again (back on the tab): a new one.
        model.appeared();
        QCOMPARE(model.greeting(), AccountGreetings::all().at(18));
    }

    void permissionRowsAndTheRefresh()
    {
        const auto probe = std::make_shared<FakePermissionProbe>();
        probe->screenAllowed = false;
        PermissionService::setProbe(probe);
        SettingsTestRig t;
        t.rig.permissionsGranted = false;
        t.appState->setHasRequiredPermissions(true);

        SettingsViewModel model;
        model.setServices(t.services.get());
        model.appeared();
        QVERIFY(!model.screenRecordingGranted());
        QVERIFY(model.inputMonitoringGranted());
        // Showing the rows does not decide the application's permission state.
        QVERIFY(t.appState->hasRequiredPermissions());

        model.refreshPermissions();
        QVERIFY(!t.appState->hasRequiredPermissions());

        probe->screenAllowed = true;
        t.rig.permissionsGranted = true;
        QSignalSpy rows(&model, &SettingsViewModel::permissionsChanged);
        model.refreshPermissions();
        QVERIFY(model.screenRecordingGranted());
        QCOMPARE(rows.count(), 1);
        QVERIFY(t.appState->hasRequiredPermissions());
    }

    void revokeNoticeOnlyWhenSomethingWasReset_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("resetDone");
        QTest::addColumn<bool>("confirmShown");
        QTest::addColumn<int>("resets");
        QTest::addColumn<bool>("notice");
        QTest::newRow("reset done") << true << true << true << 1 << true;
        QTest::newRow("nothing was reset") << true << false << true << 1 << false;
        QTest::newRow("no reset on this system") << false << true << false << 0 << false;
    }

    void revokeNoticeOnlyWhenSomethingWasReset()
    {
        QFETCH(bool, available);
        QFETCH(bool, resetDone);
        QFETCH(bool, confirmShown);
        QFETCH(int, resets);
        QFETCH(bool, notice);
        SettingsTestRig t;
        t.permissionReset.available = available;
        t.resetAnswer = resetDone;
        SettingsServices services{{*t.appState, t.engine(), t.theme, t.defaults(),
                                   t.rig.engine.domainStorage, t.rig.random, t.logout,
                                   t.permissionReset}};
        SettingsViewModel model;
        model.setServices(&services);
        QCOMPARE(model.canRevokePermissions(), available);

        model.requestRevoke();
        QCOMPARE(model.showRevokeConfirm(), confirmShown);
        const int probesBefore = t.rig.permissionProbes;
        model.revoke();
        QVERIFY(!model.showRevokeConfirm());
        QCOMPARE(t.resets, resets);
        QCOMPARE(model.didRevokeRecently(), notice);
        // A reset that ran is followed by a fresh probe of the application's permissions.
        QCOMPARE(t.rig.permissionProbes, probesBefore + resets);
    }

    void logoutRunsInOrderAndOutlivesTheScreen()
    {
        SettingsTestRig t;
        t.appState->setIsAuthenticated(true);
        t.logoutSteps.gated = true;
        bool loggingOutAtReset = false;
        t.logoutSteps.onReset = [&] {
            loggingOutAtReset = t.logout.isLoggingOut();
            t.appState->applySessionInvalidated();
        };

        auto screen = std::make_unique<SettingsViewModel>();
        screen->setServices(t.services.get());
        SettingsViewModel otherWindow;
        otherWindow.setServices(t.services.get());

        screen->requestLogout();
        QVERIFY(screen->showLogoutConfirm());
        screen->cancelLogout();
        QVERIFY(!screen->showLogoutConfirm());
        QVERIFY(t.logoutSteps.log.isEmpty());

        screen->requestLogout();
        screen->confirmLogout();
        QVERIFY(!screen->showLogoutConfirm());
        QVERIFY(screen->isLoggingOut());
        QVERIFY(!screen->logoutEnabled());
        // The other window's screen sees it too and cannot start a second one.
        QVERIFY(otherWindow.isLoggingOut());
        otherWindow.requestLogout();
        QVERIFY(!otherWindow.showLogoutConfirm());
        QCOMPARE(t.logoutSteps.log, QStringList{QStringLiteral("server logout")});

        // Signing out removes the screen that asked; the logout still ends.
        screen.reset();
        t.logoutSteps.release();
        QTRY_COMPARE(
            t.logoutSteps.log,
            (QStringList{QStringLiteral("server logout"), QStringLiteral("server answered"),
                         QStringLiteral("stop refresh"), QStringLiteral("reset state")}));
        QVERIFY(loggingOutAtReset);
        QVERIFY(!t.logout.isLoggingOut());
        QVERIFY(!otherWindow.isLoggingOut());
        QVERIFY(!t.appState->isAuthenticated());
    }

    void concurrentLogoutsSendOne()
    {
        SettingsTestRig t;
        t.logoutSteps.gated = true;
        bool firstDone = false;
        bool secondDone = false;
        auto first = [&]() -> QCoro::Task<> {
            co_await t.logout.logout();
            firstDone = true;
        };
        auto second = [&]() -> QCoro::Task<> {
            co_await t.logout.logout();
            secondDone = true;
        };
        first();
        second();
        QVERIFY(!firstDone);
        QVERIFY(!secondDone);
        t.logoutSteps.release();
        QTRY_VERIFY(firstDone && secondDone);
        QCOMPARE(t.logoutSteps.log.count(QStringLiteral("server logout")), 1);
        QCOMPARE(t.logoutSteps.log.count(QStringLiteral("reset state")), 1);
    }

    void logoutIsRefusedWhileTracking()
    {
        SettingsTestRig t;
        t.appState->setIsAuthenticated(true);
        SettingsViewModel model;
        model.setServices(t.services.get());
        QVERIFY(model.logoutEnabled());
        QCOMPARE(model.logoutOpacity(), 1.0);

        // The confirmation was open when a session started in the other window.
        model.requestLogout();
        QSignalSpy state(&model, &SettingsViewModel::logoutStateChanged);
        t.engine().startTracking(std::nullopt);
        QVERIFY(t.engine().isTracking());
        QVERIFY(state.count() > 0);
        QVERIFY(model.isTracking());
        QVERIFY(!model.logoutEnabled());
        QCOMPARE(model.logoutOpacity(), 0.6);
        model.confirmLogout();
        QVERIFY(!model.isLoggingOut());
        model.requestLogout();
        QVERIFY(!model.showLogoutConfirm());
        QVERIFY(t.logoutSteps.log.isEmpty());
        QVERIFY(t.appState->isAuthenticated());

        t.engine().stopTracking(std::nullopt);
        QVERIFY(!model.isTracking());
        QVERIFY(model.logoutEnabled());
        model.requestLogout();
        QVERIFY(model.showLogoutConfirm());
    }

    void updateCheck_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::addColumn<std::optional<QString>>("latestVersion");
        QTest::addColumn<QString>("message");
        QTest::newRow("no minimum")
            << false << std::optional<QString>() << QStringLiteral("You're up to date.");
        QTest::newRow("newer version required")
            << false << std::optional<QString>(QStringLiteral("999.0"))
            << QStringLiteral("Update required.");
        QTest::newRow("the fetch fails")
            << true << std::optional<QString>() << QStringLiteral("Failed to check update.");
    }

    void updateCheck()
    {
        QFETCH(bool, fails);
        QFETCH(std::optional<QString>, latestVersion);
        QFETCH(QString, message);
        SettingsTestRig t;
        t.appState->setIsAuthenticated(true);
        // What the check must leave alone when it fails: the configuration and the forced update.
        t.appState->setRemoteConfig(ShellTestRig::forcingConfig());
        t.appState->evaluateClientVersion(ShellTestRig::forcingConfig());
        t.engine().setSelectedProjectId(QStringLiteral("gone"));
        if (!fails)
            t.configSource.answer = configWithProjects(latestVersion);
        t.configSource.gated = true;

        SettingsViewModel model;
        model.setServices(t.services.get());
        model.checkForUpdate();
        QVERIFY(model.isCheckingUpdate());
        QVERIFY(!model.checkUpdateEnabled());
        QCOMPARE(model.checkUpdateOpacity(), 0.5);
        model.checkForUpdate();
        QCOMPARE(t.configSource.fetches, 1);

        t.configSource.release();
        QTRY_VERIFY(!model.isCheckingUpdate());
        QCOMPARE(model.updateStatusMessage(), message);
        QVERIFY(model.checkUpdateEnabled());
        if (fails) {
            QCOMPARE(t.appState->remoteConfig()->latestClientVersion, QStringLiteral("999.0"));
            QVERIFY(t.appState->forceClientUpdate());
            QCOMPARE(t.appState->forceUpdateLatestVersion(), QStringLiteral("999.0"));
            // The engine was not handed anything.
            QCOMPARE(t.engine().selectedProjectId(), QStringLiteral("gone"));
        } else {
            QCOMPARE(t.appState->forceClientUpdate(), latestVersion.has_value());
            // The engine took the new configuration: the unknown task gave way to a listed one.
            QCOMPARE(t.engine().selectedProjectId(), QStringLiteral("p1"));
        }

        // The next press clears the last message at once.
        model.checkForUpdate();
        QVERIFY(!model.hasUpdateStatusMessage());
        t.configSource.release();
        QTRY_VERIFY(!model.isCheckingUpdate());
    }

    void updateCheckNeedsASignIn()
    {
        SettingsTestRig t;
        t.appState->setIsAuthenticated(false);
        SettingsViewModel model;
        model.setServices(t.services.get());
        QVERIFY(!model.checkUpdateEnabled());
        model.checkForUpdate();
        QCOMPARE(t.configSource.fetches, 0);
        QVERIFY(!model.hasUpdateStatusMessage());
    }

    void paletteSelection_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("appearances");
        QTest::addColumn<bool>("dark");
        QTest::newRow("teal") << QStringLiteral("teal") << QStringLiteral("teal") << 1 << false;
        QTest::newRow("black is dark")
            << QStringLiteral("black") << QStringLiteral("black") << 1 << true;
        QTest::newRow("the selected one again")
            << QStringLiteral("pink") << QStringLiteral("pink") << 1 << false;
        QTest::newRow("unknown id")
            << QStringLiteral("neon") << QStringLiteral("pink") << 0 << false;
    }

    void paletteSelection()
    {
        QFETCH(QString, picked);
        QFETCH(QString, current);
        QFETCH(int, appearances);
        QFETCH(bool, dark);
        SettingsTestRig t;
        t.appearances.clear();
        SettingsViewModel model;
        model.setServices(t.services.get());
        QCOMPARE(model.selectedPaletteId(), QStringLiteral("pink"));

        model.selectPalette(picked);
        QCOMPARE(model.selectedPaletteId(), current);
        QCOMPARE(WD::palette().id, current);
        QCOMPARE(t.appearances.size(), appearances);
        if (appearances > 0) {
            QCOMPARE(t.appearances.last(),
                     dark ? ThemeManager::Appearance::Dark : ThemeManager::Appearance::Light);
            QCOMPARE(t.defaults().string(QLatin1String(ThemeManager::settingsKey)), current);
        } else {
            QVERIFY(!t.defaults().contains(QLatin1String(ThemeManager::settingsKey)));
        }
        // A theme manager made afterwards, as at the next launch, restores it.
        ThemeManager restored(t.defaults(), ThemeManager::AppearanceApplier());
        QCOMPARE(restored.paletteID(), current);
    }
};

QTEST_MAIN(TestSettingsViewModel)
#include "TestSettingsViewModel.moc"
