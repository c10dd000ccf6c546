#include "store/SQLiteStore.h"

#include "foundation/AppPaths.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "store/SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

const char *const createTableStatements[] = {
    "CREATE TABLE IF NOT EXISTS sessions (\n"
    "  id TEXT PRIMARY KEY,\n"
    "  domain_key TEXT NOT NULL DEFAULT 'global',\n"
    "  device_id TEXT NOT NULL,\n"
    "  project_id TEXT NOT NULL,\n"
    "  project_name TEXT NOT NULL,\n"
    "  payload BLOB NOT NULL,\n"
    "  updated_at REAL NOT NULL\n"
    ");",
    "CREATE TABLE IF NOT EXISTS session_history (\n"
    "  id TEXT PRIMARY KEY,\n"
    "  domain_key TEXT NOT NULL DEFAULT 'global',\n"
    "  device_id TEXT NOT NULL,\n"
    "  project_id TEXT NOT NULL,\n"
    "  project_name TEXT NOT NULL,\n"
    "  payload BLOB NOT NULL,\n"
    "  started_at REAL NOT NULL,\n"
    "  stopped_at REAL NOT NULL\n"
    ");",
    "CREATE TABLE IF NOT EXISTS upload_queue (\n"
    "  id TEXT PRIMARY KEY,\n"
    "  domain_key TEXT NOT NULL DEFAULT 'global',\n"
    "  session_id TEXT NOT NULL,\n"
    "  type TEXT NOT NULL,\n"
    "  file_path TEXT,\n"
    "  json_payload BLOB,\n"
    "  retry_count INTEGER NOT NULL DEFAULT 0,\n"
    "  created_at REAL NOT NULL,\n"
    "  status TEXT NOT NULL,\n"
    "  priority INTEGER NOT NULL,\n"
    "  next_attempt_at REAL NOT NULL DEFAULT 0\n"
    ");",
    "CREATE TABLE IF NOT EXISTS activity_segments (\n"
    "  domain_key TEXT NOT NULL,\n"
    "  segment_date TEXT NOT NULL,\n"
    "  segment_number INTEGER NOT NULL,\n"
    "  active_seconds INTEGER NOT NULL DEFAULT 0,\n"
    "  non_idle_seconds INTEGER NOT NULL DEFAULT 0,\n"
    "  mouse_movements INTEGER NOT NULL DEFAULT 0,\n"
    "  keyboard_movements INTEGER NOT NULL DEFAULT 0,\n"
    "  uploaded_at REAL,\n"
    "  PRIMARY KEY (domain_key, segment_date, segment_number)\n"
    ");",
};

struct ColumnMigration
{
    const char *table;
    const char *column;
    const char *statement;
};

const ColumnMigration columnMigrations[] = {
    {"sessions", "domain_key",
     "ALTER TABLE sessions ADD COLUMN domain_key TEXT NOT NULL DEFAULT 'global';"},
    {"session_history", "domain_key",
     "ALTER TABLE session_history ADD COLUMN domain_key TEXT NOT NULL DEFAULT 'global';"},
    {"upload_queue", "domain_key",
     "ALTER TABLE upload_queue ADD COLUMN domain_key TEXT NOT NULL DEFAULT 'global';"},
    {"upload_queue", "next_attempt_at",
     "ALTER TABLE upload_queue ADD COLUMN next_attempt_at REAL NOT NULL DEFAULT 0;"},
};

const char *const createIndexStatements[] = {
    "CREATE INDEX IF NOT EXISTS idx_upload_queue_lookup\n"
    "  ON upload_queue(domain_key, status, next_attempt_at);",
    "CREATE INDEX IF NOT EXISTS idx_activity_segments_pending\n"
    "  ON activity_segments(domain_key, uploaded_at, segment_date, segment_number);",
    "CREATE INDEX IF NOT EXISTS idx_sessions_domain\n"
    "  ON sessions(domain_key, updated_at);",
    "CREATE INDEX IF NOT EXISTS idx_session_history_domain\n"
    "  ON session_history(domain_key, started_at);",
    // Beyond the lookup index: the queue's own order, so that taking the next task never sorts
    // the due rows (a day offline leaves thousands of them), and a session's open tasks without
    // scanning the table (asked before every heartbeat).
    "CREATE INDEX IF NOT EXISTS idx_upload_queue_order\n"
    "  ON upload_queue(domain_key, priority DESC, created_at);",
    "CREATE INDEX IF NOT EXISTS idx_upload_queue_session\n"
    "  ON upload_queue(domain_key, session_id);",
};

const QString globalDomainKey = QStringLiteral("global");

// The file holds something, but not a database SQLite can read.
bool meansDamagedFile(int resultCode)
{
    const int primary = resultCode & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

} // namespace

SQLiteStore::SQLiteStore(const QString &databasePath, DomainKeyProvider domainKeyProvider,
                         const Clock &clock)
    : m_databasePath(databasePath)
    , m_domainKeyProvider(std::move(domainKeyProvider))
    , m_clock(clock)
{
    const QMutexLocker locker(&m_mutex);
    // A failure shows in the open that follows.
    QDir().mkpath(QFileInfo(m_databasePath).absolutePath());
    openIfNeeded();
    if (migrateIfNeeded() == SchemaOutcome::DamagedFile && moveDamagedFileAside()) {
        openIfNeeded();
        if (migrateIfNeeded() == SchemaOutcome::DamagedFile)
            zuvFault(lcSession) << "SQLiteStore: the new database file is not usable either";
    }
}

SQLiteStore::~SQLiteStore() = default;

QString SQLiteStore::defaultDatabasePath()
{
    return AppPaths::filePath(QString::fromLatin1(databaseFileName));
}

bool SQLiteStore::isOpen() const
{
    const QMutexLocker locker(&m_mutex);
    return m_connection.isOpen();
}

void SQLiteStore::openIfNeeded()
{
    if (m_connection.isOpen())
        return;
    int resultCode = SQLITE_OK;
    m_connection = SqliteConnection::open(m_databasePath, &resultCode);
    if (!m_connection.isOpen()) {
        zuvError(lcSession).noquote()
            << QStringLiteral("SQLiteStore: failed to open DB rc=%1").arg(resultCode);
        return;
    }
    m_connection.execute("PRAGMA journal_mode=WAL;");
    m_connection.execute("PRAGMA foreign_keys=ON;");
}

SQLiteStore::SchemaOutcome SQLiteStore::migrateIfNeeded()
{
    bool damaged = false;
    for (const char *statement : createTableStatements) {
        int resultCode = SQLITE_OK;
        if (!execute(statement, &resultCode) && meansDamagedFile(resultCode))
            damaged = true;
    }
    // A store that could not open stays inert; there is nothing to migrate.
    if (!m_connection.isOpen())
        return SchemaOutcome::Ready;
    if (damaged)
        return SchemaOutcome::DamagedFile;

    for (const ColumnMigration &migration : columnMigrations) {
        if (!tableHasColumn(migration.table, migration.column))
            m_connection.execute(migration.statement);
    }
    for (const char *statement : createIndexStatements)
        m_connection.execute(statement);
    return SchemaOutcome::Ready;
}

bool SQLiteStore::execute(const char *sql, int *resultCode)
{
    if (!m_connection.isOpen())
        return false;
    QString message;
    const int rc = m_connection.execute(sql, &message);
    if (resultCode)
        *resultCode = rc;
    if (rc == SQLITE_OK)
        return true;
    if (!message.isEmpty())
        zuvError(lcSession).noquote() << QStringLiteral("SQLite error: ") + message;
    return false;
}

bool SQLiteStore::tableHasColumn(const char *table, const char *column)
{
    const QByteArray sql = QByteArray("PRAGMA table_info(") + table + ");";
    SqliteStatement statement(m_connection, sql.constData());
    // Unknown is taken as present, so no column is added on a guess.
    if (!statement.isValid())
        return true;
    const QString wanted = QString::fromLatin1(column);
    while (statement.nextRow()) {
        if (!statement.columnIsNull(1) && statement.columnText(1) == wanted)
            return true;
    }
    return false;
}

// The damaged file may still hold the user's last sessions, so it is kept for inspection or
// repair, together with its journal files, which belong to it.
bool SQLiteStore::moveDamagedFileAside()
{
    m_connection.closeLeavingFilesUntouched();
    const QString stamp = m_clock.now().toDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString asidePath = m_databasePath + QStringLiteral(".damaged-") + stamp;
    for (int attempt = 2; QFileInfo::exists(asidePath); ++attempt)
        asidePath = m_databasePath + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(attempt);

    if (!QFile::rename(m_databasePath, asidePath)) {
        zuvFault(lcSession).noquote()
            << QStringLiteral("SQLiteStore: the database file %1 is damaged and could not be "
                              "moved aside; nothing will be stored in this run")
                   .arg(m_databasePath);
        return false;
    }
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(m_databasePath + suffix))
            QFile::rename(m_databasePath + suffix, asidePath + suffix);
    }
    zuvFault(lcSession).noquote()
        << QStringLiteral("SQLiteStore: the database file is damaged; moved it to %1 and "
                          "started a new database")
               .arg(asidePath);
    return true;
}

QString SQLiteStore::domainKey() const
{
    const QString key = m_domainKeyProvider ? m_domainKeyProvider() : QString();
    return key.isEmpty() ? globalDomainKey : key;
}

QString SQLiteStore::domainKeyOr(const std::optional<QString> &explicitKey) const
{
    return explicitKey ? *explicitKey : domainKey();
}

bool SQLiteStore::finishWrite(SqliteStatement &statement, const char *operation)
{
    if (!statement.isValid()) {
        zuvError(lcSession).noquote() << QStringLiteral("SQLiteStore: %1 failed: rc=%2 %3")
                                             .arg(QLatin1String(operation))
                                             .arg(statement.prepareResult())
                                             .arg(m_connection.lastErrorMessage());
        return false;
    }
    const int resultCode = statement.step();
    if (resultCode == SQLITE_DONE)
        return true;
    zuvError(lcSession).noquote() << QStringLiteral("SQLiteStore: %1 failed: rc=%2 %3")
                                         .arg(QLatin1String(operation))
                                         .arg(resultCode)
                                         .arg(statement.bindingFailed()
                                                  ? QStringLiteral("value too large to store")
                                                  : m_connection.lastErrorMessage());
    return false;
}
