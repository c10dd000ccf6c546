#pragma once

#include "api/DomainStorage.h"
#include "foundation/SettingsStore.h"
#include "store/SQLiteStore.h"
#include "support/FakeClock.h"
#include "support/engine/FakeSleepSource.h"
#include "support/engine/FakeSuspendClock.h"
#include "support/engine/RecordingUploadQueue.h"
#include "support/platform/FakeDisplayCaptureBackend.h"
#include "support/platform/FakeIdleTimeSource.h"
#include "support/platform/FakeInputEventSource.h"
#include "tracking/activity/ActivityTracker.h"
#include "tracking/activity/IdleDetector.h"
#include "tracking/capture/ScreenCaptureService.h"
#include "tracking/engine/SessionManager.h"

#include <QTemporaryDir>

#include <memory>

// A session manager over a real database file in a temporary folder, with fake input, idle time,
// displays, permissions, sleep source, suspend clock and upload queue, all on one fake clock.
class EngineFixture
{
public:
    static constexpr double startSeconds = 1'765'267'200.0; // 2025-12-09 08:00 UTC

    // With a folder: the database and the user defaults are files in it that outlive the fixture
    // (for a second process or a second manager); without: a temporary folder and defaults held
    // in memory.
    explicit EngineFixture(const QString &persistentFolder = QString());
    ~EngineFixture();

    // Builds the manager (after the test has prepared the store or the settings).
    SessionManager &createManager();
    // Counts another input stream (the display's own, say) instead of the fake one; before
    // createManager(). pushInput() is then unavailable.
    void useInputSource(std::unique_ptr<InputEventSource> source);
    SessionManager &manager() { return *m_manager; }
    void destroyManager() { m_manager.reset(); }

    // A second connection to the same file, as another reader would see it.
    std::unique_ptr<SQLiteStore> openSecondStore();
    std::optional<Session> storedActiveSession();
    QList<SQLiteStore::SessionSummaryRow> storedHistory();

    // Feeds events through the input stream and waits until the tracker has counted them.
    bool pushInput(RawInputEvent::Type type, int count = 1);
    // Lets the detector's own first poll finish, so that the test's polls decide the edges.
    bool settleIdleDetector();
    // One poll of the idle detector with its edges delivered.
    void pollIdle();
    // Runs the queued upload tasks.
    void runUploads();

    Timestamp at(double secondsAfterStart) const
    {
        return Timestamp::fromSecondsSince1970(startSeconds + secondsAfterStart);
    }

    static RemoteConfig config(std::optional<QString> idleAction, bool discardIdleTime,
                               qint64 idleMinutes = 5, qint64 screenshotMinutes = 5);

    QTemporaryDir folder;
    const QString dataFolder;
    FakeClock clock{Timestamp::fromSecondsSince1970(startSeconds)};
    SettingsStore settings;
    DomainStorage domainStorage{settings};
    std::unique_ptr<SQLiteStore> store;
    RecordingUploadQueue uploadQueue;
    // The queue the manager is built with; a test may hand in the real upload service.
    UploadQueue *managerUploadQueue = &uploadQueue;
    FakeInputEventSource *input = nullptr; // owned by the tracker; none for another stream
    std::unique_ptr<ActivityTracker> tracker;
    FakeIdleTimeSource systemIdleTime;
    std::unique_ptr<IdleDetector> idleDetector;
    std::shared_ptr<FakeDisplayCaptureBackend::State> displays;
    std::unique_ptr<ScreenCaptureService> captureService;
    FakeSleepSource sleepSource;
    // The source the manager is built with; a test may hand in a real one.
    SleepSource *managerSleepSource = &sleepSource;
    FakeSuspendClock suspendClock;
    bool screenAllowed = true;
    bool inputAllowed = true;
    int screenChecks = 0;
    int inputChecks = 0;
    // When set, the screen check answers from this list in turn (then screenAllowed).
    QList<bool> screenAnswers;

private:
    std::unique_ptr<SessionManager> m_manager;
};
