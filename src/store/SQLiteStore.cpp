#include "store/SQLiteStore.h"

#include "foundation/AppPaths.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/NotificationHub.h"
#include "store/SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <vector>

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
    openCheckedDatabase();
}

void SQLiteStore::openCheckedDatabase()
{
    // SQLite takes an empty file for a new database, but this store writes its schema as soon
    // as it makes one: an empty file here lost its contents (a full disk, a copy cut short).
    const QFileInfo file(m_databasePath);
    if (file.isFile() && file.size() == 0) {
        zuvError(lcSession) << "SQLiteStore: the database file is empty";
        replaceDamagedDatabase();
        return;
    }
    openIfNeeded();
    if (migrateIfNeeded() == SchemaOutcome::DamagedFile || !passesQuickCheck())
        replaceDamagedDatabase();
}

bool SQLiteStore::passesQuickCheck()
{
    if (!m_connection.isOpen())
        return true;
    // Damage past the first pages shows only when a statement reads it; a quick check reads
    // every page once, cheap at the size this file keeps.
    SqliteStatement statement(m_connection, "PRAGMA quick_check(1);");
    if (!statement.isValid())
        return !meansDamagedFile(statement.prepareResult());
    if (!statement.nextRow())
        return false;
    const QString verdict = statement.columnText(0);
    if (verdict == QLatin1String("ok"))
        return true;
    zuvError(lcSession).noquote() << QStringLiteral("SQLiteStore: integrity check failed: ") +
                                         verdict;
    return false;
}

bool SQLiteStore::ensureUsable()
{
    if (m_connection.isOpen() && !m_damageSeen &&
        meansDamagedFile(sqlite3_errcode(m_connection.handle())))
        m_damageSeen = true;
    if (m_damageSeen) {
        m_damageSeen = false;
        replaceDamagedDatabase();
    }
    if (!m_connection.isOpen())
        return false;
    claimRowsOfUnknownEmployee();
    return true;
}

void SQLiteStore::replaceDamagedDatabase()
{
    const QString asidePath = moveDamagedFileAside();
    if (asidePath.isEmpty()) {
        noteWriteOutcome(false, SQLITE_CANTOPEN);
        return;
    }
    openIfNeeded();
    if (migrateIfNeeded() == SchemaOutcome::DamagedFile) {
        zuvFault(lcSession) << "SQLiteStore: the new database file is not usable either";
        return;
    }
    const QString kept = salvageRowsFrom(asidePath);
    // Reading the damaged copy leaves its errors on this connection; the new file is sound.
    m_connection.execute("SELECT 1;");
    m_damageSeen = false;
    // Receivers on other threads hear it queued, so nothing runs under the store's lock.
    Q_EMIT NotificationHub::instance().localDatabaseWasDamaged(kept, asidePath);
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
        noteWriteOutcome(false, resultCode);
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
QString SQLiteStore::moveDamagedFileAside()
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
        return QString();
    }
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(m_databasePath + suffix))
            QFile::rename(m_databasePath + suffix, asidePath + suffix);
    }
    zuvFault(lcSession).noquote()
        << QStringLiteral("SQLiteStore: the database file is damaged; moved it to %1 and "
                          "started a new database")
               .arg(asidePath);
    return asidePath;
}

QString SQLiteStore::salvageRowsFrom(const QString &asidePath)
{
    // Read from a copy: opening the kept file would fold its write-ahead log into it.
    QTemporaryDir scratch;
    const QString copy = scratch.filePath(QStringLiteral("damaged.sqlite"));
    if (!scratch.isValid() || !QFile::copy(asidePath, copy))
        return QString();
    if (QFileInfo::exists(asidePath + QStringLiteral("-wal")))
        QFile::copy(asidePath + QStringLiteral("-wal"), copy + QStringLiteral("-wal"));

    SqliteStatement attach(m_connection, "ATTACH DATABASE ? AS damaged;");
    if (attach.isValid())
        attach.bindText(1, copy);
    if (!attach.isValid() || attach.step() != SQLITE_DONE) {
        zuvError(lcSession) << "SQLiteStore: the damaged file cannot be read; nothing was kept";
        return QString();
    }
    struct Salvaged
    {
        const char *table;
        const char *label;
    };
    const Salvaged tables[] = {{"sessions", "running session(s)"},
                               {"session_history", "finished session(s)"},
                               {"activity_segments", "activity segment(s)"},
                               {"upload_queue", "queued upload(s)"}};
    QStringList kept;
    for (const Salvaged &salvaged : tables)
        kept.append(QStringLiteral("%1 %2")
                        .arg(salvageTable(salvaged.table))
                        .arg(QLatin1String(salvaged.label)));
    m_connection.execute("DETACH DATABASE damaged;");
    const QString summary = kept.join(QStringLiteral(", "));
    zuvError(lcSession).noquote() << QStringLiteral("SQLiteStore: kept from the damaged file: ") +
                                         summary;
    return summary;
}

int SQLiteStore::salvageTable(const char *table)
{
    // The columns both layouts share: an older file may lack the ones added since.
    QStringList columns;
    {
        const QByteArray info = QByteArray("PRAGMA damaged.table_info(") + table + ");";
        SqliteStatement statement(m_connection, info.constData());
        while (statement.isValid() && statement.nextRow()) {
            const QString column = statement.columnText(1);
            if (tableHasColumn(table, column.toLatin1().constData()))
                columns.append(column);
        }
    }
    if (columns.isEmpty())
        return 0;
    const QByteArray list = columns.join(QLatin1Char(',')).toLatin1();
    QByteArray placeholders = "?";
    placeholders += QByteArray(",?").repeated(columns.size() - 1);
    const QByteArray insertSql = QByteArray("INSERT OR IGNORE INTO main.") + table + " (" + list +
                                 ") VALUES (" + placeholders + ");";

    // A damaged page ends a scan; scanning from both ends also reaches the rows behind it.
    // Read first, write after: a damaged page met inside a write transaction rolls it back.
    std::vector<std::vector<SqliteValue>> readable;
    for (const char *order : {"ASC", "DESC"}) {
        const QByteArray selectSql =
            "SELECT " + list + " FROM damaged." + table + " ORDER BY rowid " + order + ";";
        SqliteStatement rows(m_connection, selectSql.constData());
        while (rows.isValid() && rows.nextRow()) {
            std::vector<SqliteValue> values;
            for (int column = 0; column < columns.size(); ++column)
                values.push_back(rows.columnValue(column));
            readable.push_back(std::move(values));
        }
    }

    // One transaction: a row at a time, each committed on its own, would take minutes.
    m_connection.execute("BEGIN IMMEDIATE;");
    SqliteStatement insert(m_connection, insertSql.constData());
    int kept = 0;
    for (const std::vector<SqliteValue> &values : readable) {
        if (!insert.isValid())
            break;
        for (size_t column = 0; column < values.size(); ++column)
            insert.bindValue(static_cast<int>(column) + 1, values[column]);
        if (insert.step() == SQLITE_DONE)
            kept += m_connection.changes();
        insert.reset();
    }
    m_connection.execute("COMMIT;");
    return kept;
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

void SQLiteStore::noteWriteOutcome(bool succeeded, int resultCode)
{
    if (meansDamagedFile(resultCode))
        m_damageSeen = true;
    if (succeeded || m_writesFailing) {
        m_writesFailing = !succeeded && m_writesFailing;
        return;
    }
    m_writesFailing = true;
    Q_EMIT NotificationHub::instance().localDatabaseCannotBeWritten();
}

bool SQLiteStore::finishWrite(SqliteStatement &statement, const char *operation)
{
    if (!statement.isValid()) {
        noteWriteOutcome(false, statement.prepareResult());
        zuvError(lcSession).noquote() << QStringLiteral("SQLiteStore: %1 failed: rc=%2 %3")
                                             .arg(QLatin1String(operation))
                                             .arg(statement.prepareResult())
                                             .arg(m_connection.lastErrorMessage());
        return false;
    }
    const int resultCode = statement.step();
    noteWriteOutcome(resultCode == SQLITE_DONE, resultCode);
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
