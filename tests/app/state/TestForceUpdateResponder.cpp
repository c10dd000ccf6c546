#include "app/state/AppStateManager.h"
#include "app/state/AppVersion.h"
#include "app/state/FakeDelayScheduler.h"
#include "app/state/FakeRemoteConfigSource.h"
#include "app/state/FakeTrackingEngine.h"
#include "app/state/ForceUpdateResponder.h"
#include "app/state/RecordingAlertPresenter.h"
#include "app/state/SessionManagerControl.h"
#include "support/LogCapture.h"
#include "tracking/engine/EngineFixture.h"

#include <QtTest>

#include <memory>

namespace {

constexpr const char *forceUpdateLog = "Force update required — stopping tracking";

RemoteConfig configRequiring(const QString &latestVersion)
{
    RemoteConfig config = EngineFixture::config(std::nullopt, false);
    config.latestClientVersion = latestVersion;
    return config;
}

struct WindowRecord
{
    int activations = 0;
    int raises = 0;
    bool windowExists = true;

    ForceUpdateResponder::WindowHooks hooks()
    {
        return {[this] { ++activations; },
                [this] {
                    ++raises;
                    return windowExists;
                }};
    }
};

} // namespace

class TestForceUpdateResponder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void answers_data();
    void answers();
    void stateGoneDoesNothing();
    void forcedUpdateStopsTrackingOnce();

private:
    std::unique_ptr<AppStateManager> makeState(const Clock &clock);

    FakeDelayScheduler m_scheduler;
    FakeRemoteConfigSource m_source;
    RecordingAlertPresenter m_alerts;
};

void TestForceUpdateResponder::init()
{
    m_source.outcomes.clear();
}

std::unique_ptr<AppStateManager> TestForceUpdateResponder::makeState(const Clock &clock)
{
    auto state = std::make_unique<AppStateManager>(AppStateManager::Dependencies{
        .restoreAuth = [] { return true; },
        .probePermissions = [] { return true; },
        .slowRestoreAfterNanoseconds = AppStateManager::defaultSlowRestoreAfterNanoseconds,
        .remoteConfigService = m_source,
        .alerts = m_alerts,
        .scheduler = m_scheduler,
        .clock = clock,
    });
    if (!QTest::qWaitFor([&] { return !state->isRestoringSession(); }))
        qFatal("the restore did not end");
    return state;
}

void TestForceUpdateResponder::answers_data()
{
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("shouldSurface");
    QTest::addColumn<bool>("surfaceAction");
    QTest::addColumn<bool>("windowExists");
    QTest::addColumn<bool>("surfaced");
    QTest::addColumn<int>("engineCalls");
    QTest::addColumn<int>("activations");
    QTest::addColumn<int>("raises");
    QTest::newRow("not forced") << false << false << true << true << false << 0 << 0 << 0;
    QTest::newRow("forced, already surfaced")
        << true << false << true << true << false << 1 << 0 << 0;
    QTest::newRow("forced, main window hook")
        << true << true << true << true << true << 1 << 1 << 0;
    QTest::newRow("forced, first window") << true << true << false << true << true << 1 << 1 << 1;
    QTest::newRow("forced, no window") << true << true << false << false << false << 1 << 1 << 1;
}

void TestForceUpdateResponder::answers()
{
    QFETCH(bool, force);
    QFETCH(bool, shouldSurface);
    QFETCH(bool, surfaceAction);
    QFETCH(bool, windowExists);
    QFETCH(bool, surfaced);
    QFETCH(int, engineCalls);
    QFETCH(int, activations);
    QFETCH(int, raises);
    auto state = makeState(systemClock());
    int mainWindowSurfaced = 0;
    if (surfaceAction)
        state->surfaceMainWindowAction = [&] {
            ++mainWindowSurfaced;
        };
    FakeTrackingEngine engine;
    WindowRecord windows;
    windows.windowExists = windowExists;
    const ForceUpdateResponder responder(*state, engine, windows.hooks());

    QCOMPARE(responder(force, shouldSurface), surfaced);
    QCOMPARE(engine.forceUpdateCalls, engineCalls);
    QCOMPARE(windows.activations, activations);
    QCOMPARE(windows.raises, raises);
    QCOMPARE(mainWindowSurfaced, surfaceAction && surfaced ? 1 : 0);
}

void TestForceUpdateResponder::stateGoneDoesNothing()
{
    auto state = makeState(systemClock());
    FakeTrackingEngine engine;
    WindowRecord windows;
    const ForceUpdateResponder responder(*state, engine, windows.hooks());
    state.reset();
    QVERIFY(!responder(true, true));
    QCOMPARE(engine.forceUpdateCalls, 0);
    QCOMPARE(windows.activations, 0);
}

void TestForceUpdateResponder::forcedUpdateStopsTrackingOnce()
{
    EngineFixture fixture;
    SessionManager &manager = fixture.createManager();
    SessionManagerControl engine(manager);
    auto state = makeState(fixture.clock);
    WindowRecord windows;
    ForceUpdateResponder::install(*state, engine, windows.hooks());
    const RemoteConfig forced =
        configRequiring(AppVersion::currentMarketingVersion() + QStringLiteral(".1"));
    const RemoteConfig lifted = configRequiring(AppVersion::currentMarketingVersion());
    const RemoteProject payroll{QStringLiteral("p1"), QStringLiteral("Payroll")};
    LogCapture log;

    manager.startTracking(payroll);
    QVERIFY(manager.isTracking());
    fixture.clock.advance(30.0);
    state->evaluateClientVersion(forced);
    QVERIFY(!manager.isTracking());
    QCOMPARE(fixture.storedHistory().size(), 1);
    QVERIFY(!fixture.storedActiveSession());
    QVERIFY(state->didSurfaceForceUpdate());
    QCOMPARE(windows.raises, 1);

    // The same forced configuration again: nothing runs, so nothing more is stopped or surfaced.
    state->evaluateClientVersion(forced);
    QCOMPARE(fixture.storedHistory().size(), 1);
    QCOMPARE(log.count(QString::fromUtf8(forceUpdateLog)), 1);
    QCOMPARE(windows.raises, 1);

    // Lifted, then forced again while a session runs: stopped and surfaced anew.
    state->evaluateClientVersion(lifted);
    QVERIFY(!state->didSurfaceForceUpdate());
    manager.startTracking(payroll);
    fixture.clock.advance(30.0);
    state->evaluateClientVersion(lifted);
    QVERIFY(manager.isTracking());
    state->evaluateClientVersion(forced);
    QVERIFY(!manager.isTracking());
    QCOMPARE(fixture.storedHistory().size(), 2);
    QCOMPARE(log.count(QString::fromUtf8(forceUpdateLog)), 2);
    QCOMPARE(windows.raises, 2);
}

QTEST_GUILESS_MAIN(TestForceUpdateResponder)
#include "TestForceUpdateResponder.moc"
