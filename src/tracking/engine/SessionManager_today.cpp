// Today's total: the finished sessions of today in the history, the running session, and the
// server's figure for today carried forward by what was worked here since it arrived.
#include "tracking/engine/SessionManager.h"

#include "api/DomainStorage.h"
#include "app/config/APITimeZoneResolver.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/SettingsStore.h"
#include "store/SQLiteStore.h"
#include "tracking/model/SegmentUtils.h"

#include <QDate>
#include <QRegularExpression>

#include <cmath>

namespace {

// A server day further ahead of the local one than this is not believed: zones differ by at most
// a day, and one absurd date must not hide every later figure.
constexpr qint64 maximumServerDaysAhead = 1;

std::optional<QDate> strictDay(const QString &text)
{
    static const QRegularExpression shape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
    if (!shape.match(text).hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

double finiteNonNegative(double value)
{
    return std::isfinite(value) && value > 0.0 ? value : 0.0;
}

} // namespace

QTimeZone SessionManager::apiTimeZone() const
{
    if (m_config)
        return APITimeZoneResolver::resolvedTimeZone(m_config->appTimezone);
    return APITimeZoneResolver::resolvedTimeZone(
        APITimeZoneResolver::storedTimezoneIdentifier(m_settings));
}

QString SessionManager::todayKey() const
{
    return SegmentUtils::dayKey(m_clock.now(), apiTimeZone());
}

Timestamp SessionManager::dayStart(Timestamp moment) const
{
    return SegmentUtils::calendarDate(moment, apiTimeZone()).value_or(moment);
}

std::optional<Timestamp> SessionManager::endOfDay(Timestamp moment) const
{
    const QTimeZone zone = apiTimeZone();
    const QDate day = moment.toDateTime().toTimeZone(zone).date();
    const QDateTime nextDayStart = day.addDays(1).startOfDay(zone);
    if (!nextDayStart.isValid())
        return std::nullopt;
    return Timestamp::fromDateTime(nextDayStart).addingSeconds(-midnightEpsilonSeconds);
}

double SessionManager::currentLocalTotal() const
{
    double total = m_todayCompletedSeconds;
    if (m_isTracking && m_currentSession)
        total += m_currentSession->totalSecondsForReporting(m_clock.now());
    return finiteNonNegative(total);
}

std::optional<SessionManager::ServerTodayTotal>
SessionManager::serverTodayTotalOfCurrentEmployee() const
{
    if (m_serverTodayTotalPartition != m_domainStorage.partitionKey())
        return std::nullopt;
    return m_serverTodayTotal;
}

void SessionManager::recomputeTodayTotalSeconds()
{
    const double local = currentLocalTotal();
    const std::optional<ServerTodayTotal> server = serverTodayTotalOfCurrentEmployee();
    if (!server || server->date != todayKey()) {
        setTodayTotalSeconds(local);
        return;
    }
    const double growth = local - m_localTotalAtServerAnchor;
    double value = static_cast<double>(server->totalSeconds);
    if (growth >= 0.0)
        value += growth;
    setTodayTotalSeconds(std::max(value, local));
}

void SessionManager::setTodayTotalSeconds(double value)
{
    value = finiteNonNegative(value);
    if (m_todayTotalSeconds == value)
        return;
    m_todayTotalSeconds = value;
    Q_EMIT todayTotalSecondsChanged();
}

void SessionManager::applyServerTodayTotal(const ServerTodayTotal &incoming)
{
    const QString today = todayKey();
    const std::optional<QDate> incomingDay = strictDay(incoming.date);
    const std::optional<QDate> localDay = strictDay(today);
    if (!incomingDay || !localDay || incoming.totalSeconds < 0 ||
        localDay->daysTo(*incomingDay) > maximumServerDaysAhead) {
        zuvInfo(lcSession).noquote()
            << QStringLiteral("Ignoring unusable server today_total: %1s dated %2, today is %3")
                   .arg(incoming.totalSeconds)
                   .arg(incoming.date.left(32), today);
        return;
    }
    if (incoming.date < today) {
        zuvInfo(lcSession).noquote()
            << QStringLiteral("Ignoring outdated server today_total: dated %1, today is %2")
                   .arg(incoming.date, today);
        return;
    }
    const std::optional<ServerTodayTotal> previous = serverTodayTotalOfCurrentEmployee();
    if (previous && previous->date != incoming.date && incoming.date < previous->date) {
        zuvInfo(lcSession).noquote()
            << QStringLiteral("Ignoring stale server today_total: incoming date %1 < current %2")
                   .arg(incoming.date, previous->date);
        return;
    }

    m_serverTodayTotal = incoming;
    m_serverTodayTotalPartition = m_domainStorage.partitionKey();
    if (previous && previous->date != incoming.date) {
        // The history knows which finished sessions belong to the new day; zeroing them instead
        // would make the next refresh count them as work done since this figure.
        refreshTodayCompletedSeconds();
        zuvInfo(lcSession).noquote()
            << QStringLiteral("Server today_date changed %1(%2s) → %3(%4s); local refreshed to %5s")
                   .arg(previous->date)
                   .arg(previous->totalSeconds)
                   .arg(incoming.date)
                   .arg(incoming.totalSeconds)
                   .arg(static_cast<qint64>(m_todayCompletedSeconds));
    }
    m_localTotalAtServerAnchor = currentLocalTotal();
    recomputeTodayTotalSeconds();
}

void SessionManager::refreshTodayCompletedSeconds()
{
    const Timestamp start = dayStart(m_clock.now());
    const Timestamp end = start.addingSeconds(86400.0);
    double sum = 0.0;
    for (const SQLiteStore::SessionSummaryRow &row : m_store.sessionHistory(start, end))
        sum += finiteNonNegative(row.totalSeconds);
    m_todayCompletedSeconds = finiteNonNegative(sum);
    recomputeTodayTotalSeconds();
}
