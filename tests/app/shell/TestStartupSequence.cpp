#include "app/shell/FakeShellDialogs.h"
#include "app/shell/ShellTestRig.h"
#include "app/shell/StartupEnvironment.h"
#include "app/shell/StartupSequence.h"
#include "app/state/SessionManagerControl.h"

#include <QSignalSpy>
#include <QTest>

// An environment that builds the test rig's objects and writes down every call, so the order
// start-up runs in can be read back.
class RecordingEnvironment final : public StartupEnvironment
{
public:
    explicit RecordingEnvironment(ShellTestRig &rig)
        : m_rig(rig)
    {}

    QStringList calls;
    std::optional<RemoteConfig> cachedConfig;
    ConfigHandler refreshHandler;
    int raiseRequests = 0;

    void loadTheme() override { calls.append(QStringLiteral("loadTheme")); }
    AppStateManager &createAppState() override
    {
        calls.append(QStringLiteral("createAppState"));
        AppStateManager &state = m_rig.createAppState();
        QObject::connect(&state, &AppStateManager::authRestoreFinished, &state,
                         [this] { calls.append(QStringLiteral("restoreFinished")); });
        return state;
    }
    SessionManager &createSessionManager() override
    {
        calls.append(QStringLiteral("createSessionManager"));
        SessionManager &engine = m_rig.engine.createManager();
        m_control = std::make_unique<RecordingControl>(engine, calls);
        return engine;
    }
    TrackingEngineControl &engineControl() override { return *m_control; }
    ShellDialogs &dialogs() override { return m_dialogs; }
    ForceUpdateResponder::WindowHooks windowHooks() override
    {
        return {[this] { calls.append(QStringLiteral("activate")); },
                [this] {
                    ++raiseRequests;
                    return true;
                }};
    }
    void startUploadService() override { calls.append(QStringLiteral("startUploadService")); }
    void bootstrapApiTimeZone() override { calls.append(QStringLiteral("bootstrapApiTimeZone")); }
    void startWatchdog() override { calls.append(QStringLiteral("startWatchdog")); }
    void startSegmentClock(SessionManager &) override
    {
        calls.append(QStringLiteral("startSegmentClock"));
    }
    std::optional<RemoteConfig> readCachedConfig() override
    {
        calls.append(QStringLiteral("readCachedConfig"));
        return cachedConfig;
    }
    void startPeriodicRefresh(ConfigHandler onUpdate) override
    {
        calls.append(QStringLiteral("startPeriodicRefresh"));
        refreshHandler = std::move(onUpdate);
    }
    void stepPerformed(const QString &step) override { calls.append(step); }

private:
    // The real engine control, noting each call.
    class RecordingControl final : public TrackingEngineControl
    {
    public:
        RecordingControl(SessionManager &engine, QStringList &calls)
            : m_control(engine)
            , m_calls(calls)
        {}
        void applyConfig(const std::optional<RemoteConfig> &config) override
        {
            m_calls.append(config ? QStringLiteral("engine.applyConfig")
                                  : QStringLiteral("engine.applyConfig(none)"));
            m_control.applyConfig(config);
        }
        void handleForceUpdateRequired() override
        {
            m_calls.append(QStringLiteral("engine.forceUpdateRequired"));
            m_control.handleForceUpdateRequired();
        }

    private:
        SessionManagerControl m_control;
        QStringList &m_calls;
    };

    ShellTestRig &m_rig;
    FakeShellDialogs m_dialogs;
    std::unique_ptr<RecordingControl> m_control;
};

class TestStartupSequence : public QObject
{
    Q_OBJECT

private:
    static void verifyOrder(const QStringList &calls, const QStringList &expected)
    {
        qsizetype previous = -1;
        for (const QString &call : expected) {
            const qsizetype at = calls.indexOf(call);
            QVERIFY2(at >= 0, qPrintable(call + QStringLiteral(" missing from ") +
                                         calls.join(QStringLiteral(", "))));
            QVERIFY2(at > previous, qPrintable(call + QStringLiteral(" out of order in ") +
                                               calls.join(QStringLiteral(", "))));
            previous = at;
        }
    }

private Q_SLOTS:
    void signedInStartUpRunsInItsOrder()
    {
        ShellTestRig rig(false);
        RecordingEnvironment environment(rig);
        environment.cachedConfig = EngineFixture::config(QStringLiteral("ask"), false);
        StartupSequence startup(environment);

        startup.run();
        // The restore is still running: the cached configuration is applied already, and the
        // upload service has not been started inside the start-up itself.
        QVERIFY(rig.appState->isRestoringSession());
        QVERIFY(rig.appState->remoteConfig().has_value());
        QCOMPARE(rig.appState->projects().size(), 2);
        QVERIFY(rig.sessionManager().config().has_value());
        QVERIFY(!environment.calls.contains(QStringLiteral("startUploadService")));
        QVERIFY(!startup.isStartupTaskFinished());

        rig.finishRestore(true);
        QTRY_VERIFY(startup.isStartupTaskFinished());
        QTRY_VERIFY(environment.calls.contains(QStringLiteral("startUploadService")));

        verifyOrder(environment.calls,
                    {QStringLiteral("loadTheme"), QStringLiteral("createAppState"),
                     QStringLiteral("createSessionManager"), QStringLiteral("installIdleDecision"),
                     QStringLiteral("installForceUpdate"), QStringLiteral("observeTakeover"),
                     QStringLiteral("bootstrapApiTimeZone"), QStringLiteral("startWatchdog"),
                     QStringLiteral("startSegmentClock"), QStringLiteral("readCachedConfig"),
                     QStringLiteral("engine.applyConfig"), QStringLiteral("restoreFinished"),
                     QStringLiteral("startPeriodicRefresh")});
        // The upload service starts from the event loop, after the start-up steps.
        verifyOrder(environment.calls,
                    {QStringLiteral("startSegmentClock"), QStringLiteral("startUploadService")});
        QCOMPARE(environment.calls.count(QStringLiteral("startPeriodicRefresh")), 1);
    }

    void refreshedConfigurationReachesStateThenEngine()
    {
        ShellTestRig rig(false);
        RecordingEnvironment environment(rig);
        StartupSequence startup(environment);
        startup.run();
        rig.finishRestore(true);
        QTRY_VERIFY(environment.refreshHandler != nullptr);
        QVERIFY(!rig.appState->remoteConfig().has_value());

        RemoteConfig refreshed = EngineFixture::config(QStringLiteral("ask"), false);
        refreshed.deviceId = QStringLiteral("refreshed");
        environment.calls.clear();
        environment.refreshHandler(refreshed);
        QTRY_VERIFY(environment.calls.contains(QStringLiteral("engine.applyConfig")));
        QCOMPARE(rig.appState->remoteConfig()->deviceId, QStringLiteral("refreshed"));
        QCOMPARE(rig.sessionManager().config()->deviceId, QStringLiteral("refreshed"));
    }

    void refreshFetchedBeforeASignOutIsNotApplied()
    {
        ShellTestRig rig(false);
        RecordingEnvironment environment(rig);
        StartupSequence startup(environment);
        startup.run();
        rig.finishRestore(true);
        QTRY_VERIFY(environment.refreshHandler != nullptr);

        // Signed out while the fetch was under way, then in again (another company, perhaps).
        rig.appState->setIsAuthenticated(false);
        rig.appState->setIsAuthenticated(true);
        environment.calls.clear();
        environment.refreshHandler(EngineFixture::config(QStringLiteral("ask"), false));
        QTest::qWait(20);
        QVERIFY(!environment.calls.contains(QStringLiteral("engine.applyConfig")));
        QVERIFY(!rig.appState->remoteConfig().has_value());
    }

    void signedOutUserGetsTheCachedConfigurationButNoRefresh()
    {
        ShellTestRig rig(false);
        RecordingEnvironment environment(rig);
        environment.cachedConfig = ShellTestRig::forcingConfig();
        StartupSequence startup(environment);
        startup.run();
        // The forced-update state of the cached file is there before the restore ends; the
        // forced-update answer was installed before it was evaluated.
        QVERIFY(rig.appState->forceClientUpdate());
        QVERIFY(environment.calls.contains(QStringLiteral("engine.forceUpdateRequired")));
        verifyOrder(environment.calls, {QStringLiteral("installForceUpdate"),
                                        QStringLiteral("engine.forceUpdateRequired")});

        rig.finishRestore(false);
        QTRY_VERIFY(startup.isStartupTaskFinished());
        QVERIFY(!environment.calls.contains(QStringLiteral("startPeriodicRefresh")));
        QCOMPARE(rig.appState->projects().size(), 2);
    }

    void nothingCachedAndSignedOutAppliesNothing()
    {
        ShellTestRig rig(false);
        RecordingEnvironment environment(rig);
        StartupSequence startup(environment);
        startup.run();
        rig.finishRestore(false);
        QTRY_VERIFY(startup.isStartupTaskFinished());
        QVERIFY(!environment.calls.contains(QStringLiteral("engine.applyConfig")));
        QVERIFY(!environment.calls.contains(QStringLiteral("startPeriodicRefresh")));
        QVERIFY(!rig.appState->remoteConfig().has_value());
    }

    void startupTaskOutlivedBySequenceDoesNothing()
    {
        ShellTestRig rig(false);
        RecordingEnvironment environment(rig);
        auto startup = std::make_unique<StartupSequence>(environment);
        startup->run();
        startup.reset();
        rig.finishRestore(true);
        QTest::qWait(20);
        QVERIFY(!environment.calls.contains(QStringLiteral("startPeriodicRefresh")));
    }
};

QTEST_MAIN(TestStartupSequence)
#include "TestStartupSequence.moc"
