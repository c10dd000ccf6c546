#pragma once

#include "app/config/RemoteConfig.h"
#include "app/config/RemoteConfigLimits.h"
#include "app/config/RemoteProject.h"
#include "foundation/Timestamp.h"
#include "foundation/ToleranceTimer.h"
#include "store/UploadTask.h"
#include "tracking/engine/TrackingHeartbeat.h"
#include "tracking/model/Session.h"

#include <QObject>
#include <QString>
#include <QTimeZone>
#include <QTimer>
#include <QVariant>

#include <atomic>
#include <deque>
#include <functional>
#include <optional>

class ActivityTracker;
class Clock;
class DomainStorage;
class IdleDetector;
class SQLiteStore;
class ScreenCaptureService;
class SettingsStore;
class SleepSource;
class SuspendClock;
class UploadQueue;

// The tracking engine's root: it owns the running session and publishes what the tray label and
// the tracker screens show. Every change of the session is written to the store before the call
// that made it returns; upload work is handed to the upload queue afterwards, in a task of its
// own, and nothing the queue does rolls the local state back.
//
// Lives on the main thread; every operation is called there. Operations called in the wrong
// state return silently. User-facing outcomes are reported through lastStatusMessage only.
//
// The collaborators are owned by the application and outlive the manager.
class SessionManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isTracking READ isTracking NOTIFY isTrackingChanged)
    Q_PROPERTY(bool isPaused READ isPaused NOTIFY isPausedChanged)
    Q_PROPERTY(bool isIdle READ isIdle NOTIFY isIdleChanged)
    Q_PROPERTY(bool needsIdleDecision READ needsIdleDecision NOTIFY needsIdleDecisionChanged)
    Q_PROPERTY(double elapsedSeconds READ elapsedSeconds NOTIFY elapsedSecondsChanged)
    Q_PROPERTY(double todayTotalSeconds READ todayTotalSeconds NOTIFY todayTotalSecondsChanged)
    Q_PROPERTY(qint64 mouseMoves READ mouseMoves NOTIFY mouseMovesChanged)
    Q_PROPERTY(qint64 keyboardEvents READ keyboardEvents NOTIFY keyboardEventsChanged)
    Q_PROPERTY(double activityScore READ activityScore NOTIFY activityScoreChanged)
    // A number from 0 to 100, or null before the first tracked second and after a stop.
    Q_PROPERTY(QVariant last5MinActivityRate READ last5MinActivityRateValue NOTIFY
                   last5MinActivityRateChanged)
    // Null when there is nothing to say.
    Q_PROPERTY(
        QVariant lastStatusMessage READ lastStatusMessageValue NOTIFY lastStatusMessageChanged)
    Q_PROPERTY(QString selectedProjectId READ selectedProjectId WRITE setSelectedProjectId NOTIFY
                   selectedProjectIdChanged)
    Q_PROPERTY(bool screenRecordingPermissionLost READ screenRecordingPermissionLost WRITE
                   setScreenRecordingPermissionLost NOTIFY screenRecordingPermissionLostChanged)
    Q_PROPERTY(
        bool hasInterruptedSession READ hasInterruptedSession NOTIFY interruptedSessionChanged)

public:
    static constexpr const char *screenRecordingPermissionLostKey = "screenRecordingPermissionLost";
    static constexpr int tickerIntervalMs = 1000;
    static constexpr int tickerToleranceMs = 200;
    static constexpr int ticksPerActivitySnapshot = 5;
    // A mark every ten seconds: a crash loses at most that much billed work.
    static constexpr int snapshotsPerHeartbeatMark = 2;
    // How often a session's start or end the store refused is written again.
    static constexpr int unwrittenEdgeRetryIntervalMs = 5000;
    static constexpr int last5MinWindowSize = 300;
    static constexpr qint64 defaultScreenshotIntervalMinutes =
        RemoteConfigLimits::defaultScreenshotIntervalMinutes;
    static constexpr qint64 defaultIdleMinutesThreshold =
        RemoteConfigLimits::defaultIdleMinutesThreshold;
    // A session cut at a day boundary ends this long before it.
    static constexpr double midnightEpsilonSeconds = 0.001;
    // A clock going back less than this is taken for a correction, not a jump.
    static constexpr double backwardClockJumpToleranceSeconds = 1.0;
    // A wall clock running ahead of the steady clock by more than this between two ticks was
    // set forward.
    static constexpr double forwardClockJumpToleranceSeconds = 1.0;

    // The two checks a start makes. Input Monitoring is asked only once screen capture passed.
    struct PermissionChecks
    {
        std::function<bool()> canCaptureScreen;
        std::function<bool()> canMonitorInput;

        // The system's checks (the platform's permission service).
        static PermissionChecks system();
    };

    struct Dependencies
    {
        SQLiteStore &store;
        SettingsStore &settings;
        const Clock &clock;
        UploadQueue &uploadQueue;
        ActivityTracker &activityTracker;
        IdleDetector &idleDetector;
        ScreenCaptureService &screenCaptureService;
        // Whether a company has been chosen: its stored address has a host.
        const DomainStorage &domainStorage;
        PermissionChecks permissions;
        // Sleep and wake of the machine; none where the platform cannot tell.
        SleepSource *sleepSource = nullptr;
        // Catches a suspend that no sleep source announced; none to not look.
        const SuspendClock *suspendClock = nullptr;
    };

    // What the segment clock takes from the engine once a second.
    struct SegmentTickInput
    {
        bool hadInput = false;
        bool isTracked = false;
        qint64 mouseDelta = 0;
        qint64 keyboardDelta = 0;
    };

    // Offers the company's stored unfinished session, if any; starts no timer and applies no
    // configuration.
    explicit SessionManager(Dependencies dependencies, QObject *parent = nullptr);
    ~SessionManager() override;

    // Published state.
    const std::optional<Session> &currentSession() const { return m_currentSession; }
    const std::optional<Session> &interruptedSession() const { return m_interruptedSession; }
    bool hasInterruptedSession() const { return m_interruptedSession.has_value(); }
    const std::optional<RemoteProject> &crossDayAutoCompletedProject() const
    {
        return m_crossDayAutoCompletedProject;
    }
    // The popover shows the banner once, then clears it.
    void clearCrossDayAutoCompletedProject();
    QString selectedProjectId() const { return m_selectedProjectId; }
    void setSelectedProjectId(const QString &projectId);
    bool isTracking() const { return m_isTracking; }
    bool isPaused() const { return m_isPaused; }
    bool isIdle() const { return m_isIdle; }
    bool needsIdleDecision() const { return m_needsIdleDecision; }
    double elapsedSeconds() const { return m_elapsedSeconds; }
    double todayTotalSeconds() const { return m_todayTotalSeconds; }
    qint64 mouseMoves() const { return m_mouseMoves; }
    qint64 keyboardEvents() const { return m_keyboardEvents; }
    double activityScore() const { return m_activityScore; }
    std::optional<double> last5MinActivityRate() const { return m_last5MinActivityRate; }
    std::optional<QString> lastStatusMessage() const { return m_lastStatusMessage; }
    bool screenRecordingPermissionLost() const { return m_screenRecordingPermissionLost; }
    // Every change is kept in the user defaults.
    void setScreenRecordingPermissionLost(bool lost);

    const std::optional<RemoteConfig> &config() const { return m_config; }

    // Shown by the application shell when the user must decide what an idle period becomes; it
    // answers with resumeTracking() or stopTracking("idle").
    void setOnNeedsIdleDecision(std::function<void()> callback);

    // Lifecycle.
    void applyConfig(const std::optional<RemoteConfig> &config);
    void startTracking(const std::optional<RemoteProject> &project);
    void pauseTracking();
    void resumeTracking();
    void stopTracking(const std::optional<QString> &reason);
    // While held (a sign-out under way) no session starts or resumes, from any screen or timer.
    void holdStarts(bool held);

    // One tick of the one-second ticker; the timer calls it, tests call it directly.
    void updateLiveMetrics();
    bool isTickerRunning() const { return m_ticker.isActive(); }

    // Called once a second by the segment clock.
    void recordLast5MinInput(bool hadInput);
    SegmentTickInput segmentTickInput();

    // Tracking and neither paused nor idle, as of the last change of those flags. Any thread.
    bool isCaptureEligible() const;

    // The idle edges, delivered by the idle detector on the main thread.
    void handleIdleDetected();
    void handleIdleEnded();

    // The unfinished session of the current company: offered, then resumed or completed.
    void recoverInterruptedSessionForCurrentDomain();
    void resumeInterruptedSession();
    void discardInterruptedSession();

    // The backend says the session now runs on another device: it ends here without upload. The
    // form with an id does so only while that session is the current one, so that a late answer
    // about an earlier session cannot end the next one.
    void handleSessionTakenOver();
    void handleSessionTakenOver(const QUuid &sessionId);

    // System events. The manager subscribes to capture completion, quit and its sleep source
    // itself; these are public for the application shell and for tests.
    void handleCaptureComplete();
    void handleWillSleep();
    void handleDidWake();
    void handleWillTerminate();
    // The configuration demands a newer client.
    void handleForceUpdateRequired();

Q_SIGNALS:
    void currentSessionChanged();
    void interruptedSessionChanged();
    void crossDayAutoCompletedProjectChanged();
    void selectedProjectIdChanged();
    void isTrackingChanged();
    void isPausedChanged();
    void isIdleChanged();
    void needsIdleDecisionChanged();
    void elapsedSecondsChanged();
    void todayTotalSecondsChanged();
    void mouseMovesChanged();
    void keyboardEventsChanged();
    void activityScoreChanged();
    void last5MinActivityRateChanged();
    void lastStatusMessageChanged();
    void screenRecordingPermissionLostChanged();

private:
    // True, and logged, when starts are held.
    bool refusedWhileStartsHeld(const char *what) const;

    // The server's figure for one day ("yyyy-MM-dd" in the API time zone).
    struct ServerTodayTotal
    {
        qint64 totalSeconds = 0;
        QString date;
    };

    // A change at the edge of a session (its start or its end) together with the upload task
    // that tells the service of it; the two are written in one transaction. The store answers
    // for its rows under the company the session was tracked for.
    struct SessionEdge
    {
        Session session;
        QString domainKey;
        bool endsSession = false;
        std::optional<UploadTask> upload;
        // Ended here while tracked: the crash mark has nothing more to tell once it is stored.
        bool clearsHeartbeatMark = false;
    };

    // Lifecycle.
    void closeCurrentInterval(Timestamp at);
    // Stops the open interval where the clock was last known to be right, when it was set
    // since the last tick.
    void keepClockJumpSinceLastTickOutOfStop(Timestamp now);
    // Closes the open interval at `now`, then completes the session as below.
    std::optional<Session> finishCurrentSession(Timestamp now, bool tellsService);
    // Applies the idle-discard policy, fixes the reported total and counters, moves the session
    // to the history and clears its running row, with its final heartbeat queued when it
    // tellsService and has tracked time; answers the completed session.
    Session archiveCompletedSession(Session session, Timestamp endedAt, bool tellsService);
    // The tracker's counts and score over that tracked time, into the session.
    void applyActivitySnapshot(Session &session, double totalSeconds) const;
    // Stops every tracking activity and clears the published state of the session that ended.
    void resetAfterSessionEnded();
    void setCurrentSession(std::optional<Session> session);
    void setInterruptedSession(std::optional<Session> session);
    void setCrossDayAutoCompletedProject(std::optional<RemoteProject> project);
    void setIsTracking(bool value);
    void setIsPaused(bool value);
    void setIsIdle(bool value);
    void setNeedsIdleDecision(bool value);
    void setElapsedSeconds(double value);
    void setLiveCounters(qint64 mouseMoves, qint64 keyboardEvents, double activityScore);
    void setLast5MinActivityRate(std::optional<double> rate);
    void setLastStatusMessage(std::optional<QString> message);
    void loadInterruptedSessionAtLaunch();
    bool hasChosenCompany() const;
    // The domain key of the company the session is tracked for.
    QString domainKeyOf(const QUuid &sessionId) const;

    // Session edges. The running row, with the start task when the session has an interval.
    void writeSessionStart(const Session &session);
    // The history row and the running row's removal, with the final heartbeat when the session
    // has tracked time and the service is to hear of it.
    void writeSessionEnd(const Session &session, bool tellsService, bool clearsHeartbeatMark);
    // Writes the edge after any kept earlier; one the store refuses is kept, in order.
    void writeSessionEdge(SessionEdge edge);
    bool tryWriteSessionEdge(const SessionEdge &edge);
    // The mark goes with the end; the uploads are handed over after the current call.
    void handleSessionEdgeWritten(const SessionEdge &edge);
    // Answers whether every kept edge is now written.
    bool writeUnwrittenSessionEdges();
    // The session's start or end is still only in memory: its stored running row is not an
    // unfinished session.
    bool hasUnwrittenEdge(const QUuid &sessionId) const;

    // Ticker and capture schedule.
    void startTicker();
    void stopTicker();
    void startScreenCaptureTimer();
    void updateCaptureEligibility();
    qint64 screenshotIntervalMinutes() const;
    // A capture found the screen unreadable: tracking cannot go on.
    void handleScreenRecordingPermissionLost();

    // Today's total.
    double currentLocalTotal() const;
    void recomputeTodayTotalSeconds();
    // The server's figure, while it belongs to the company and employee signed in now.
    std::optional<ServerTodayTotal> serverTodayTotalOfCurrentEmployee() const;
    void applyServerTodayTotal(const ServerTodayTotal &incoming);
    void refreshTodayCompletedSeconds();
    void setTodayTotalSeconds(double value);
    QTimeZone apiTimeZone() const;
    QString todayKey() const;
    // The first instant of the moment's day in the API time zone (the moment itself when the
    // zone cannot say), and the last billable instant of that day.
    Timestamp dayStart(Timestamp moment) const;
    std::optional<Timestamp> endOfDay(Timestamp moment) const;

    // Recovery.
    void completeStaleActiveSessions();
    bool isSessionCrossDay(const Session &session, Timestamp now) const;
    void finalizeInterruptedSessionIfCrossDay(Timestamp now);
    static void clampSessionIntervalsToStopAt(Session &session, Timestamp stopAt);
    // Where an interval left open by a process that is gone may be closed: at the last heartbeat
    // mark, whatever the clock reads now, within the interval's day and never before its start.
    Timestamp recoveredStopOfOpenInterval(const Session &session, Timestamp now) const;
    // Idle policy, completed status, billed total, history, active row cleared, upload queued.
    void completeStoredSession(Session session, Timestamp stop);

    // System events.
    void connectSystemEvents();
    void handleSleepSourceAboutToSleep();
    void pauseForSystemSleep(Timestamp sleptAt);
    void resetSuspendBaseline();
    // How long the machine was suspended since the last tick, when it was at all.
    std::optional<double> suspendedSinceLastTick() const;
    Timestamp estimatedSleepStart(Timestamp now, double sleptSeconds) const;
    // A suspend nobody announced, seen by the suspend clock at a tick: handled as sleep and wake.
    bool handleMissedSuspendIfAny(Timestamp now);

    // Midnight.
    bool maybePerformMidnightRolloverIfNeeded(Timestamp asOf);
    void performMidnightRollover(Timestamp newDate);
    // A clock set back while an interval is open: splits the interval at the last tick.
    bool keepWorkAcrossBackwardClockJump(Timestamp now);
    // A clock set forward while an interval is open: the skipped time is not billed.
    bool skipForwardClockJump(Timestamp now, std::optional<double> steadyNow);

    // Takeover.
    void completeTakenOverSession();

    // Idle.
    void configureAndStartIdleDetector();
    qint64 idleMinutesThreshold() const;
    Timestamp idleCutoff(Timestamp now) const;
    void applyIdleDiscardCutoff(Timestamp cutoff);
    void applyIdleDiscardPolicyIfNeeded(Session &session) const;
    void raiseIdleDecision();

    QVariant last5MinActivityRateValue() const;
    QVariant lastStatusMessageValue() const;

    // Collaborators.
    SQLiteStore &m_store;
    SettingsStore &m_settings;
    const Clock &m_clock;
    UploadQueue &m_uploadQueue;
    ActivityTracker &m_activityTracker;
    IdleDetector &m_idleDetector;
    ScreenCaptureService &m_screenCaptureService;
    const DomainStorage &m_domainStorage;
    const PermissionChecks m_permissions;
    SleepSource *const m_sleepSource;
    const SuspendClock *const m_suspendClock;
    TrackingHeartbeat m_heartbeat;

    // Published state.
    std::optional<Session> m_currentSession;
    // The partition key (company and employee) the current (or just ended) session was begun
    // under.
    std::pair<QUuid, QString> m_sessionDomain;
    std::optional<Session> m_interruptedSession;
    std::optional<RemoteProject> m_crossDayAutoCompletedProject;
    QString m_selectedProjectId;
    bool m_isTracking = false;
    bool m_startsHeld = false;
    bool m_isPaused = false;
    bool m_isIdle = false;
    bool m_needsIdleDecision = false;
    double m_elapsedSeconds = 0.0;
    double m_todayTotalSeconds = 0.0;
    qint64 m_mouseMoves = 0;
    qint64 m_keyboardEvents = 0;
    double m_activityScore = 0.0;
    std::optional<double> m_last5MinActivityRate;
    std::optional<QString> m_lastStatusMessage;
    bool m_screenRecordingPermissionLost = false;

    // Today's total apart from the running session, and the local figure when the server's total
    // was last merged.
    double m_todayCompletedSeconds = 0.0;
    double m_localTotalAtServerAnchor = 0.0;
    std::optional<ServerTodayTotal> m_serverTodayTotal;
    // The company and employee the server's figure was given for; another's never counts.
    QString m_serverTodayTotalPartition;

    // One entry per tracked, unpaused second: whether it had input. Oldest first.
    std::deque<bool> m_last5MinInputBuffer;

    std::optional<RemoteConfig> m_config;

    // Oldest first; written in this order once the store takes writes again.
    std::deque<SessionEdge> m_unwrittenEdges;
    QTimer m_unwrittenEdgeRetry;

    ToleranceTimer m_ticker;
    int m_liveMetricsTick = 0;
    int m_heartbeatTick = 0;

    bool m_idleAskPresentedForCurrentIdlePeriod = false;
    bool m_pausedDueToSystemSleep = false;

    // The moment of the previous tick, and the suspended time the suspend clock showed then.
    std::optional<Timestamp> m_lastTickAt;
    std::optional<double> m_steadySecondsAtLastTick;
    std::optional<double> m_suspendedSecondsAtLastTick;

    // Read by the capture thread and the segment clock without waiting for the main thread.
    std::atomic<bool> m_captureEligibleState{false};

    std::function<void()> m_onNeedsIdleDecision;
};
