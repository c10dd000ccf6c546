#pragma once

#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/TlsConfiguration.h"
#include "api/UnauthorizedHandler.h"
#include "api/auth/AuthTestSupport.h"
#include "foundation/SettingsStore.h"
#include "store/DeviceIdProvider.h"
#include "store/SQLiteStore.h"
#include "support/FakeClock.h"
#include "support/FakeRandomSource.h"
#include "support/standin/StandInService.h"
#include "upload/RetryManager.h"
#include "upload/UploadHttpClient.h"
#include "upload/UploadService.h"

#include <QTemporaryDir>

#include <memory>

namespace UploadTestSupport {

template<typename T>
QCoro::Task<std::pair<std::optional<T>, std::exception_ptr>> settle(QCoro::Task<T> task)
{
    try {
        co_return std::make_pair(std::optional<T>(co_await std::move(task)), std::exception_ptr());
    } catch (...) {
        co_return std::make_pair(std::optional<T>(), std::current_exception());
    }
}

// Runs the task to its end, rethrowing what it threw. (Waiting on a task that throws directly
// would never return: the wait loop only ends on a normal completion.)
template<typename T>
T run(QCoro::Task<T> task)
{
    auto [value, error] = QCoro::waitFor(settle(std::move(task)));
    if (error)
        std::rethrow_exception(error);
    return std::move(*value);
}

} // namespace UploadTestSupport

// Signs in to the stand-in service as one of its demo employees (the demo employee when none is
// named) and answers the tokens it issued.
std::optional<AuthTokens> signInToStandIn(const StandInService &standIn,
                                          const QString &email = StandInService::demoEmail());

// A refresh handler that signs in again, counting how often it was asked.
class CountingRefresher final : public UnauthorizedHandler
{
public:
    CountingRefresher(const StandInService &standIn, AuthTokenStore &tokens)
        : m_standIn(standIn)
        , m_tokens(tokens)
    {}

    QCoro::Task<std::optional<AuthTokens>> handleUnauthorized() override;
    int calls() const { return m_calls; }

private:
    const StandInService &m_standIn;
    AuthTokenStore &m_tokens;
    int m_calls = 0;
};

// Everything an upload service needs, real where it can be: a database file in a temporary
// folder, the stand-in service over HTTPS (trusted through its own authority only), a captures
// folder; a clock and a random source the test moves.
struct UploadTestRig
{
    explicit UploadTestRig(const StandInService &standIn);

    QString capturesFolder() const;
    // Writes a small JPEG-named file into the current domain's captures folder.
    QString writeCapture(const QUuid &sessionId, const QString &token, int display) const;
    // Runs one queue pass to its end.
    void runPass();
    QList<UploadTask> queuedTasks();

    QTemporaryDir folder;
    SettingsStore settings{QString()};
    DomainStorage domainStorage{settings};
    APIEndpoints endpoints{domainStorage};
    FakeClock clock{Timestamp::fromDateTime(QDateTime::currentDateTimeUtc())};
    FakeRandomSource random{0.0};
    MemoryTokenStore tokens;
    std::unique_ptr<CountingRefresher> refresher;
    std::unique_ptr<SQLiteStore> store;
    DeviceIdProvider deviceIds{settings};
    RetryManager retry{clock, random};
    std::unique_ptr<UploadHttpClient> http;
    std::unique_ptr<UploadService> service;
};
