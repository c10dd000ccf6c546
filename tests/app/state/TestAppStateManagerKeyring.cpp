#include "api/KeychainService.h"
#include "app/state/AppStateManager.h"
#include "app/state/FakeDelayScheduler.h"
#include "app/state/FakeRemoteConfigSource.h"
#include "app/state/RecordingAlertPresenter.h"
#include "support/KeyringItem.h"
#include "support/TestEnvironment.h"

#include <QtTest>

// The launch restore against the real keyring item (a private item name, so that other suites'
// items are left alone).
class TestAppStateManagerKeyring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void restoreReadsTheStoredSignIn_data();
    void restoreReadsTheStoredSignIn();

private:
    static QString serviceName() { return QStringLiteral("com.wendoka.zuvevivezid.appstate-test"); }
};

void TestAppStateManagerKeyring::init()
{
    ZUV_REQUIRE_KEYRING();
    removeKeyringItem(serviceName());
}

void TestAppStateManagerKeyring::cleanup()
{
    if (TestEnvironment::keyringProblem().isEmpty())
        removeKeyringItem(serviceName());
}

void TestAppStateManagerKeyring::restoreReadsTheStoredSignIn_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("companyKnown");
    QTest::addColumn<bool>("restored");
    QTest::newRow("tokens of a finished sign-in") << true << true << true;
    // Quit on the company list, or after the configuration failed: its tokens go.
    QTest::newRow("tokens of a sign-in left unfinished") << true << false << false;
    QTest::newRow("nothing stored") << false << true << false;
}

void TestAppStateManagerKeyring::restoreReadsTheStoredSignIn()
{
    QFETCH(bool, stored);
    QFETCH(bool, companyKnown);
    QFETCH(bool, restored);
    if (stored) {
        AuthTokens tokens;
        tokens.accessToken = QStringLiteral("access");
        tokens.refreshToken = QStringLiteral("refresh");
        tokens.expiresAt = Timestamp::fromSecondsSince1970(1'800'000'000.0);
        tokens.refreshExpiresAt = Timestamp::fromSecondsSince1970(1'802'592'000.0);
        tokens.expiresAtRaw = QStringLiteral("2027-01-15T08:00:00Z");
        tokens.refreshExpiresAtRaw = QStringLiteral("2027-02-14T08:00:00Z");
        KeychainService(serviceName()).saveAuthTokens(tokens);
        QVERIFY(KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1)));
    }
    // A reader of its own, as at the next launch.
    KeychainService keychain(serviceName());
    FakeDelayScheduler scheduler;
    FakeRemoteConfigSource source;
    RecordingAlertPresenter alerts;
    AppStateManager state(AppStateManager::Dependencies{
        .restoreAuth = AppStateManager::defaultRestoreAuth(keychain, companyKnown),
        .probePermissions = AppStateManager::defaultProbePermissions(),
        .slowRestoreAfterNanoseconds = AppStateManager::defaultSlowRestoreAfterNanoseconds,
        .remoteConfigService = source,
        .alerts = alerts,
        .scheduler = scheduler,
        .clock = systemClock(),
    });
    QTRY_VERIFY_WITH_TIMEOUT(!state.isRestoringSession(), 30000);
    QCOMPARE(state.isAuthenticated(), restored);
    QCOMPARE(keychain.getAuthTokens().has_value(), restored);
}

QTEST_GUILESS_MAIN(TestAppStateManagerKeyring)
#include "TestAppStateManagerKeyring.moc"
