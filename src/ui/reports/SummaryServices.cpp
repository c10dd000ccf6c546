#include "ui/reports/SummaryServices.h"

#include "app/state/AppStateManager.h"
#include "tracking/engine/SessionManager.h"
#include "ui/reports/SummarySource.h"

SummaryServices::SummaryServices(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(&dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
    , m_source(std::move(dependencies.source))
    , m_clock(dependencies.clock)
    , m_deviceZone(std::move(dependencies.deviceZone))
{
    Q_ASSERT(m_source);
}

SummaryServices::~SummaryServices() = default;

AppStateManager *SummaryServices::appState() const
{
    return m_appState.data();
}

SessionManager *SummaryServices::sessionManager() const
{
    return m_sessionManager.data();
}

QTimeZone SummaryServices::deviceZone() const
{
    return m_deviceZone ? m_deviceZone() : QTimeZone::systemTimeZone();
}
