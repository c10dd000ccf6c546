#pragma once

#include "ui/reports/SummarySource.h"

#include <QList>
#include <QPromise>

#include <memory>

// A summary source whose loads answer only when the test says so, in any order.
class FakeSummarySource final : public SummarySource
{
public:
    struct Load
    {
        Timestamp from;
        Timestamp to;
        std::shared_ptr<QPromise<SummaryLoadResult>> promise;
    };

    QFuture<SummaryLoadResult> load(Timestamp from, Timestamp to) override
    {
        auto promise = std::make_shared<QPromise<SummaryLoadResult>>();
        promise->start();
        loads.append({from, to, promise});
        return promise->future();
    }

    // Answers the load with that index.
    void answer(qsizetype index, SummaryLoadResult result)
    {
        QPromise<SummaryLoadResult> &promise = *loads.at(index).promise;
        promise.addResult(std::move(result));
        promise.finish();
    }

    // Ends the load with no answer, as a source that shuts down does.
    void abandon(qsizetype index) { loads.at(index).promise->finish(); }

    QList<Load> loads;
};
