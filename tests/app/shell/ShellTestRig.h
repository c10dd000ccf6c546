#pragma once

#include "app/state/AppStateManager.h"
#include "app/state/FakeDelayScheduler.h"
#include "app/state/FakeRemoteConfigSource.h"
#include "app/state/RecordingAlertPresenter.h"
#include "support/FakeClock.h"
#include "support/FakeRandomSource.h"
#include "tracking/engine/EngineFixture.h"

#include <QCoreApplication>
#include <QTest>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

// A sign-in restore that answers only when the test says so.
class RestoreGate
{
public:
    void release(bool authenticated)
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_answer)
                return;
            m_answer = authenticated;
        }
        m_released.notify_all();
    }

    bool waitForAnswer()
    {
        std::unique_lock lock(m_mutex);
        m_released.wait(lock, [this] { return m_answer.has_value(); });
        return *m_answer;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_released;
    std::optional<bool> m_answer;
};

// The application state and the tracking engine as the shell and the root view see them: a real
// AppStateManager whose restore the test ends, over a scripted configuration source, and a real
// SessionManager over a database file with fake input, displays and upload queue.
struct ShellTestRig
{
    // Without createNow the test creates the state and the engine itself, in its own order.
    explicit ShellTestRig(bool createNow = true)
    {
        if (createNow) {
            createAppState();
            engine.createManager();
        }
    }

    AppStateManager &createAppState()
    {
        appState = std::make_unique<AppStateManager>(
            AppStateManager::Dependencies{[gate = restoreGate] { return gate->waitForAnswer(); },
                                          [this] {
                                              ++permissionProbes;
                                              return permissionsGranted;
                                          },
                                          AppStateManager::defaultSlowRestoreAfterNanoseconds,
                                          configSource, alerts, scheduler, stateClock});
        return *appState;
    }

    ~ShellTestRig()
    {
        restoreGate->release(false);
        // Lets everything awaiting the restore run to its end: a waiter still suspended when the
        // state goes would never be resumed (nor freed).
        if (appState && !QTest::qWaitFor([this] { return !appState->isRestoringSession(); }))
            qWarning("the sign-in restore did not end");
        // Waiters are resumed from the event loop.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        appState.reset();
    }

    SessionManager &sessionManager() { return engine.manager(); }

    // Ends the restore with the answer and waits until the state has taken it.
    void finishRestore(bool authenticated)
    {
        restoreGate->release(authenticated);
        QVERIFY(QTest::qWaitFor([this] { return !appState->isRestoringSession(); }));
    }

    // A configuration whose latest client version is newer than any build.
    static RemoteConfig forcingConfig()
    {
        RemoteConfig config = EngineFixture::config(QStringLiteral("ask"), false);
        config.latestClientVersion = QStringLiteral("999.0");
        config.clientDownloadURL = QStringLiteral("https://downloads.example/zuvevivezid");
        return config;
    }

    // The restore's thread reads the state's clock after it answers, possibly after the rig is
    // gone, so that clock lives for the whole test program.
    static FakeClock &stateClockForAllRigs()
    {
        static FakeClock clock;
        return clock;
    }

    EngineFixture engine;
    FakeClock &stateClock = stateClockForAllRigs();
    FakeDelayScheduler scheduler{&stateClock};
    FakeRemoteConfigSource configSource;
    RecordingAlertPresenter alerts;
    FakeRandomSource random{0.5};
    std::shared_ptr<RestoreGate> restoreGate = std::make_shared<RestoreGate>();
    bool permissionsGranted = true;
    int permissionProbes = 0;
    std::unique_ptr<AppStateManager> appState;
};
