#pragma once

#include "api/TlsConfiguration.h"
#include "api/report/ScreenshotReport.h"
#include "foundation/Timestamp.h"
#include "ui/reports/ScreenshotImageLoader.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQmlIntegration>

#include <functional>
#include <optional>

class APIClient;
class AppStateManager;
class Clock;
class ScreenshotReportCache;
class SessionManager;

// What the screenshots tab works with, handed by the application to the root view and from it to
// the view models that QML creates. Lives as long as the application.
class ScreenshotsServices : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application provides the services of the screenshots tab")
    Q_PROPERTY(ScreenshotImageLoader *imageLoader READ imageLoader CONSTANT)

public:
    // The day's report from the service; fails with APIError.
    using FetchReport = std::function<QCoro::Task<ScreenshotReport>(Timestamp)>;
    // The host of the stored company address, none while none is stored: the company part of
    // the report cache's key.
    using CurrentDomain = std::function<std::optional<QString>()>;

    struct Dependencies
    {
        AppStateManager &appState;
        SessionManager &sessionManager;
        ScreenshotReportCache &reportCache;
        FetchReport fetchReport;
        CurrentDomain currentDomain;
        // Where "today" comes from.
        const Clock &clock;
        TlsConfiguration tls = TlsConfiguration::fromEnvironment();
    };

    explicit ScreenshotsServices(Dependencies dependencies, QObject *parent = nullptr);

    // Fetches through the client's report call.
    static FetchReport fetchingFrom(APIClient &api);

    AppStateManager *appState() const;
    SessionManager *sessionManager() const;
    ScreenshotReportCache &reportCache() const { return m_reportCache; }
    QCoro::Task<ScreenshotReport> fetchReport(Timestamp date) const { return m_fetchReport(date); }
    std::optional<QString> currentDomain() const { return m_currentDomain(); }
    const Clock &clock() const { return m_clock; }
    ScreenshotImageLoader *imageLoader() { return &m_imageLoader; }

private:
    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
    ScreenshotReportCache &m_reportCache;
    const FetchReport m_fetchReport;
    const CurrentDomain m_currentDomain;
    const Clock &m_clock;
    ScreenshotImageLoader m_imageLoader;
};
