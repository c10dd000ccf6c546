// The schedule: the capture thread, start and stop, and the tick that runs one cycle.
#include "tracking/capture/ScreenCaptureService.h"

#include "foundation/Log.h"
#include "foundation/NotificationHub.h"
#include "platform/DisplayCaptureBackend.h"
#include "platform/ThreadName.h"
#include "tracking/capture/JpegBandSink.h"
#include "tracking/capture/JpegEncoder.h"

#include <QDir>

#include <algorithm>
#include <chrono>

namespace {

QString safeDomainFolderName(const QString &domainKey)
{
    if (domainKey.isEmpty() || domainKey == QLatin1String(".") ||
        domainKey == QLatin1String("..") || domainKey.contains(QLatin1Char('/')))
        return QStringLiteral("global");
    return domainKey;
}

} // namespace

ScreenCaptureService::ScreenCaptureService(Dependencies dependencies)
    : m_deps(std::move(dependencies))
    , m_clock(m_deps.clock ? *m_deps.clock : systemClock())
    , m_clockRunsWithTheWait(&m_clock == &systemClock())
    , m_encoder(std::make_unique<JpegEncoder>())
    , m_sink(std::make_unique<JpegBandSink>(*m_encoder, maxCaptureDimension, jpegQuality))
{
    if (m_deps.capturesBaseDirectory.isEmpty())
        m_deps.capturesBaseDirectory = capturesBaseDirectory();
    // A folder that cannot be made shows up later as a failed write.
    ensureFolder(m_deps.capturesBaseDirectory);
    m_capturesDirectory = m_deps.capturesBaseDirectory;
    m_thread = std::thread([this] { run(); });
}

ScreenCaptureService::~ScreenCaptureService()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_schedule.reset();
    }
    m_wake.notify_all();
    m_thread.join();
}

void ScreenCaptureService::start(const QUuid &sessionId, int intervalMinutes,
                                 std::function<bool()> shouldCapture,
                                 std::function<void()> onPermissionLost,
                                 std::function<void(const QStringList &)> onCaptureComplete)
{
    const QString domain = safeDomainFolderName(m_deps.domainKey ? m_deps.domainKey() : QString());
    const QString folder = QDir(m_deps.capturesBaseDirectory).filePath(domain);
    ensureFolder(m_deps.capturesBaseDirectory);
    ensureFolder(folder);
    const double interval = std::max(1, intervalMinutes) * 60.0;
    zuvInfo(lcCapture).noquote()
        << QStringLiteral("Screenshot timer started: first capture in 1 min, then every %1s")
               .arg(static_cast<qint64>(interval));
    {
        std::lock_guard lock(m_mutex);
        m_capturesDirectory = folder;
        m_intervalSeconds = interval;
        m_schedule = Schedule{sessionId, std::move(shouldCapture), std::move(onPermissionLost),
                              std::move(onCaptureComplete), ++m_generation};
        m_nextCaptureAt = scheduleSeconds() + firstCaptureDelaySeconds;
    }
    m_wake.notify_all();
}

void ScreenCaptureService::stop()
{
    std::unique_lock lock(m_mutex);
    m_schedule.reset();
    m_nextCaptureAt.reset();
    ++m_generation;
    m_wake.notify_all();
    // The owner may go away once stop() returns; its callbacks must not run after that.
    if (std::this_thread::get_id() == m_thread.get_id())
        return;
    m_wake.wait(lock, [this] { return !m_tickRunning; });
    // No tick runs now and none starts before the next start(), which needs this lock.
    releaseBuffers();
}

void ScreenCaptureService::releaseBuffers()
{
    if (m_deps.backend)
        m_deps.backend->releaseBuffers();
    m_sink->release();
    m_encoder->release();
}

bool ScreenCaptureService::isScheduled() const
{
    std::lock_guard lock(m_mutex);
    return m_schedule.has_value();
}

std::optional<Timestamp> ScreenCaptureService::nextCaptureAt() const
{
    std::lock_guard lock(m_mutex);
    if (!m_nextCaptureAt)
        return std::nullopt;
    return m_clock.now().addingSeconds(*m_nextCaptureAt - scheduleSeconds());
}

double ScreenCaptureService::scheduleSeconds() const
{
    return m_clock.steadySeconds().value_or(m_clock.now().secondsSince1970());
}

double ScreenCaptureService::intervalSeconds() const
{
    std::lock_guard lock(m_mutex);
    return m_intervalSeconds;
}

QString ScreenCaptureService::capturesDirectory() const
{
    std::lock_guard lock(m_mutex);
    return m_capturesDirectory;
}

void ScreenCaptureService::tickNow()
{
    std::unique_lock lock(m_mutex);
    if (!m_schedule)
        return;
    const quint64 ticket = ++m_tickRequests;
    m_wake.notify_all();
    m_wake.wait(lock, [&] { return m_ticksFinished >= ticket || m_quit; });
}

void ScreenCaptureService::wakeScheduler()
{
    m_wake.notify_all();
}

void ScreenCaptureService::run()
{
    ThreadName::setForCurrentThread(threadName);
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        const quint64 requested = m_tickRequests;
        const bool forced = requested > m_ticksFinished;
        const double now = scheduleSeconds();
        const bool due = m_nextCaptureAt && now >= *m_nextCaptureAt;
        if (due) {
            // Like a repeating timer: firings missed while a cycle ran are not made up.
            *m_nextCaptureAt += m_intervalSeconds;
            if (*m_nextCaptureAt <= now)
                m_nextCaptureAt = now + m_intervalSeconds;
        }
        if (m_schedule && (forced || due)) {
            const Schedule schedule = *m_schedule;
            m_tickRunning = true;
            lock.unlock();
            runTick(schedule);
            lock.lock();
            m_tickRunning = false;
            m_wake.notify_all();
        }
        if (forced) {
            m_ticksFinished = requested;
            m_wake.notify_all();
            continue;
        }
        if (due)
            continue;
        // Nothing scheduled: the thread sleeps until start(), tickNow() or the end wakes it.
        if (!m_nextCaptureAt) {
            m_wake.wait(lock);
            continue;
        }
        // The system's clock runs at the wait's pace; a suspend, the one time the two part,
        // restarts the schedule. Another clock may be moved by hand, so it is looked at again
        // every second.
        const double longestWait = m_clockRunsWithTheWait ? m_intervalSeconds : 1.0;
        const double wait = std::clamp(*m_nextCaptureAt - now, 0.001, longestWait);
        m_wake.wait_for(lock, std::chrono::duration<double>(wait));
    }
    m_ticksFinished = m_tickRequests;
    m_wake.notify_all();
}

void ScreenCaptureService::runTick(const Schedule &schedule)
{
    if (schedule.shouldCapture && !schedule.shouldCapture()) {
        zuvInfo(lcCapture) << "Screenshot skipped: shouldCapture=false (paused/idle/not tracking)";
        return;
    }
    if (!m_deps.backend || !m_deps.backend->probeOnePixel()) {
        zuvError(lcCapture) << "Screenshot skipped: screen recording permission denied";
        if (schedule.onPermissionLost)
            schedule.onPermissionLost();
        return;
    }

    const QString folder = capturesDirectory();
    // The folders may have been removed or replaced since the start.
    ensureFolder(m_deps.capturesBaseDirectory);
    ensureFolder(folder);
    const QTimeZone zone = m_deps.apiTimeZone ? m_deps.apiTimeZone() : QTimeZone::systemTimeZone();
    const QString token = timeToken(m_clock.now(), zone);
    const CycleResult result =
        captureAllDisplays(*m_deps.backend, *m_sink, schedule.sessionId, folder, token);
    switch (result.outcome) {
    case CaptureOutcome::Captured:
        zuvInfo(lcCapture)
            << "Posting captureComplete notification to trigger heartbeat and screenshot upload";
        Q_EMIT NotificationHub::instance().screenCaptureDidComplete(schedule.sessionId,
                                                                    result.filePaths);
        if (schedule.onCaptureComplete)
            schedule.onCaptureComplete(result.filePaths);
        cleanupOldCaptures(folder, m_deps.maxFolderBytes);
        break;
    case CaptureOutcome::PermissionLost:
        if (schedule.onPermissionLost)
            schedule.onPermissionLost();
        break;
    case CaptureOutcome::LocalFailure:
        zuvError(lcCapture) << "Screenshot cycle skipped: local capture failure (not treated as "
                               "permission loss; will retry next interval)";
        if (result.unwritten > 0)
            Q_EMIT NotificationHub::instance().capturesCouldNotBeSaved(result.unwritten);
        break;
    }
}
