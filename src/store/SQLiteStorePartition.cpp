// Rows kept under a company's bare domain key belong to an employee nobody recorded: those written
// before employees were told apart, and those of a sign-in kept from then. The first employee of
// that company whose key becomes current is the one who was signed in, or the first to sign in
// after the change, and takes them over.

#include "store/SQLiteStore.h"

#include "foundation/DataPartition.h"
#include "foundation/Log.h"
#include "store/SqliteStatement.h"

void SQLiteStore::claimRowsOfUnknownEmployee()
{
    const QString key = domainKey();
    if (key == m_claimedForKey)
        return;
    m_claimedForKey = key;
    if (!DataPartition::namesEmployee(key))
        return;
    const QString company = DataPartition::companyOf(key);
    // A segment the employee already has a row for keeps that row; the older one stays as it is.
    const char *const claims[] = {
        "UPDATE sessions SET domain_key = ? WHERE domain_key = ?;",
        "UPDATE session_history SET domain_key = ? WHERE domain_key = ?;",
        "UPDATE upload_queue SET domain_key = ? WHERE domain_key = ?;",
        "UPDATE OR IGNORE activity_segments SET domain_key = ? WHERE domain_key = ?;",
    };
    int claimed = 0;
    for (const char *sql : claims) {
        SqliteStatement statement(m_connection, sql);
        if (statement.isValid()) {
            statement.bindText(1, key);
            statement.bindText(2, company);
        }
        if (finishWrite(statement, "claimRowsOfUnknownEmployee"))
            claimed += m_connection.changes();
    }
    if (claimed > 0) {
        zuvInfo(lcSession).nospace() << "SQLiteStore: " << claimed
                                     << " row(s) of the company's earlier sign-in now belong to "
                                        "the employee signed in";
    }
}
