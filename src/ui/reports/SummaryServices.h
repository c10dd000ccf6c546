#pragma once

#include <QObject>
#include <QPointer>
#include <QTimeZone>
#include <QtQmlIntegration>

#include <functional>
#include <memory>

class AppStateManager;
class Clock;
class SessionManager;
class SummarySource;

// What the summary tab works with, handed by the application to the root view and from it to the
// view models that QML creates. Lives as long as the application.
class SummaryServices : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application provides the services of the summary tab")

public:
    struct Dependencies
    {
        AppStateManager &appState;
        SessionManager &sessionManager;
        // Reads the store away from the GUI thread.
        std::unique_ptr<SummarySource> source;
        const Clock &clock;
        // The device's zone, whose calendar days and weeks the summary counts; the system's
        // when not given.
        std::function<QTimeZone()> deviceZone;
    };

    explicit SummaryServices(Dependencies dependencies, QObject *parent = nullptr);
    ~SummaryServices() override;

    AppStateManager *appState() const;
    SessionManager *sessionManager() const;
    SummarySource &source() const { return *m_source; }
    const Clock &clock() const { return m_clock; }
    QTimeZone deviceZone() const;

private:
    QPointer<AppStateManager> m_appState;
    QPointer<SessionManager> m_sessionManager;
    std::unique_ptr<SummarySource> m_source;
    const Clock &m_clock;
    std::function<QTimeZone()> m_deviceZone;
};
