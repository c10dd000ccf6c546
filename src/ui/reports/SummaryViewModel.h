#pragma once

#include "store/SQLiteStore.h"
#include "ui/design/ShownNotifier.h"
#include "ui/reports/SummaryFigures.h"
#include "ui/reports/SummaryRowModel.h"
#include "ui/reports/SummaryServices.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQmlIntegration>

struct SummaryLoadResult;

// Every decision of the summary tab: the period, the totals with the running session added, the
// average activity, which of spinner, empty state and table the session area shows, and the
// table's rows. Loads run away from the GUI thread; when loads overlap only the newest one may
// write, so a slow older load can neither show another period's rows nor end the spinner early.
class SummaryViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(SummaryServices *services READ services WRITE setServices NOTIFY servicesChanged)
    Q_PROPERTY(Period period READ period WRITE setPeriod NOTIFY periodChanged)
    // Whether a window shows the screen; while it does not, the live session's row stands still.
    Q_PROPERTY(bool shown READ shown WRITE setShown NOTIFY shownChanged)
    Q_PROPERTY(QVariantList periodOptions READ periodOptions CONSTANT)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(QString totalText READ totalText NOTIFY figuresChanged)
    Q_PROPERTY(QString sessionsText READ sessionsText NOTIFY figuresChanged)
    Q_PROPERTY(QString averageText READ averageText NOTIFY figuresChanged)
    Q_PROPERTY(SessionArea sessionArea READ sessionArea NOTIFY sessionAreaChanged)
    Q_PROPERTY(QString emptyText READ emptyText NOTIFY periodChanged)
    Q_PROPERTY(SummaryRowModel *rows READ rows CONSTANT)

public:
    enum class Period
    {
        Today,
        Week,
    };
    Q_ENUM(Period)

    enum class SessionArea
    {
        Loading,
        Empty,
        Table,
    };
    Q_ENUM(SessionArea)

    explicit SummaryViewModel(QObject *parent = nullptr);
    ~SummaryViewModel() override;

    static QString periodLabel(Period period);

    SummaryServices *services() const { return m_services; }
    void setServices(SummaryServices *services);
    Period period() const { return m_period; }
    // A new period starts a new load.
    void setPeriod(Period period);
    bool shown() const { return m_elapsedNotice.isShown(); }
    void setShown(bool shown);
    QVariantList periodOptions() const;
    bool loading() const { return m_loading; }
    QString totalText() const;
    QString sessionsText() const;
    QString averageText() const { return SummaryFigures::percentText(m_averageActivity); }
    SessionArea sessionArea() const;
    QString emptyText() const;
    SummaryRowModel *rows() const { return m_rowModel; }

    // The screen appeared: loads the selected period.
    Q_INVOKABLE void appeared();

Q_SIGNALS:
    void servicesChanged();
    void periodChanged();
    void shownChanged();
    void loadingChanged();
    void figuresChanged();
    void sessionAreaChanged();

private:
    void load();
    void applyLoad(const SummaryLoadResult &result);
    void followLiveSession();
    void setLoading(bool loading);
    bool hasLiveSession() const;
    QString startText(Timestamp moment) const;
    void emitChangesSince(SessionArea previousArea);

    QPointer<SummaryServices> m_services;
    QList<QMetaObject::Connection> m_engineConnections;
    Period m_period = Period::Today;
    QList<SQLiteStore::SessionSummaryRow> m_loadedRows;
    double m_averageActivity = 0.0;
    bool m_loading = false;
    // Counts the loads started; a load writes only while it is still the newest.
    quint64 m_generation = 0;
    SummaryRowModel *m_rowModel;
    ShownNotifier m_elapsedNotice{[this] {
        followLiveSession();
    }};
};
