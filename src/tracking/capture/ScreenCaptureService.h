#pragma once

#include "foundation/Clock.h"
#include "foundation/Timestamp.h"

#include <QList>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QUuid>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class DisplayCaptureBackend;
class JpegBandSink;
class JpegEncoder;

// Takes a screenshot of every display at a fixed interval while a session is tracked: one JPEG
// per display and cycle in the captures folder of the current domain key, announced through
// NotificationHub::screenCaptureDidComplete. The folder is bounded by its size on disk only:
// every file in it is a capture the service has not received yet (uploaded files are removed at
// once), so nothing goes before the bound is reached, and then the oldest go, with an error in the
// log.
//
// The schedule and every capture run on the thread "com.wendoka.zuvevivezid.screencapture",
// never on the caller's. start() returns once the schedule is armed. stop() disarms it and, when
// a cycle is running, lets it finish (its callbacks included) and waits for it: no callback of the
// schedule runs after stop() returns (called from a callback itself, it does not wait).
class ScreenCaptureService
{
public:
    enum class CaptureOutcome
    {
        Captured,
        PermissionLost,
        LocalFailure
    };

    struct CycleResult
    {
        CaptureOutcome outcome = CaptureOutcome::LocalFailure;
        QStringList filePaths; // the files written, also those of a cycle that failed part-way
        int unwritten = 0;     // captures taken but lost because their files could not be written
    };

    struct Dependencies
    {
        QString capturesBaseDirectory;          // e.g. capturesBaseDirectory()
        std::function<QString()> domainKey;     // the partition key, or "global"
        std::function<QTimeZone()> apiTimeZone; // zone of the file names' time token
        std::unique_ptr<DisplayCaptureBackend> backend;
        const Clock *clock = nullptr; // systemClock() when null
        qint64 maxFolderBytes = defaultMaxFolderBytes;
    };

    static constexpr const char *threadName = "com.wendoka.zuvevivezid.screencapture";
    // A capture of a display scaled to at most 1920 px is some 150 to 400 KB. At the default
    // interval of five minutes, two displays for eight hours a day fill about 60 MB a day, so a
    // week of captures that cannot be sent, up to the age at which stranded captures are dropped
    // anyway, stays well inside; at one minute it still holds two to four working days of an
    // outage. A gibibyte is little on today's disks and far beyond any normal backlog.
    static constexpr qint64 defaultMaxFolderBytes = qint64(1) << 30;
    static constexpr int maxCaptureDimension = 1920;
    static constexpr int jpegQuality = 60;
    static constexpr double firstCaptureDelaySeconds = 60.0;

    explicit ScreenCaptureService(Dependencies dependencies);
    ~ScreenCaptureService();
    ScreenCaptureService(const ScreenCaptureService &) = delete;
    ScreenCaptureService &operator=(const ScreenCaptureService &) = delete;

    // (Re)starts the schedule for one session: first capture 60 s from now, then every
    // max(1, intervalMinutes) minutes. The callbacks are called on the capture thread:
    // shouldCapture before each cycle; onPermissionLost when the screen cannot be read;
    // onCaptureComplete (optional) after a complete cycle, right after the service has posted
    // NotificationHub::screenCaptureDidComplete itself (do not post it again).
    void start(const QUuid &sessionId, int intervalMinutes, std::function<bool()> shouldCapture,
               std::function<void()> onPermissionLost,
               std::function<void(const QStringList &filePaths)> onCaptureComplete = {});
    void stop();

    bool isScheduled() const;
    std::optional<Timestamp> nextCaptureAt() const;
    double intervalSeconds() const;
    QString capturesDirectory() const;

    // Runs the schedule's tick now on the capture thread and waits for it (the cycle included),
    // whether or not it is due. For tests and the benchmark; does nothing when not scheduled.
    void tickNow();
    // Makes the capture thread look at the clock again at once (after a test moved it).
    void wakeScheduler();

    // The base of the capture folders: the data folder's "captures".
    static QString capturesBaseDirectory();
    // "<session UUID>_<token>_<index>.jpg"
    static QString captureFileName(const QUuid &sessionId, const QString &timeToken, int index);
    // ISO 8601 date-time of the moment in the zone ("Z" for a zero offset), ':' replaced by '-'.
    static QString timeToken(Timestamp moment, const QTimeZone &zone);
    // Longest side at most maxDimension, aspect kept, halves rounded away from zero.
    static QSize cappedCaptureSize(int width, int height, int maxDimension);
    // Over maxFolderBytes on disk, logs an error and removes the oldest entries until the folder
    // fits again.
    static void cleanupOldCaptures(const QString &capturesDirectory, qint64 maxFolderBytes);
    // Makes the folder when it is missing. Something else in its place (a file where the folder
    // should be) is moved aside first, and the person is told once through
    // NotificationHub::localFileWasDamaged. Answers whether the folder is there now.
    static bool ensureFolder(const QString &folder);
    // One capture cycle: every display captured, scaled, encoded and written into the folder.
    static CycleResult captureAllDisplays(DisplayCaptureBackend &backend, JpegBandSink &encoder,
                                          const QUuid &sessionId, const QString &capturesDirectory,
                                          const QString &timeToken);

private:
    struct Schedule
    {
        QUuid sessionId;
        std::function<bool()> shouldCapture;
        std::function<void()> onPermissionLost;
        std::function<void(const QStringList &)> onCaptureComplete;
        quint64 generation = 0;
    };

    void run();
    void runTick(const Schedule &schedule);
    // The schedule counts on the steady clock, so a wall clock set back does not hold the
    // captures (and the live heartbeats they bring) for the length of the step, nor does one set
    // forward fire a capture at once. The wall clock stands in where there is no steady one.
    double scheduleSeconds() const;

    // Gives back the backend's and the encoder's buffers; only while no tick runs.
    void releaseBuffers();

    Dependencies m_deps;
    const Clock &m_clock;
    const bool m_clockRunsWithTheWait;
    // Kept between the cycles of a schedule, used on the capture thread only.
    std::unique_ptr<JpegEncoder> m_encoder;
    std::unique_ptr<JpegBandSink> m_sink;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_quit = false;
    std::optional<Schedule> m_schedule;
    std::optional<double> m_nextCaptureAt; // on scheduleSeconds()
    double m_intervalSeconds = 60.0;
    QString m_capturesDirectory;
    quint64 m_generation = 0;
    bool m_tickRunning = false;
    quint64 m_tickRequests = 0; // ticks asked for by tickNow()
    quint64 m_ticksFinished = 0;
};
