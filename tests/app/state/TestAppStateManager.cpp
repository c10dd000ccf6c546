#include "app/state/AppStateManager.h"
#include "app/state/AppVersion.h"
#include "app/state/FakeDelayScheduler.h"
#include "app/state/FakeRemoteConfigSource.h"
#include "app/state/FakeTrackingEngine.h"
#include "app/state/RecordingAlertPresenter.h"
#include "foundation/NotificationHub.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"

#include <QCoroTask>
#include <QFutureWatcher>
#include <QSemaphore>
#include <QtTest>

#include <atomic>
#include <memory>
#include <vector>

namespace {

// A stored-credentials check that waits until the test answers it, as a keyring waiting for the
// user would.
struct ControlledRestore
{
    QSemaphore answered;
    std::atomic<bool> answer{false};
    std::atomic<double> takesSeconds{0.0};
    FakeClock *clock = nullptr;

    AppStateManager::RestoreAuth callback()
    {
        return [this] {
            answered.acquire();
            if (clock && takesSeconds.load() > 0.0)
                clock->advance(takesSeconds.load());
            return answer.load();
        };
    }
    void respond(bool value)
    {
        answer = value;
        answered.release();
    }
};

RemoteConfig configWithLatestVersion(const std::optional<QString> &latest,
                                     const std::optional<QString> &downloadURL = std::nullopt)
{
    RemoteConfig config;
    config.deviceId = QStringLiteral("device-1");
    config.projects = {{QStringLiteral("p1"), QStringLiteral("Payroll")}};
    config.screenshotIntervalMinutes = 5;
    config.idleMinutesThreshold = 5;
    config.latestClientVersion = latest;
    config.clientDownloadURL = downloadURL;
    return config;
}

QString newerThanThisBuild()
{
    return AppVersion::currentMarketingVersion() + QStringLiteral(".0.1");
}

} // namespace

class TestAppStateManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // Restore at launch.
    void slowFlagFollowsTheRestore_data();
    void slowFlagFollowsTheRestore();
    void slowKeychainReadIsLogged_data();
    void slowKeychainReadIsLogged();
    void waitersAllResume();
    void lateAnswerAfterAbandonIsDropped();
    void signInDuringRestoreEndsIt();
    void abandonAfterTheRestoreDoesNothing();
    void restoreRunsOffTheMainThread();

    // Configuration and forced update.
    void evaluateClientVersion_data();
    void evaluateClientVersion();
    void unsurfacedForcedStateIsRetried();
    void liftingAndReforcingSurfacesAgain();
    void refreshAppliesTheFetchedConfiguration();
    void failedRefreshChangesNothing();
    void refreshAnsweredAfterASignOutIsDropped_data();
    void refreshAnsweredAfterASignOutIsDropped();
    void sessionInvalidatedResetsTheState();
    void checkForUpdates_data();
    void checkForUpdates();
    void checkForUpdatesWhileSignedOut();

    // Local data.
    void localDataTroubleIsToldAsItIsPosted();
    void everyWriteFailureIsTheSameNoticeWithTheCapturesLost();

private:
    std::unique_ptr<AppStateManager> makeState(AppStateManager::RestoreAuth restore);
    // A state whose restore has ended with the given answer.
    std::unique_ptr<AppStateManager> restoredState(bool authenticated);
    void waitUntilRestoreAnswerHandled(AppStateManager &state);

    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<FakeDelayScheduler> m_scheduler;
    std::unique_ptr<FakeRemoteConfigSource> m_source;
    std::unique_ptr<RecordingAlertPresenter> m_alerts;
    std::unique_ptr<ControlledRestore> m_restore;
    std::vector<std::unique_ptr<FakeClock>> m_retiredClocks;
    std::vector<std::unique_ptr<ControlledRestore>> m_retiredRestores;
};

void TestAppStateManager::init()
{
    // A restore thread may still be finishing with the previous test's clock and callback; they
    // are kept until the end of the run.
    if (m_clock)
        m_retiredClocks.push_back(std::move(m_clock));
    if (m_restore)
        m_retiredRestores.push_back(std::move(m_restore));
    m_clock = std::make_unique<FakeClock>();
    m_scheduler = std::make_unique<FakeDelayScheduler>(m_clock.get());
    m_source = std::make_unique<FakeRemoteConfigSource>();
    m_alerts = std::make_unique<RecordingAlertPresenter>();
    m_restore = std::make_unique<ControlledRestore>();
    m_restore->clock = m_clock.get();
}

void TestAppStateManager::cleanup()
{
    // No restore thread stays blocked after its test.
    m_restore->respond(false);
}

std::unique_ptr<AppStateManager>
TestAppStateManager::makeState(AppStateManager::RestoreAuth restore)
{
    return std::make_unique<AppStateManager>(AppStateManager::Dependencies{
        .restoreAuth = std::move(restore),
        .probePermissions = [] { return true; },
        .slowRestoreAfterNanoseconds = AppStateManager::defaultSlowRestoreAfterNanoseconds,
        .remoteConfigService = *m_source,
        .alerts = *m_alerts,
        .scheduler = *m_scheduler,
        .clock = *m_clock,
    });
}

std::unique_ptr<AppStateManager> TestAppStateManager::restoredState(bool authenticated)
{
    auto state = makeState([authenticated] { return authenticated; });
    if (!QTest::qWaitFor([&] { return !state->isRestoringSession(); }))
        qFatal("the restore did not end");
    return state;
}

void TestAppStateManager::waitUntilRestoreAnswerHandled(AppStateManager &state)
{
    // The answer comes back through a watcher that is gone once it has been handled.
    QTRY_VERIFY(state.findChildren<QFutureWatcherBase *>().isEmpty());
}

void TestAppStateManager::slowFlagFollowsTheRestore_data()
{
    QTest::addColumn<double>("answerAfter");
    QTest::addColumn<bool>("raised");
    QTest::newRow("answer at 7 s") << 7.0 << false;
    QTest::newRow("answer at 10 s") << 10.0 << true;
}

void TestAppStateManager::slowFlagFollowsTheRestore()
{
    QFETCH(double, answerAfter);
    QFETCH(bool, raised);
    auto state = makeState(m_restore->callback());
    QList<std::pair<double, bool>> changes;
    connect(state.get(), &AppStateManager::authRestoreIsSlowChanged, this, [&] {
        changes.append({m_scheduler->now(), state->authRestoreIsSlow()});
    });

    m_scheduler->advance(7.999);
    QVERIFY(!state->authRestoreIsSlow());
    m_scheduler->advance(answerAfter - 7.999);
    QVERIFY(state->isRestoringSession());
    m_restore->respond(true);
    QTRY_VERIFY(!state->isRestoringSession());
    // Long after the answer the flag stays down.
    m_scheduler->advance(60.0);

    QVERIFY(state->isAuthenticated());
    QVERIFY(!state->authRestoreIsSlow());
    QCOMPARE(m_scheduler->pendingCount(), 0);
    if (raised) {
        QCOMPARE(changes.size(), 2);
        QCOMPARE(changes.at(0), std::make_pair(8.0, true));
        QCOMPARE(changes.at(1), std::make_pair(answerAfter, false));
    } else {
        QVERIFY(changes.isEmpty());
    }
}

void TestAppStateManager::slowKeychainReadIsLogged_data()
{
    QTest::addColumn<double>("takes");
    QTest::addColumn<QString>("logged");
    QTest::newRow("2.0 s exactly") << 2.0 << QString();
    QTest::newRow("2.14 s") << 2.14 << QStringLiteral("Keychain read took 2.1s");
    QTest::newRow("9.96 s") << 9.96 << QStringLiteral("Keychain read took 10.0s");
}

void TestAppStateManager::slowKeychainReadIsLogged()
{
    QFETCH(double, takes);
    QFETCH(QString, logged);
    LogCapture capture;
    m_restore->takesSeconds = takes;
    auto state = makeState(m_restore->callback());
    m_restore->respond(false);
    QTRY_VERIFY(!state->isRestoringSession());
    const int expected = logged.isEmpty() ? 0 : 1;
    QCOMPARE(capture.count(QStringLiteral("Keychain read took")), expected);
    if (!logged.isEmpty()) {
        QVERIFY(capture.contains(
            logged + QStringLiteral(" — the user was probably asked to authorise access")));
    }
}

void TestAppStateManager::waitersAllResume()
{
    auto state = makeState(m_restore->callback());
    int resumed = 0;
    auto waiter = [&state, &resumed]() -> QCoro::Task<> {
        co_await state->awaitAuthRestore();
        ++resumed;
    };
    waiter();
    waiter();
    waiter();
    QCoreApplication::processEvents();
    QCOMPARE(resumed, 0);

    m_restore->respond(true);
    QTRY_COMPARE(resumed, 3);
    QCOMPARE(state->isRestoringSession(), false);

    // After the end a waiter returns at once, without the event loop.
    waiter();
    QCOMPARE(resumed, 4);
}

void TestAppStateManager::lateAnswerAfterAbandonIsDropped()
{
    LogCapture capture;
    auto state = makeState(m_restore->callback());
    m_scheduler->advance(9.0);
    QVERIFY(state->authRestoreIsSlow());
    int resumed = 0;
    auto waiter = [&state, &resumed]() -> QCoro::Task<> {
        co_await state->awaitAuthRestore();
        ++resumed;
    };
    waiter();

    state->abandonAuthRestore();
    QCOMPARE(capture.count(QStringLiteral(
                 "User abandoned a stalled launch keychain read; showing the login screen")),
             1);
    QVERIFY(!state->isRestoringSession());
    QVERIFY(!state->authRestoreIsSlow());
    QVERIFY(!state->isAuthenticated());
    QTRY_COMPARE(resumed, 1);

    m_restore->respond(true);
    waitUntilRestoreAnswerHandled(*state);
    QVERIFY(!state->isAuthenticated());
    QVERIFY(!state->isRestoringSession());
}

void TestAppStateManager::signInDuringRestoreEndsIt()
{
    auto state = makeState(m_restore->callback());
    QSignalSpy restoring(state.get(), &AppStateManager::isRestoringSessionChanged);
    state->setIsAuthenticated(true);
    QVERIFY(!state->isRestoringSession());
    QCOMPARE(restoring.size(), 1);

    m_restore->respond(false);
    waitUntilRestoreAnswerHandled(*state);
    QVERIFY(state->isAuthenticated());
    QCOMPARE(restoring.size(), 1);
}

void TestAppStateManager::abandonAfterTheRestoreDoesNothing()
{
    auto state = restoredState(true);
    LogCapture capture;
    QSignalSpy authenticated(state.get(), &AppStateManager::isAuthenticatedChanged);
    state->abandonAuthRestore();
    QVERIFY(state->isAuthenticated());
    QCOMPARE(authenticated.size(), 0);
    QVERIFY(!capture.contains(QStringLiteral("abandoned")));
}

void TestAppStateManager::restoreRunsOffTheMainThread()
{
    std::atomic<QThread *> restoreThread{nullptr};
    auto state = makeState([&restoreThread] {
        restoreThread = QThread::currentThread();
        return true;
    });
    // Creating the state did not wait for the answer.
    QVERIFY(state->isRestoringSession());
    QTRY_VERIFY(!state->isRestoringSession());
    QVERIFY(restoreThread.load() != nullptr);
    QVERIFY(restoreThread.load() != QThread::currentThread());
}

void TestAppStateManager::evaluateClientVersion_data()
{
    QTest::addColumn<std::optional<QString>>("latest");
    QTest::addColumn<std::optional<QString>>("downloadURL");
    QTest::addColumn<bool>("forced");
    QTest::addColumn<std::optional<QString>>("expectedLatest");
    QTest::addColumn<std::optional<QUrl>>("expectedURL");

    const QString current = AppVersion::currentMarketingVersion();
    const QString newer = newerThanThisBuild();
    const QString link = QStringLiteral("https://downloads.example/client.deb");
    QTest::newRow("same version, fewer parts")
        << std::optional<QString>(current + QStringLiteral(".0")) << std::optional<QString>(link)
        << false << std::optional<QString>(current + QStringLiteral(".0")) << std::optional<QUrl>();
    QTest::newRow("newer, link taken")
        << std::optional<QString>(newer) << std::optional<QString>(link) << true
        << std::optional<QString>(newer) << std::optional<QUrl>(QUrl(link));
    QTest::newRow("newer, padded")
        << std::optional<QString>(QStringLiteral(" \n") + newer + QStringLiteral("\t"))
        << std::optional<QString>() << true << std::optional<QString>(newer)
        << std::optional<QUrl>();
    QTest::newRow("newer, link unparsable")
        << std::optional<QString>(newer)
        << std::optional<QString>(QStringLiteral("http://exa mple/")) << true
        << std::optional<QString>(newer) << std::optional<QUrl>();
    QTest::newRow("older") << std::optional<QString>(QStringLiteral("0.0.1"))
                           << std::optional<QString>(link) << false
                           << std::optional<QString>(QStringLiteral("0.0.1"))
                           << std::optional<QUrl>();
    QTest::newRow("only blanks") << std::optional<QString>(QStringLiteral("  \n"))
                                 << std::optional<QString>(link) << false
                                 << std::optional<QString>() << std::optional<QUrl>();
    QTest::newRow("absent") << std::optional<QString>() << std::optional<QString>(link) << false
                            << std::optional<QString>() << std::optional<QUrl>();
}

void TestAppStateManager::evaluateClientVersion()
{
    QFETCH(std::optional<QString>, latest);
    QFETCH(std::optional<QString>, downloadURL);
    QFETCH(bool, forced);
    QFETCH(std::optional<QString>, expectedLatest);
    QFETCH(std::optional<QUrl>, expectedURL);
    auto state = restoredState(true);
    // Start from a forced state, so every case shows what it sets and what it clears.
    state->evaluateClientVersion(
        configWithLatestVersion(newerThanThisBuild(), QStringLiteral("https://old.example/")));
    QVERIFY(state->forceClientUpdate());

    state->evaluateClientVersion(configWithLatestVersion(latest, downloadURL));
    QCOMPARE(state->forceClientUpdate(), forced);
    QCOMPARE(state->forceUpdateLatestVersion(), expectedLatest);
    QCOMPARE(state->forceUpdateDownloadURL(), expectedURL);
}

void TestAppStateManager::unsurfacedForcedStateIsRetried()
{
    auto state = restoredState(true);
    const RemoteConfig forced = configWithLatestVersion(newerThanThisBuild());
    state->evaluateClientVersion(forced);
    QVERIFY(state->forceClientUpdate());
    QVERIFY(!state->didSurfaceForceUpdate());

    QList<std::pair<bool, bool>> calls;
    bool windowAvailable = false;
    state->onForceUpdateEvaluated = [&](bool force, bool shouldSurface) {
        calls.append({force, shouldSurface});
        return shouldSurface && windowAvailable;
    };
    // No window to bring forward yet: the next evaluation asks again.
    state->evaluateClientVersion(forced);
    QVERIFY(!state->didSurfaceForceUpdate());
    windowAvailable = true;
    state->applyForceUpdateEnforcement();
    QVERIFY(state->didSurfaceForceUpdate());
    state->evaluateClientVersion(forced);
    const QList<std::pair<bool, bool>> expected{{true, true}, {true, true}, {true, false}};
    QCOMPARE(calls, expected);
}

void TestAppStateManager::liftingAndReforcingSurfacesAgain()
{
    auto state = restoredState(true);
    QList<std::pair<bool, bool>> calls;
    state->onForceUpdateEvaluated = [&](bool force, bool shouldSurface) {
        calls.append({force, shouldSurface});
        return force && shouldSurface;
    };
    const RemoteConfig forced = configWithLatestVersion(newerThanThisBuild());
    const RemoteConfig lifted = configWithLatestVersion(AppVersion::currentMarketingVersion());

    state->evaluateClientVersion(forced);
    state->evaluateClientVersion(forced);
    state->evaluateClientVersion(lifted);
    QVERIFY(!state->didSurfaceForceUpdate());
    state->evaluateClientVersion(forced);
    QVERIFY(state->didSurfaceForceUpdate());

    const QList<std::pair<bool, bool>> expected{
        {true, true}, {true, false}, {false, false}, {true, true}};
    QCOMPARE(calls, expected);
}

void TestAppStateManager::refreshAppliesTheFetchedConfiguration()
{
    auto state = restoredState(true);
    const RemoteConfig config = configWithLatestVersion(newerThanThisBuild());
    m_source->outcomes.append(config);
    bool done = false;
    auto refresh = [&]() -> QCoro::Task<> {
        co_await state->refreshRemoteConfigFromServer();
        done = true;
    };
    refresh();
    QTRY_VERIFY(done);
    QCOMPARE(state->remoteConfig(), std::optional<RemoteConfig>(config));
    QCOMPARE(state->projects(), config.projects);
    QVERIFY(state->forceClientUpdate());
}

void TestAppStateManager::failedRefreshChangesNothing()
{
    auto state = restoredState(true);
    const RemoteConfig applied = configWithLatestVersion(newerThanThisBuild());
    state->setRemoteConfig(applied);
    state->evaluateClientVersion(applied);
    m_source->outcomes.append(APIError::serverError(503));
    std::optional<int> thrownStatus;
    auto refresh = [&]() -> QCoro::Task<> {
        try {
            co_await state->refreshRemoteConfigFromServer();
            thrownStatus = 0;
        } catch (const APIError &error) {
            thrownStatus = error.statusCode();
        }
    };
    refresh();
    QTRY_VERIFY(thrownStatus.has_value());
    QCOMPARE(*thrownStatus, 503);
    QCOMPARE(state->remoteConfig(), std::optional<RemoteConfig>(applied));
    QVERIFY(state->forceClientUpdate());
}

void TestAppStateManager::refreshAnsweredAfterASignOutIsDropped_data()
{
    QTest::addColumn<bool>("signInAgain");
    QTest::addColumn<bool>("fromTheMenu");
    QTest::newRow("signed out") << false << false;
    QTest::newRow("signed out and in again") << true << false;
    QTest::newRow("menu check, signed out") << false << true;
    QTest::newRow("menu check, signed out and in again") << true << true;
}

void TestAppStateManager::refreshAnsweredAfterASignOutIsDropped()
{
    QFETCH(bool, signInAgain);
    QFETCH(bool, fromTheMenu);
    auto state = restoredState(true);
    FakeTrackingEngine engine;
    m_source->answerDelay = std::chrono::milliseconds(50);
    m_source->outcomes.append(configWithLatestVersion(newerThanThisBuild()));
    std::optional<bool> applied;
    auto refresh = [&]() -> QCoro::Task<> {
        applied = co_await state->refreshRemoteConfigFromServer();
    };
    if (fromTheMenu)
        state->checkForUpdatesFromMenu(engine);
    else
        refresh();
    state->applySessionInvalidated();
    if (signInAgain)
        state->setIsAuthenticated(true);
    QTRY_COMPARE(m_source->outcomes.size(), 0);
    QTest::qWait(100);
    if (!fromTheMenu)
        QCOMPARE(applied, std::optional<bool>(false));
    QVERIFY(!state->remoteConfig().has_value());
    QVERIFY(!state->forceClientUpdate());
    QVERIFY(engine.appliedConfigs.isEmpty());
    QVERIFY(m_alerts->alerts().isEmpty());
}

void TestAppStateManager::sessionInvalidatedResetsTheState()
{
    auto state = restoredState(true);
    int surfaced = 0;
    state->onForceUpdateEvaluated = [&](bool force, bool shouldSurface) {
        surfaced += force && shouldSurface ? 1 : 0;
        return force && shouldSurface;
    };
    const RemoteConfig forced = configWithLatestVersion(newerThanThisBuild());
    state->setRemoteConfig(forced);
    state->evaluateClientVersion(forced);
    state->setHasRequiredPermissions(true);
    state->setPendingMainTab(MainTab::Settings);

    state->applySessionInvalidated();
    QVERIFY(!state->isAuthenticated());
    QVERIFY(!state->remoteConfig().has_value());
    QVERIFY(state->projects().isEmpty());
    QVERIFY(!state->forceClientUpdate());
    QVERIFY(!state->forceUpdateLatestVersion().has_value());
    QVERIFY(!state->didSurfaceForceUpdate());
    QCOMPARE(m_source->stops, 1);
    QVERIFY(state->hasRequiredPermissions());
    QCOMPARE(state->pendingMainTab(), std::optional<MainTab>(MainTab::Settings));

    // The next sign-in's forced state is surfaced anew.
    state->setIsAuthenticated(true);
    state->evaluateClientVersion(forced);
    QCOMPARE(surfaced, 2);
}

void TestAppStateManager::checkForUpdates_data()
{
    QTest::addColumn<std::optional<APIError>>("failure");
    QTest::addColumn<bool>("newer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<std::optional<QString>>("informative");
    const QString failed = QStringLiteral("Failed to check for updates.");
    QTest::newRow("up to date") << std::optional<APIError>() << false
                                << QStringLiteral("You’re up to date.") << std::optional<QString>();
    QTest::newRow("newer version")
        << std::optional<APIError>() << true << QStringLiteral("A newer version is available.")
        << std::optional<QString>();
    // The alert carries the failure's description, not the error kind's code name.
    QTest::newRow("network") << std::optional<APIError>(
                                    APIError::network(QNetworkReply::ConnectionRefusedError,
                                                      QStringLiteral("Connection refused")))
                             << false << failed
                             << std::optional<QString>(QStringLiteral("Connection refused"));
    QTest::newRow("network without words")
        << std::optional<APIError>(APIError::network(QNetworkReply::UnknownNetworkError, {}))
        << false << failed
        << std::optional<QString>(QStringLiteral("The server could not be reached."));
    QTest::newRow("server error") << std::optional<APIError>(APIError::serverError(500)) << false
                                  << failed
                                  << std::optional<QString>(
                                         QStringLiteral("The server answered with status 500."));
    QTest::newRow("unreadable answer")
        << std::optional<APIError>(APIError::decodingFailed()) << false << failed
        << std::optional<QString>(QStringLiteral("The server's answer could not be read."));
}

void TestAppStateManager::checkForUpdates()
{
    QFETCH(std::optional<APIError>, failure);
    QFETCH(bool, newer);
    QFETCH(QString, message);
    QFETCH(std::optional<QString>, informative);
    const bool fails = failure.has_value();
    auto state = restoredState(true);
    FakeTrackingEngine engine;
    const RemoteConfig config = configWithLatestVersion(
        newer ? newerThanThisBuild() : AppVersion::currentMarketingVersion());
    if (fails)
        m_source->outcomes.append(*failure);
    else
        m_source->outcomes.append(config);

    state->checkForUpdatesFromMenu(engine);
    QTRY_COMPARE(m_alerts->alerts().size(), 1);
    QCOMPARE(m_alerts->alerts().first().messageText, message);
    QCOMPARE(m_alerts->alerts().first().informativeText, informative);
    QCOMPARE(m_source->fetches, 1);
    if (fails) {
        QVERIFY(engine.appliedConfigs.isEmpty());
        QVERIFY(!state->remoteConfig().has_value());
    } else {
        QCOMPARE(engine.appliedConfigs, QList<std::optional<RemoteConfig>>{config});
        QCOMPARE(state->forceClientUpdate(), newer);
    }
}

void TestAppStateManager::checkForUpdatesWhileSignedOut()
{
    auto state = restoredState(false);
    FakeTrackingEngine engine;
    state->checkForUpdatesFromMenu(engine);
    QTRY_COMPARE(m_alerts->alerts().size(), 1);
    QCOMPARE(m_alerts->alerts().first().messageText,
             QStringLiteral("Sign in to check for updates."));
    QVERIFY(!m_alerts->alerts().first().informativeText.has_value());
    QCOMPARE(m_source->fetches, 0);
    QVERIFY(engine.appliedConfigs.isEmpty());
}

void TestAppStateManager::localDataTroubleIsToldAsItIsPosted()
{
    const auto state = restoredState(true);
    NotificationHub &hub = NotificationHub::instance();
    Q_EMIT hub.localDatabaseWasDamaged(
        QStringLiteral("1 running session(s), 40 activity segment(s)"),
        QStringLiteral("/data/zuvevivezid.sqlite.damaged-1"));
    Q_EMIT hub.localDatabaseCannotBeWritten();
    // Not while the poster (the store, under its lock) is still in its call.
    QVERIFY(m_alerts->alerts().isEmpty());
    QTRY_COMPARE(m_alerts->alerts().size(), 2);

    const auto &damaged = m_alerts->alerts().at(0);
    QCOMPARE(damaged.messageText, QStringLiteral("Local data was damaged."));
    QVERIFY(damaged.informativeText->contains(QStringLiteral("40 activity segment(s)")));
    QVERIFY(
        damaged.informativeText->contains(QStringLiteral("/data/zuvevivezid.sqlite.damaged-1")));
    QCOMPARE(m_alerts->alerts().at(1).messageText, QStringLiteral("Tracked time cannot be saved."));
    // Never modal: Stop must stay within reach while it is up.
    QVERIFY(!m_alerts->alerts().at(1).modal);
}

void TestAppStateManager::everyWriteFailureIsTheSameNoticeWithTheCapturesLost()
{
    const auto state = restoredState(true);
    NotificationHub &hub = NotificationHub::instance();
    Q_EMIT hub.preferencesCannotBeWritten();
    Q_EMIT hub.capturesCouldNotBeSaved(2);
    Q_EMIT hub.capturesCouldNotBeSaved(1);
    Q_EMIT hub.localFileWasDamaged(QStringLiteral("The screenshot folder was replaced."),
                                   QStringLiteral("/data/captures.damaged-1"));
    QTRY_COMPARE(m_alerts->alerts().size(), 4);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(m_alerts->alerts().at(i).messageText,
                 QStringLiteral("Tracked time cannot be saved."));
        QVERIFY(!m_alerts->alerts().at(i).modal);
    }
    QVERIFY(!m_alerts->alerts().at(0).informativeText->contains(QStringLiteral("screenshot")));
    QVERIFY(m_alerts->alerts().at(1).informativeText->contains(QStringLiteral("2 screenshot(s)")));
    QVERIFY(m_alerts->alerts().at(2).informativeText->contains(QStringLiteral("3 screenshot(s)")));
    const auto &damaged = m_alerts->alerts().at(3);
    QCOMPARE(damaged.messageText, QStringLiteral("Local data was damaged."));
    QVERIFY(damaged.informativeText->contains(QStringLiteral("/data/captures.damaged-1")));
    // Found while tracking: Stop stays within reach.
    QVERIFY(!damaged.modal);
}

QTEST_GUILESS_MAIN(TestAppStateManager)
#include "TestAppStateManager.moc"
