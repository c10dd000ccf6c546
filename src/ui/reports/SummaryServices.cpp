#include "ui/reports/SummaryServices.h"

#include "app/state/AppStateManager.h"
#include "tracking/engine/SessionManager.h"

SummaryServices::SummaryServices(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(&dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
{}

AppStateManager *SummaryServices::appState() const
{
    return m_appState.data();
}

SessionManager *SummaryServices::sessionManager() const
{
    return m_sessionManager.data();
}
