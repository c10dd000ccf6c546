#pragma once

#include "api/report/ScreenshotReport.h"
#include "foundation/Timestamp.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>

// The last fetched reports, per company and local day, so the screenshots screen can show a day at
// once while a fresh copy is fetched. First in, first out: neither a lookup nor a repeated store
// makes an entry younger. Main thread only.
//
// A key names the company, not the employee, so the cache must be emptied whenever the sign-in
// ends; otherwise the next person to sign in to the same company would see the previous one's
// screenshots.
class ScreenshotReportCache
{
public:
    static constexpr int defaultMaxEntries = 30;

    // Days are those of the device's time zone at the time of each call, unless a fixed zone is
    // given.
    explicit ScreenshotReportCache(int maxEntries = defaultMaxEntries,
                                   std::optional<QTimeZone> fixedZone = std::nullopt);

    std::optional<ScreenshotReport> report(Timestamp date,
                                           const std::optional<QString> &domain) const;
    void store(const ScreenshotReport &report, Timestamp date,
               const std::optional<QString> &domain);
    void clear();

    int size() const { return static_cast<int>(m_insertionOrder.size()); }

    // The domain (or "-") and the start of the date's local day in whole seconds since 1970.
    QString key(Timestamp date, const std::optional<QString> &domain) const;

private:
    QTimeZone zone() const;

    const int m_maxEntries;
    const std::optional<QTimeZone> m_fixedZone;
    QHash<QString, ScreenshotReport> m_storage;
    QList<QString> m_insertionOrder;
};
