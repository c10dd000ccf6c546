#pragma once

#include "ui/reports/SummarySource.h"

#include <QThreadPool>

// Reads the summary from the local store on a thread of its own. The store serialises every
// call with its own lock, so the reads share its connection safely; they only ever wait behind an
// engine write, never make the GUI thread wait for a whole load.
class StoreSummarySource final : public SummarySource
{
public:
    explicit StoreSummarySource(SQLiteStore &store);
    // Waits for a load still running, which reads the store this source does not own.
    ~StoreSummarySource() override;

    QFuture<SummaryLoadResult> load(Timestamp from, Timestamp to) override;

private:
    SQLiteStore &m_store;
    // One thread: loads run one after another, so a burst of period changes never piles up
    // readers on the store's lock.
    QThreadPool m_pool;
};
