#pragma once

#include "foundation/Timestamp.h"
#include "store/SQLiteStore.h"

#include <QFuture>
#include <QList>

// What one load of the summary brings back: the period's finished sessions as the store lists
// them and the period's segment counters.
struct SummaryLoadResult
{
    QList<SQLiteStore::SessionSummaryRow> rows;
    SQLiteStore::SegmentActivitySummary segments;
};

// Where the summary tab reads its figures. A load must never block the calling (GUI) thread: the
// answer arrives through the future.
class SummarySource
{
public:
    virtual ~SummarySource() = default;
    // Sessions that started in [from, to) and the segments of the days from `from` to `to`.
    virtual QFuture<SummaryLoadResult> load(Timestamp from, Timestamp to) = 0;
};
