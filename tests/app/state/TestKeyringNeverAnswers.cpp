#include "api/KeychainService.h"
#include "app/state/AppStateManager.h"
#include "app/state/FakeDelayScheduler.h"
#include "app/state/FakeRemoteConfigSource.h"
#include "app/state/RecordingAlertPresenter.h"

#include <QCoroTask>
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QtTest>

#include <atomic>

namespace {

// A Secret Service that takes every call and never answers one, as a keyring waiting on a prompt
// nobody sees would.
class SilentSecretService final : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return QString(); }
    bool handleMessage(const QDBusMessage &, const QDBusConnection &) override
    {
        ++calls;
        return true;
    }

    std::atomic<int> calls{0};
};

AuthTokens tokensNamed(const QString &accessToken)
{
    AuthTokens tokens;
    tokens.accessToken = accessToken;
    tokens.refreshToken = accessToken + QStringLiteral("-refresh");
    tokens.expiresAtRaw = QStringLiteral("2027-01-15T08:00:00Z");
    tokens.refreshExpiresAtRaw = QStringLiteral("2027-02-14T08:00:00Z");
    return tokens;
}

// What the interface may spend on one keyring call at most: it never waits for an answer.
constexpr qint64 interfaceBudgetMilliseconds = 200;

} // namespace

// The session bus is the suite's own (it runs under dbus-run-session), and the silent service owns
// the Secret Service's name on it before the first keyring job.
class TestKeyringNeverAnswers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void savesAndDeletesTakeEffectAtOnce();
    void restoreWaitsWhileTheInterfaceAnswers();

private:
    SilentSecretService m_service;
};

void TestKeyringNeverAnswers::initTestCase()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.isConnected());
    QVERIFY(bus.registerVirtualObject(QStringLiteral("/"), &m_service, QDBusConnection::SubPath));
    QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.secrets")));
}

void TestKeyringNeverAnswers::savesAndDeletesTakeEffectAtOnce()
{
    KeychainService keychain(QStringLiteral("com.wendoka.zuvevivezid.silent-writes"));
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!keychain.getAuthTokens());
    keychain.saveAuthTokens(tokensNamed(QStringLiteral("signed-in")));
    keychain.deleteAuthTokens();
    keychain.saveAuthTokens(tokensNamed(QStringLiteral("refreshed")));
    QVERIFY2(elapsed.elapsed() < interfaceBudgetMilliseconds,
             qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(keychain.getAuthTokens(), tokensNamed(QStringLiteral("refreshed")));
    // Known from the last save: nobody awaits the silent keyring's answer to the first read.
    QCOMPARE(QCoro::waitFor(keychain.loadAuthTokens()), tokensNamed(QStringLiteral("refreshed")));
    QTRY_VERIFY(m_service.calls.load() > 0);
}

void TestKeyringNeverAnswers::restoreWaitsWhileTheInterfaceAnswers()
{
    KeychainService keychain(QStringLiteral("com.wendoka.zuvevivezid.silent-restore"));
    FakeDelayScheduler scheduler;
    FakeRemoteConfigSource source;
    RecordingAlertPresenter alerts;
    AppStateManager state(AppStateManager::Dependencies{
        .restoreAuth = AppStateManager::defaultRestoreAuth(keychain, true),
        .probePermissions = [] { return true; },
        .slowRestoreAfterNanoseconds = AppStateManager::defaultSlowRestoreAfterNanoseconds,
        .remoteConfigService = source,
        .alerts = alerts,
        .scheduler = scheduler,
        .clock = systemClock(),
    });
    QTRY_VERIFY(m_service.calls.load() > 0);
    QTest::qWait(300);
    QVERIFY(state.isRestoringSession());

    // What the upload service's first pass and the API client ask while the restore waits.
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!keychain.getAuthTokens());
    QVERIFY2(elapsed.elapsed() < interfaceBudgetMilliseconds,
             qPrintable(QString::number(elapsed.elapsed())));

    scheduler.advance(8.0);
    QVERIFY(state.authRestoreIsSlow());
    // "Sign in instead", then the sign-in it leads to.
    state.abandonAuthRestore();
    QVERIFY(!state.isRestoringSession());
    QVERIFY(!state.isAuthenticated());
    keychain.saveAuthTokens(tokensNamed(QStringLiteral("typed-in")));
    state.setIsAuthenticated(true);
    QVERIFY2(elapsed.elapsed() < interfaceBudgetMilliseconds,
             qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(keychain.getAuthTokens(), tokensNamed(QStringLiteral("typed-in")));
}

QTEST_GUILESS_MAIN(TestKeyringNeverAnswers)
#include "TestKeyringNeverAnswers.moc"
