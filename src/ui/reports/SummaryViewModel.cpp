#include "ui/reports/SummaryViewModel.h"

#include "foundation/Clock.h"
#include "tracking/engine/SessionManager.h"
#include "ui/reports/SummarySource.h"

#include <QFutureWatcher>
#include <QLocale>

namespace {

SummaryFigures::Period figuresPeriod(SummaryViewModel::Period period)
{
    return period == SummaryViewModel::Period::Week ? SummaryFigures::Period::Week
                                                    : SummaryFigures::Period::Today;
}

} // namespace

SummaryViewModel::SummaryViewModel(QObject *parent)
    : QObject(parent)
    , m_rowModel(new SummaryRowModel(this))
{}

SummaryViewModel::~SummaryViewModel() = default;

QString SummaryViewModel::periodLabel(Period period)
{
    return period == Period::Week ? QStringLiteral("This Week") : QStringLiteral("Today");
}

void SummaryViewModel::setServices(SummaryServices *services)
{
    if (m_services == services)
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_engineConnections))
        disconnect(connection);
    m_engineConnections.clear();
    m_services = services;
    // A load still running for the old services has nothing to say to the new ones.
    ++m_generation;
    setLoading(false);
    if (SessionManager *engine = services ? services->sessionManager() : nullptr) {
        for (const auto signal :
             {&SessionManager::isTrackingChanged, &SessionManager::currentSessionChanged}) {
            m_engineConnections.append(
                connect(engine, signal, this, &SummaryViewModel::followLiveSession));
        }
        m_engineConnections.append(connect(engine, &SessionManager::elapsedSecondsChanged, this,
                                           [this] { m_elapsedNotice.changed(); }));
    }
    followLiveSession();
    Q_EMIT servicesChanged();
}

void SummaryViewModel::setPeriod(Period period)
{
    if (m_period == period)
        return;
    m_period = period;
    Q_EMIT periodChanged();
    load();
}

void SummaryViewModel::setShown(bool shown)
{
    if (m_elapsedNotice.setShown(shown))
        Q_EMIT shownChanged();
}

QVariantList SummaryViewModel::periodOptions() const
{
    QVariantList options;
    for (const Period period : {Period::Today, Period::Week}) {
        options.append(QVariantMap{{QStringLiteral("value"), QVariant::fromValue(period)},
                                   {QStringLiteral("label"), periodLabel(period)}});
    }
    return options;
}

QString SummaryViewModel::totalText() const
{
    double total = 0.0;
    for (const SQLiteStore::SessionSummaryRow &row : m_loadedRows)
        total += row.totalSeconds;
    if (hasLiveSession())
        total += m_services->sessionManager()->elapsedSeconds();
    return SummaryFigures::formatDuration(total);
}

QString SummaryViewModel::sessionsText() const
{
    return QString::number(m_loadedRows.size() + (hasLiveSession() ? 1 : 0));
}

SummaryViewModel::SessionArea SummaryViewModel::sessionArea() const
{
    if (m_loading)
        return SessionArea::Loading;
    if (m_rowModel->rowCount() == 0)
        return SessionArea::Empty;
    return SessionArea::Table;
}

QString SummaryViewModel::emptyText() const
{
    return m_period == Period::Week ? QStringLiteral("No sessions this week")
                                    : QStringLiteral("No sessions today");
}

void SummaryViewModel::appeared()
{
    load();
}

void SummaryViewModel::load()
{
    if (!m_services)
        return;
    const quint64 generation = ++m_generation;
    setLoading(true);
    const SummaryFigures::DateRange range = SummaryFigures::dateRange(
        figuresPeriod(m_period), m_services->clock().now(), m_services->deviceZone());
    // The watcher goes with this view model, so an answer for a screen that is gone is never
    // heard.
    auto *watcher = new QFutureWatcher<SummaryLoadResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        if (generation != m_generation)
            return;
        if (watcher->future().resultCount() > 0)
            applyLoad(watcher->result());
        else
            setLoading(false); // no answer at all: the figures already shown stay
    });
    watcher->setFuture(m_services->source().load(range.start, range.end));
}

void SummaryViewModel::applyLoad(const SummaryLoadResult &result)
{
    const SessionArea previousArea = sessionArea();
    m_loadedRows = SummaryFigures::rowsWithTime(result.rows);
    m_averageActivity = SummaryFigures::averageActivity(result.segments);

    QList<SummaryRowModel::Row> table;
    table.reserve(m_loadedRows.size());
    for (const SQLiteStore::SessionSummaryRow &row : SummaryFigures::newestFirst(m_loadedRows)) {
        table.append({startText(row.startedAt), row.projectName,
                      SummaryFigures::formatDuration(row.totalSeconds)});
    }
    // The Ongoing row follows the finished ones, so it is taken off while they are replaced.
    m_rowModel->setOngoingRow(std::nullopt);
    m_rowModel->setFinishedRows(table);
    m_loading = false;
    followLiveSession();
    Q_EMIT loadingChanged();
    emitChangesSince(previousArea);
}

void SummaryViewModel::followLiveSession()
{
    const SessionArea previousArea = sessionArea();
    std::optional<SummaryRowModel::Row> ongoing;
    if (hasLiveSession()) {
        const SessionManager &engine = *m_services->sessionManager();
        const Session &session = *engine.currentSession();
        const Timestamp started = session.intervals.isEmpty()
                                      ? m_services->clock().now()
                                      : session.intervals.constFirst().startedAt;
        ongoing = SummaryRowModel::Row{startText(started), session.projectName,
                                       SummaryFigures::formatDuration(engine.elapsedSeconds())};
    }
    m_rowModel->setOngoingRow(ongoing);
    emitChangesSince(previousArea);
}

void SummaryViewModel::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    const SessionArea previousArea = sessionArea();
    m_loading = loading;
    Q_EMIT loadingChanged();
    if (sessionArea() != previousArea)
        Q_EMIT sessionAreaChanged();
}

bool SummaryViewModel::hasLiveSession() const
{
    const SessionManager *engine = m_services ? m_services->sessionManager() : nullptr;
    return engine && engine->isTracking() && engine->currentSession().has_value();
}

QString SummaryViewModel::startText(Timestamp moment) const
{
    // The device's own language and zone, with a fixed pattern.
    return QLocale().toString(moment.toDateTime().toTimeZone(m_services->deviceZone()),
                              QStringLiteral("d MMM HH:mm"));
}

void SummaryViewModel::emitChangesSince(SessionArea previousArea)
{
    Q_EMIT figuresChanged();
    if (sessionArea() != previousArea)
        Q_EMIT sessionAreaChanged();
}
