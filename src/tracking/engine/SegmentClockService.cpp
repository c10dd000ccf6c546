#include "tracking/engine/SegmentClockService.h"

#include "app/config/APITimeZoneResolver.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "store/SQLiteStore.h"
#include "tracking/engine/SessionManager.h"

#include <QCoreApplication>
#include <QTimer>

SegmentClockService::SegmentClockService(SessionManager &sessionManager, Dependencies dependencies,
                                         QObject *parent)
    : QObject(parent)
    , m_sessionManager(&sessionManager)
    , m_store(dependencies.store)
    , m_settings(dependencies.settings)
    , m_clock(dependencies.clock)
    , m_segmentsClosed(std::move(dependencies.segmentsClosed))
{
    // Each tick counts a second: a tick may come late and share the thread's wake-up with the
    // session manager's ticker, but never early, and the late ones keep the schedule. It never
    // follows another timer's phase, so its first second is a whole one.
    m_timer.setInterval(dependencies.tickInterval);
    m_timer.setTolerance(tickTolerance);
    connect(&m_timer, &ToleranceTimer::timeout, this, &SegmentClockService::tick);
    // Up to a minute of counts would otherwise be lost on every quit, SIGTERM included.
    if (QCoreApplication *application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this,
                &SegmentClockService::flushCurrentSegment, Qt::DirectConnection);
    }
}

SegmentClockService::~SegmentClockService() = default;

void SegmentClockService::bindToTrackingState()
{
    if (!m_sessionManager)
        return;
    disconnect(m_trackingConnection);
    m_lastTrackingValue.reset();
    m_trackingConnection = connect(m_sessionManager, &SessionManager::isTrackingChanged, this,
                                   &SegmentClockService::handleTrackingChanged);
    handleTrackingChanged();
}

void SegmentClockService::handleTrackingChanged()
{
    if (!m_sessionManager)
        return;
    const bool tracking = m_sessionManager->isTracking();
    if (m_lastTrackingValue == tracking)
        return;
    m_lastTrackingValue = tracking;
    if (tracking) {
        if (!isRunning())
            start();
    } else {
        stop();
    }
}

void SegmentClockService::start()
{
    flushCurrentSegment();
    m_timer.start();
}

void SegmentClockService::stop()
{
    countInputSinceLastTick();
    flushCurrentSegment();
    m_timer.stop();
}

void SegmentClockService::countInputSinceLastTick()
{
    if (!m_sessionManager || !isRunning())
        return;
    SessionManager &sessionManager = *m_sessionManager;
    // A part of a second: its input counts, the second itself does not.
    const SessionManager::SegmentTickInput input = sessionManager.segmentTickInput();
    if (input.mouseDelta == 0 && input.keyboardDelta == 0)
        return;
    enterSegment(segmentNow(sessionManager));
    m_counters.mouseMovements += input.mouseDelta;
    m_counters.keyboardMovements += input.keyboardDelta;
}

void SegmentClockService::tick()
{
    if (!m_sessionManager)
        return;
    SessionManager &sessionManager = *m_sessionManager;
    const SessionManager::SegmentTickInput input = sessionManager.segmentTickInput();
    enterSegment(segmentNow(sessionManager));

    if (input.hadInput)
        ++m_counters.activeSeconds;
    if (input.isTracked)
        ++m_counters.nonIdleSeconds;
    m_counters.mouseMovements += input.mouseDelta;
    m_counters.keyboardMovements += input.keyboardDelta;

    if (++m_ticksSinceLastPersist >= ticksPerPersist) {
        if (hasNewCounts())
            writeOpenSegment();
        m_ticksSinceLastPersist = 0;
    }

    sessionManager.recordLast5MinInput(input.hadInput);
}

void SegmentClockService::flushCurrentSegment()
{
    if (!m_openSegment || !hasNewCounts())
        return;
    writeOpenSegment();
    m_ticksSinceLastPersist = 0;
}

QTimeZone SegmentClockService::apiTimeZone(const SessionManager &sessionManager) const
{
    if (const std::optional<RemoteConfig> &config = sessionManager.config())
        return APITimeZoneResolver::resolvedTimeZone(config->appTimezone);
    return APITimeZoneResolver::resolvedTimeZone(
        APITimeZoneResolver::storedTimezoneIdentifier(m_settings));
}

SegmentUtils::SegmentKey SegmentClockService::segmentNow(const SessionManager &sessionManager) const
{
    return SegmentUtils::segmentDateAndNumber(m_clock.now(), apiTimeZone(sessionManager));
}

void SegmentClockService::enterSegment(const SegmentUtils::SegmentKey &key)
{
    if (m_openSegment && m_openSegmentDomain != m_store.domainKey())
        leaveOtherCompanysSegment();
    if (m_openSegment && *m_openSegment != key)
        finishOpenSegment(key);
    if (!m_openSegment)
        openSegment(key);
}

void SegmentClockService::finishOpenSegment(const SegmentUtils::SegmentKey &next)
{
    zuvInfo(lcUpload).noquote() << QStringLiteral("Segment rollover: %1#%2 → %3#%4")
                                       .arg(m_openSegment->dayKey)
                                       .arg(m_openSegment->number)
                                       .arg(next.dayKey)
                                       .arg(next.number);
    if (hasNewCounts())
        writeOpenSegment();
    // Written at a flush already, it still waits for the upload a closed segment gets; one
    // uploaded since stays so.
    if (hasCountsSinceOpen()) {
        // The upload side's work must not hold up the tick that found the new segment.
        if (m_segmentsClosed) {
            QTimer::singleShot(0, this, [this, next] { m_segmentsClosed(next); });
        }
    }
    m_openSegment.reset();
}

void SegmentClockService::leaveOtherCompanysSegment()
{
    // Its closed segments are queued once that company is signed in to again, not here.
    zuvInfo(lcUpload).noquote()
        << QStringLiteral("Company changed; segment %1#%2 is kept for the previous company")
               .arg(m_openSegment->dayKey)
               .arg(m_openSegment->number);
    flushCurrentSegment();
    m_openSegment.reset();
}

void SegmentClockService::openSegment(const SegmentUtils::SegmentKey &key)
{
    m_openSegment = key;
    m_openSegmentDomain = m_store.domainKey();
    m_ticksSinceLastPersist = 0;
    m_counters = {};
    if (const auto stored = m_store.activitySegment(key.dayKey, key.number)) {
        m_counters = Counters{stored->activeSeconds, stored->nonIdleSeconds, stored->mouseMovements,
                              stored->keyboardMovements};
        zuvInfo(lcUpload).noquote()
            << QStringLiteral("Segment %1#%2 continues from its stored counters")
                   .arg(key.dayKey)
                   .arg(key.number);
    }
    m_countersAtOpen = m_counters;
    m_countersWritten = m_counters;
}

void SegmentClockService::writeOpenSegment()
{
    m_store.upsertActivitySegment(m_openSegment->dayKey, m_openSegment->number,
                                  m_counters.activeSeconds, m_counters.nonIdleSeconds,
                                  m_counters.mouseMovements, m_counters.keyboardMovements,
                                  m_openSegmentDomain);
    m_countersWritten = m_counters;
}
