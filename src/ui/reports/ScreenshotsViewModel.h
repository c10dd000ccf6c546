#pragma once

#include "api/report/ScreenshotReport.h"
#include "ui/reports/ScreenshotHourModel.h"
#include "ui/reports/ScreenshotsServices.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QtQmlIntegration>

#include <exception>
#include <optional>

// Every decision of the screenshots screen: the day shown and its navigation, the report from the
// cache first and then fresh from the service, the four totals, the hour and segment cards, and
// which segment the viewer shows.
class ScreenshotsViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ScreenshotsServices *services READ services WRITE setServices NOTIFY servicesChanged)
    Q_PROPERTY(QString dayText READ dayText NOTIFY dayChanged)
    Q_PROPERTY(bool canGoForward READ canGoForward NOTIFY canGoForwardChanged)
    Q_PROPERTY(Content content READ content NOTIFY contentChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY contentChanged)
    Q_PROPERTY(bool hasHours READ hasHours NOTIFY contentChanged)
    Q_PROPERTY(QString workingTimeText READ workingTimeText NOTIFY contentChanged)
    Q_PROPERTY(double workingTimeFraction READ workingTimeFraction NOTIFY contentChanged)
    Q_PROPERTY(QString workingTimeTooltip READ workingTimeTooltip NOTIFY contentChanged)
    Q_PROPERTY(QString activityText READ activityText NOTIFY contentChanged)
    Q_PROPERTY(double activityFraction READ activityFraction NOTIFY contentChanged)
    Q_PROPERTY(QString mouseMovementsText READ mouseMovementsText NOTIFY contentChanged)
    Q_PROPERTY(QString keyboardStrokesText READ keyboardStrokesText NOTIFY contentChanged)
    Q_PROPERTY(ScreenshotHourModel *hours READ hours CONSTANT)
    Q_PROPERTY(int viewerGeneration READ viewerGeneration NOTIFY viewerChanged)
    Q_PROPERTY(QString viewerTimeRange READ viewerTimeRange NOTIFY viewerChanged)
    Q_PROPERTY(QStringList viewerUrls READ viewerUrls NOTIFY viewerChanged)

public:
    // What fills the screen under the date bar, the first that applies.
    enum class Content
    {
        Loading,
        Error,
        Report,
        Nothing,
    };
    Q_ENUM(Content)

    explicit ScreenshotsViewModel(QObject *parent = nullptr);

    ScreenshotsServices *services() const { return m_services; }
    void setServices(ScreenshotsServices *services);

    QDate selectedDay() const { return m_selectedDay; }
    QString dayText() const;
    bool canGoForward() const;
    Content content() const;
    bool isLoading() const { return m_isLoading; }
    QString errorMessage() const { return m_errorMessage.value_or(QString()); }
    const std::optional<ScreenshotReport> &report() const { return m_report; }
    bool hasHours() const { return m_report && !m_report->hours.isEmpty(); }

    QString workingTimeText() const;
    double workingTimeFraction() const;
    QString workingTimeTooltip() const;
    QString activityText() const;
    double activityFraction() const;
    QString mouseMovementsText() const;
    QString keyboardStrokesText() const;
    ScreenshotHourModel *hours() { return &m_hours; }

    // Grows with every opening, so that each click shows the viewer afresh; 0 while it is closed.
    int viewerGeneration() const { return m_viewerOpen ? m_viewerGeneration : 0; }
    QString viewerTimeRange() const { return m_viewerTimeRange; }
    QStringList viewerUrls() const { return m_viewerUrls; }

    // Shows the selected day's cached report at once, or the spinner, and fetches it again.
    Q_INVOKABLE void load();
    Q_INVOKABLE void showToday();
    // Moves by whole calendar days; forward never past today.
    Q_INVOKABLE void navigate(int days);
    // Opens the viewer on the segment's screenshots; a segment without any does nothing.
    Q_INVOKABLE void openSegment(int hourRow, int segmentRow);
    Q_INVOKABLE void closeViewer();

Q_SIGNALS:
    void servicesChanged();
    void dayChanged();
    // The shown day changed, or the clock's day did.
    void canGoForwardChanged();
    void contentChanged();
    void viewerChanged();

private:
    QDate today() const;
    void watchToday();
    void selectDay(QDate day);
    QCoro::Task<> fetch(QDate day, std::optional<QString> domain);
    void showReport(std::optional<ScreenshotReport> report);
    const ScreenshotReport::Stats *stats() const;

    QPointer<ScreenshotsServices> m_services;
    QDate m_selectedDay;
    QDate m_watchedToday;
    QTimer m_todayWatch;
    bool m_isLoading = false;
    std::optional<ScreenshotReport> m_report;
    std::optional<QString> m_errorMessage;
    ScreenshotHourModel m_hours;
    bool m_viewerOpen = false;
    int m_viewerGeneration = 0;
    QString m_viewerTimeRange;
    QStringList m_viewerUrls;
};
