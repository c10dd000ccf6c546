#include "store/SQLiteStore.h"

#include "store/SqliteStatement.h"

#include <QMutexLocker>

std::optional<SQLiteStore::ActivitySegmentRow>
SQLiteStore::activitySegment(const QString &segmentDate, int segmentNumber)
{
    const QMutexLocker locker(&m_mutex);
    if (!ensureUsable())
        return std::nullopt;
    SqliteStatement statement(m_connection,
                              "SELECT active_seconds, non_idle_seconds, mouse_movements, "
                              "keyboard_movements\n"
                              "FROM activity_segments\n"
                              "WHERE domain_key = ? AND segment_date = ? AND segment_number = ?;");
    if (!statement.isValid())
        return std::nullopt;
    statement.bindText(1, domainKey());
    statement.bindText(2, segmentDate);
    statement.bindInt(3, segmentNumber);
    if (!statement.nextRow())
        return std::nullopt;
    return ActivitySegmentRow{segmentDate,
                              segmentNumber,
                              statement.columnInt(0),
                              statement.columnInt(1),
                              statement.columnInt(2),
                              statement.columnInt(3)};
}
