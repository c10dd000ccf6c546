#include "ui/reports/ScreenshotsServices.h"

#include "api/report/ScreenshotReportService.h"
#include "app/state/AppStateManager.h"
#include "tracking/engine/SessionManager.h"

#include <memory>

namespace {

// The service object stays alive in the coroutine's frame for as long as its fetch runs.
QCoro::Task<ScreenshotReport> fetchWith(std::shared_ptr<ScreenshotReportService> service,
                                        Timestamp date)
{
    co_return co_await service->fetch(date);
}

} // namespace

ScreenshotsServices::ScreenshotsServices(Dependencies dependencies, QObject *parent)
    : QObject(parent)
    , m_appState(&dependencies.appState)
    , m_sessionManager(&dependencies.sessionManager)
    , m_reportCache(dependencies.reportCache)
    , m_fetchReport(std::move(dependencies.fetchReport))
    , m_currentDomain(std::move(dependencies.currentDomain))
    , m_clock(dependencies.clock)
    , m_imageLoader(std::move(dependencies.tls))
{}

ScreenshotsServices::FetchReport ScreenshotsServices::fetchingFrom(APIClient &api)
{
    auto service = std::make_shared<ScreenshotReportService>(api);
    return [service](Timestamp date) {
        return fetchWith(service, date);
    };
}

AppStateManager *ScreenshotsServices::appState() const
{
    return m_appState.data();
}

SessionManager *ScreenshotsServices::sessionManager() const
{
    return m_sessionManager.data();
}
