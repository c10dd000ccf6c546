#include "ui/signin/SignInLaunch.h"

#include "SettingsRootView.h"
#include "SettingsTestRig.h"

#include "api/auth/SignInPreferences.h"
#include "support/KeyringItem.h"
#include "support/TestEnvironment.h"
#include "ui/design/ThemeManager.h"
#include "ui/settings/LogoutCompletion.h"
#include "ui/settings/SettingsServices.h"

#include <QCoroTask>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QUuid>
#include <QtQml/qqmlextensionplugin.h>
#include <QtTest>

#include <algorithm>

Q_IMPORT_QML_PLUGIN(Zuvevivezid_DesignPlugin)
Q_IMPORT_QML_PLUGIN(Zuvevivezid_RootPlugin)

// A person signed in with the demo account signs out through the settings tab, drawn offscreen
// in the real root view: the logout reaches the stand-in service over HTTPS and the sign-in is
// gone from the real keyring, the user defaults and the screenshot report cache.
class TestSettingsLogoutEndToEnd : public QObject
{
    Q_OBJECT

private:
    static QQuickItem *find(QQuickView &view, const QString &name)
    {
        return SettingsTestRig::findItem(view.rootObject(), name);
    }

    static void click(QQuickView &view, const QString &name)
    {
        QQuickItem *button = find(view, name);
        QVERIFY2(button && button->isVisible() && button->isEnabled(), qPrintable(name));
        const QPointF centre = button->mapToScene(button->boundingRect().center());
        QTest::mouseClick(&view, Qt::LeftButton, {}, centre.toPoint());
    }

private Q_SLOTS:
    void initTestCase()
    {
        ZUV_REQUIRE_KEYRING();
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
        qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
    }

    void cleanup()
    {
        removeKeyringItem(m_keyringService);
        QTRY_VERIFY(!LoginViewModel::isLoginInProgress());
    }

    void logoutThroughTheScreen()
    {
        QVERIFY(m_standIn.reset());
        m_keyringService = QLatin1String(KeychainService::serviceName) + QStringLiteral(".test-") +
                           QUuid::createUuid().toString(QUuid::WithoutBraces);
        SignInLaunch launch(m_keyringService, m_standIn.caCertificatePath());
        launch.submit(StandInService::demoEmail());
        QTRY_COMPARE_WITH_TIMEOUT(launch.root.route(), RootViewModel::Route::SignedIn, 20000);
        QVERIFY(keyringItemTokens(m_keyringService).has_value());
        QVERIFY(launch.configService.isRefreshRunning());
        const QString companyKey = QLatin1String(UserProfileStorage::companyNameKey);
        QVERIFY(launch.defaults.contains(companyKey));
        const std::optional<QString> domain = launch.domains.getBaseURL()->host();
        launch.reportCache.store(ScreenshotReport(), systemClock().now(), domain);
        QCOMPARE(launch.reportCache.size(), 1);

        ThemeManager theme(launch.defaults, ThemeManager::AppearanceApplier());
        SessionManager &tracking = launch.rig.sessionManager();
        LogoutCompletion logout(LogoutCompletion::applicationSteps(
            tracking, launch.auth, launch.configService, *launch.rig.appState));
        SettingsServices services({*launch.rig.appState, launch.rig.sessionManager(), theme,
                                   launch.defaults, launch.domains, launch.rig.random, logout,
                                   SettingsServices::systemPermissionReset()});
        RootViewModel root(RootViewModel::Dependencies{*launch.rig.appState,
                                                       launch.rig.sessionManager(),
                                                       launch.rig.random,
                                                       true,
                                                       false,
                                                       {},
                                                       nullptr,
                                                       nullptr,
                                                       nullptr,
                                                       nullptr,
                                                       &services});
        root.selectTab(static_cast<int>(MainTab::Settings));

        QQmlEngine engine;
        const auto window = showRootView(engine, root, QSize(340, 900));
        QVERIFY(window);
        QQuickView &view = *window;
        QTRY_VERIFY(find(view, QStringLiteral("settingsView")) != nullptr);
        QTest::qWait(200);
        // The stored company shows as the account's company line.
        QCOMPARE(find(view, QStringLiteral("companyLine"))->property("text").toString(),
                 launch.defaults.string(companyKey)->trimmed());

        click(view, QStringLiteral("logoutButton"));
        QTRY_VERIFY(find(view, QStringLiteral("logoutConfirm"))->isVisible());
        QQuickItem *confirmBox = find(view, QStringLiteral("logoutConfirm"));
        QQuickItem *confirm =
            SettingsTestRig::findItem(confirmBox, QStringLiteral("confirmButton"));
        QVERIFY(confirm);
        const QPointF centre = confirm->mapToScene(confirm->boundingRect().center());
        QVERIFY(m_standIn.setDelay(QStringLiteral("POST"), QStringLiteral("authentication/logout"),
                                   1000));
        QTest::mouseClick(&view, Qt::LeftButton, {}, centre.toPoint());

        // While the service is asked, no window offers a start, and the engine refuses one asked
        // for all the same (an unfinished one resumed in the other window, say).
        QVERIFY(logout.isLoggingOut());
        QVERIFY(!launch.rig.appState->remoteConfig().has_value());
        tracking.startTracking(std::nullopt);
        QVERIFY(!tracking.isTracking());

        QTRY_COMPARE_WITH_TIMEOUT(root.route(), RootViewModel::Route::SignedOut, 20000);
        QVERIFY(!tracking.isTracking());
        QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"),
                                          QStringLiteral("authentication/logout"), 1));
        QTRY_VERIFY(!logout.isLoggingOut());
        QVERIFY(!launch.keychain.getAuthTokens().has_value());
        // A fresh reader of the keyring, as at the next launch, finds no item either.
        QVERIFY(!keyringItemTokens(m_keyringService).has_value());
        QVERIFY(!launch.defaults.contains(companyKey));
        QVERIFY(!launch.defaults.contains(QLatin1String(UserProfileStorage::userNameKey)));
        QVERIFY(!launch.domains.getBaseURL().has_value());
        QCOMPARE(launch.reportCache.size(), 0);
        QVERIFY(!launch.configService.isRefreshRunning());
        QVERIFY(!launch.rig.appState->remoteConfig().has_value());
        QVERIFY(launch.rig.appState->projects().isEmpty());
        // The settings screen went with the tabs.
        QTRY_VERIFY(find(view, QStringLiteral("settingsView")) == nullptr);

        // Starts are allowed again; a sign-out that finds a session running stops it first, with
        // its final heartbeat.
        tracking.startTracking(std::nullopt);
        QVERIFY(tracking.isTracking());
        const QUuid session = tracking.currentSession()->id;
        QCoro::waitFor(logout.logout());
        QVERIFY(!tracking.isTracking());
        QVERIFY(std::any_of(launch.rig.engine.uploadQueue.calls().cbegin(),
                            launch.rig.engine.uploadQueue.calls().cend(), [&](const auto &call) {
                                return call.operation == QStringLiteral("finalHeartbeatTask") &&
                                       call.sessionId == session;
                            }));
    }

private:
    StandInService m_standIn;
    QString m_keyringService;
};

QTEST_MAIN(TestSettingsLogoutEndToEnd)
#include "TestSettingsLogoutEndToEnd.moc"
