#include "ui/reports/ScreenshotsViewModel.h"

#include "api/report/ScreenshotReportCache.h"
#include "foundation/Clock.h"
#include "ui/reports/ScreenshotSegmentModel.h"
#include "ui/reports/ScreenshotTexts.h"

#include <algorithm>

namespace {

// A day as the report calls and the cache name it: its first moment in the device's zone, which
// is not midnight on days that skip it.
Timestamp startOf(QDate day)
{
    return Timestamp::fromDateTime(day.startOfDay());
}

} // namespace

ScreenshotsViewModel::ScreenshotsViewModel(QObject *parent)
    : QObject(parent)
    , m_selectedDay(QDate::currentDate())
{
    m_todayWatch.setSingleShot(true);
    connect(&m_todayWatch, &QTimer::timeout, this, &ScreenshotsViewModel::watchToday);
    connect(this, &ScreenshotsViewModel::dayChanged, this,
            &ScreenshotsViewModel::canGoForwardChanged);
}

void ScreenshotsViewModel::setServices(ScreenshotsServices *services)
{
    if (m_services == services)
        return;
    m_services = services;
    // The day the screen opens on is today as the services' clock tells it.
    if (services)
        m_selectedDay = today();
    m_watchedToday = today();
    watchToday();
    Q_EMIT servicesChanged();
    Q_EMIT dayChanged();
}

void ScreenshotsViewModel::watchToday()
{
    const QDate now = today();
    if (now != m_watchedToday) {
        m_watchedToday = now;
        Q_EMIT canGoForwardChanged();
    }
    if (!m_services) {
        m_todayWatch.stop();
        return;
    }
    // Just past the coming midnight, and at least once a minute: the wall clock may be set by
    // hand, and a machine that slept misses its timers.
    const qint64 untilMidnight =
        m_services->clock().now().toDateTime().msecsTo(now.addDays(1).startOfDay());
    constexpr qint64 longestWaitMs = 60'000;
    m_todayWatch.start(static_cast<int>(std::clamp<qint64>(untilMidnight + 20, 20, longestWaitMs)));
}

QDate ScreenshotsViewModel::today() const
{
    if (!m_services)
        return QDate::currentDate();
    return m_services->clock().now().toDateTime().toLocalTime().date();
}

QString ScreenshotsViewModel::dayText() const
{
    return ScreenshotTexts::dayText(m_selectedDay);
}

bool ScreenshotsViewModel::canGoForward() const
{
    return m_selectedDay < today();
}

ScreenshotsViewModel::Content ScreenshotsViewModel::content() const
{
    if (m_isLoading)
        return Content::Loading;
    if (m_errorMessage)
        return Content::Error;
    if (m_report)
        return Content::Report;
    return Content::Nothing;
}

const ScreenshotReport::Stats *ScreenshotsViewModel::stats() const
{
    return m_report ? &m_report->summary.stats : nullptr;
}

QString ScreenshotsViewModel::workingTimeText() const
{
    return stats() ? stats()->totalSecondsFormatted : QString();
}

double ScreenshotsViewModel::workingTimeFraction() const
{
    return stats() ? std::max(ScreenshotTexts::workingTimeFraction(stats()->totalSeconds), 0.0)
                   : 0.0;
}

QString ScreenshotsViewModel::workingTimeTooltip() const
{
    return stats() ? ScreenshotTexts::workingTimeTooltip(stats()->totalSeconds) : QString();
}

QString ScreenshotsViewModel::activityText() const
{
    return stats() ? ScreenshotTexts::percent(stats()->activityRate, 2) : QString();
}

double ScreenshotsViewModel::activityFraction() const
{
    return stats() ? std::clamp(stats()->activityRate / 100.0, 0.0, 1.0) : 0.0;
}

QString ScreenshotsViewModel::mouseMovementsText() const
{
    return stats() ? ScreenshotTexts::groupedCount(stats()->mouseMovements) : QString();
}

QString ScreenshotsViewModel::keyboardStrokesText() const
{
    return stats() ? ScreenshotTexts::groupedCount(stats()->keyPressCount) : QString();
}

void ScreenshotsViewModel::load()
{
    if (!m_services)
        return;
    m_errorMessage.reset();
    const QDate day = m_selectedDay;
    // The company is named once, now: the report is filed under the company it was asked for
    // even when the stored company changes while it is fetched.
    std::optional<QString> domain = m_services->currentDomain();
    std::optional<ScreenshotReport> cached = m_services->reportCache().report(startOf(day), domain);
    m_isLoading = !cached;
    showReport(std::move(cached));
    fetch(day, std::move(domain));
}

QCoro::Task<> ScreenshotsViewModel::fetch(QDate day, std::optional<QString> domain)
{
    QPointer<ScreenshotsViewModel> self(this);
    QPointer<ScreenshotsServices> services = m_services;
    const Timestamp date = startOf(day);
    std::optional<ScreenshotReport> fetched;
    std::exception_ptr failure;
    try {
        if (!services)
            co_return;
        fetched = co_await services->fetchReport(date);
    } catch (...) {
        failure = std::current_exception();
    }
    if (fetched && services)
        services->reportCache().store(*fetched, date, domain);
    if (!self || self->m_selectedDay != day)
        co_return;
    self->m_isLoading = false;
    // A refresh that brings what is shown already keeps the cards, and with them their loaded
    // thumbnails.
    if (fetched && fetched != self->m_report) {
        self->showReport(std::move(fetched));
        co_return;
    }
    if (fetched) {
        Q_EMIT self->contentChanged();
        co_return;
    }
    if (!self->m_report)
        self->m_errorMessage = ScreenshotTexts::failureMessage(failure);
    Q_EMIT self->contentChanged();
}

void ScreenshotsViewModel::showReport(std::optional<ScreenshotReport> report)
{
    m_report = std::move(report);
    m_hours.setHours(m_report ? m_report->hours : QList<ScreenshotReport::Hour>());
    Q_EMIT contentChanged();
}

void ScreenshotsViewModel::showToday()
{
    selectDay(today());
}

void ScreenshotsViewModel::navigate(int days)
{
    if (days > 0 && !canGoForward())
        return;
    selectDay(m_selectedDay.addDays(days));
}

void ScreenshotsViewModel::selectDay(QDate day)
{
    if (!day.isValid() || day == m_selectedDay)
        return;
    m_selectedDay = day;
    Q_EMIT dayChanged();
    load();
}

void ScreenshotsViewModel::openSegment(int hourRow, int segmentRow)
{
    if (!m_report || hourRow < 0 || hourRow >= m_report->hours.size())
        return;
    const ScreenshotReport::Hour &hour = m_report->hours.at(hourRow);
    if (segmentRow < 0 || segmentRow >= hour.segments.size())
        return;
    const ScreenshotReport::Segment &segment = hour.segments.at(segmentRow);
    if (segment.screenshots.isEmpty())
        return;
    m_viewerOpen = true;
    ++m_viewerGeneration;
    m_viewerTimeRange = ScreenshotSegmentModel::timeRangeFor(segment);
    m_viewerUrls = ScreenshotSegmentModel::viewerUrlsFor(segment);
    Q_EMIT viewerChanged();
}

void ScreenshotsViewModel::closeViewer()
{
    if (!m_viewerOpen)
        return;
    m_viewerOpen = false;
    Q_EMIT viewerChanged();
}
