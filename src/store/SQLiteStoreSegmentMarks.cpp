#include "store/SQLiteStore.h"

#include "foundation/Clock.h"
#include "store/SqliteStatement.h"

#include <QMutexLocker>

bool SQLiteStore::markActivitySegmentUploadedIfUnchanged(const ActivitySegmentRow &sent,
                                                         const std::optional<QString> &domainKey)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return false;
    SqliteStatement statement(m_connection,
                              "UPDATE activity_segments SET uploaded_at = ?\n"
                              "WHERE domain_key = ? AND segment_date = ? AND segment_number = ?\n"
                              "AND active_seconds = ? AND non_idle_seconds = ?\n"
                              "AND mouse_movements = ? AND keyboard_movements = ?;");
    if (statement.isValid()) {
        statement.bindReal(1, m_clock.now().secondsSince1970());
        statement.bindText(2, domainKeyOr(domainKey));
        statement.bindText(3, sent.segmentDate);
        statement.bindInt(4, sent.segmentNumber);
        statement.bindInt(5, sent.activeSeconds);
        statement.bindInt(6, sent.nonIdleSeconds);
        statement.bindInt(7, sent.mouseMovements);
        statement.bindInt(8, sent.keyboardMovements);
    }
    return finishWrite(statement, "markActivitySegmentUploadedIfUnchanged") &&
           m_connection.changes() > 0;
}
