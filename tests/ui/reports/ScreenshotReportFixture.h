#pragma once

#include "api/APIError.h"
#include "api/report/ScreenshotReport.h"
#include "foundation/Timestamp.h"
#include "ui/reports/ScreenshotsServices.h"

#include <QCoreApplication>
#include <QCoroSignal>
#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <stdexcept>
#include <variant>

// One report fetch that waits until the test answers it.
class PendingReportFetch : public QObject
{
    Q_OBJECT

public:
    explicit PendingReportFetch(Timestamp requestedDate)
        : date(requestedDate)
    {}

    void succeed(ScreenshotReport answer)
    {
        report = std::move(answer);
        deliver();
    }
    void fail(APIError failure)
    {
        error = std::move(failure);
        deliver();
    }
    void failOtherwise()
    {
        otherFailure = true;
        deliver();
    }

    const Timestamp date;
    std::optional<ScreenshotReport> report;
    std::optional<APIError> error;
    bool otherFailure = false;

Q_SIGNALS:
    void answered();

private:
    // The awaiting screen resumes from the event loop; it has taken the answer on return.
    void deliver()
    {
        Q_EMIT answered();
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
    }
};

// Stands in for the service's report call: every fetch waits in `pending` until answered, or is
// answered at once with `immediateReport` when that is set.
class FakeReportFetcher
{
public:
    ScreenshotsServices::FetchReport function()
    {
        return [this](Timestamp date) {
            return run(this, date);
        };
    }

    QList<std::shared_ptr<PendingReportFetch>> pending;
    std::optional<ScreenshotReport> immediateReport;

private:
    static QCoro::Task<ScreenshotReport> run(FakeReportFetcher *fetcher, Timestamp date)
    {
        if (fetcher->immediateReport) {
            // g++ 12 moves from an lvalue named in co_return; a copy keeps the fixture's report.
            ScreenshotReport answer = *fetcher->immediateReport;
            co_return answer;
        }
        auto fetch = std::make_shared<PendingReportFetch>(date);
        fetcher->pending.append(fetch);
        co_await qCoro(fetch.get(), &PendingReportFetch::answered);
        if (fetch->error)
            throw *fetch->error;
        if (fetch->otherFailure)
            throw std::runtime_error("not an API failure");
        ScreenshotReport answer = *fetch->report;
        co_return answer;
    }
};

namespace ScreenshotReportFixture {

inline ScreenshotReport::Stats stats(qint64 seconds, double rate, qint64 mouse = 0, qint64 keys = 0)
{
    ScreenshotReport::Stats stats;
    stats.totalSeconds = seconds;
    stats.totalSecondsFormatted =
        QStringLiteral("%1h %2m").arg(seconds / 3600).arg(seconds / 60 % 60);
    stats.activityRate = rate;
    stats.mouseMovements = mouse;
    stats.keyPressCount = keys;
    return stats;
}

// A day of `hourCount` hours from 9:00, six segments each. Every screenshot's addresses lie under
// `mediaBase` (".../segment-N-S.png" and "...-thumb.png"); the fifth segment of each hour has none.
inline ScreenshotReport day(int hourCount, const QString &mediaBase, int shotsPerSegment = 2)
{
    ScreenshotReport report;
    report.summary.stats = stats(hourCount * 3000, 45.678, 1234567, 98765);
    for (int h = 0; h < hourCount; ++h) {
        ScreenshotReport::Hour hour;
        hour.hour = (9 + h) % 24;
        hour.stats = stats(3000, 40.0 + h, 1000, 2000);
        for (int slot = 0; slot < 6; ++slot) {
            ScreenshotReport::Segment segment;
            segment.segmentNumber = hour.hour * 6 + slot;
            const auto clock = [&hour](int minute) {
                return QStringLiteral("%1:%2")
                    .arg(hour.hour + minute / 60, 2, 10, QLatin1Char('0'))
                    .arg(minute % 60, 2, 10, QLatin1Char('0'));
            };
            segment.from = clock(slot * 10);
            segment.to = clock(slot * 10 + 10);
            segment.indicatorColor =
                slot % 2 == 0 ? QStringLiteral("green") : QStringLiteral("orange");
            segment.stats = stats(500, 30.0 + 10 * slot);
            for (int shot = 0; slot != 4 && shot < shotsPerSegment; ++shot) {
                const QString stem = QStringLiteral("%1/segment-%2-%3")
                                         .arg(mediaBase)
                                         .arg(segment.segmentNumber)
                                         .arg(shot);
                segment.screenshots.append({stem + QStringLiteral(".png"), true,
                                            stem + QStringLiteral("-thumb.png"), true,
                                            QStringLiteral("09:03")});
            }
            hour.segments.append(segment);
        }
        report.hours.append(hour);
    }
    return report;
}

} // namespace ScreenshotReportFixture
