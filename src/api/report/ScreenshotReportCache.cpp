#include "api/report/ScreenshotReportCache.h"

#include <QDateTime>

#include <cmath>

ScreenshotReportCache::ScreenshotReportCache(int maxEntries, std::optional<QTimeZone> fixedZone)
    : m_maxEntries(maxEntries)
    , m_fixedZone(std::move(fixedZone))
{}

QTimeZone ScreenshotReportCache::zone() const
{
    return m_fixedZone.value_or(QTimeZone::systemTimeZone());
}

QString ScreenshotReportCache::key(Timestamp date, const std::optional<QString> &domain) const
{
    const QTimeZone deviceZone = zone();
    const QDate day = date.toDateTime().toTimeZone(deviceZone).date();
    const QDateTime dayStart = day.startOfDay(deviceZone);
    // Whole seconds, the fraction dropped toward zero.
    const auto seconds = static_cast<qint64>(std::trunc(dayStart.toMSecsSinceEpoch() / 1000.0));
    return domain.value_or(QStringLiteral("-")) + QLatin1Char('|') + QString::number(seconds);
}

std::optional<ScreenshotReport>
ScreenshotReportCache::report(Timestamp date, const std::optional<QString> &domain) const
{
    const auto found = m_storage.constFind(key(date, domain));
    if (found == m_storage.constEnd())
        return std::nullopt;
    return *found;
}

void ScreenshotReportCache::store(const ScreenshotReport &report, Timestamp date,
                                  const std::optional<QString> &domain)
{
    const QString entryKey = key(date, domain);
    if (m_storage.contains(entryKey)) {
        m_storage.insert(entryKey, report);
        return;
    }
    if (m_insertionOrder.size() >= m_maxEntries && !m_insertionOrder.isEmpty())
        m_storage.remove(m_insertionOrder.takeFirst());
    m_insertionOrder.append(entryKey);
    m_storage.insert(entryKey, report);
}

void ScreenshotReportCache::clear()
{
    m_storage.clear();
    m_insertionOrder.clear();
}
