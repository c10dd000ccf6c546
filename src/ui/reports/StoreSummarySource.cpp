#include "ui/reports/StoreSummarySource.h"

#include <QPromise>

#include <memory>

StoreSummarySource::StoreSummarySource(SQLiteStore &store)
    : m_store(store)
{
    m_pool.setMaxThreadCount(1);
    m_pool.setObjectName(QStringLiteral("summary-reads"));
}

StoreSummarySource::~StoreSummarySource()
{
    m_pool.waitForDone();
}

QFuture<SummaryLoadResult> StoreSummarySource::load(Timestamp from, Timestamp to)
{
    auto promise = std::make_shared<QPromise<SummaryLoadResult>>();
    QFuture<SummaryLoadResult> future = promise->future();
    promise->start();
    m_pool.start([promise, from, to, &store = m_store] {
        SummaryLoadResult result;
        result.rows = store.sessionHistory(from, to);
        result.segments = store.segmentActivitySummary(from, to);
        promise->addResult(std::move(result));
        promise->finish();
    });
    return future;
}
