#include "store/SqliteConnection.h"

#include <sqlite3.h>

#include <utility>

SqliteConnection::~SqliteConnection()
{
    close();
}

SqliteConnection::SqliteConnection(SqliteConnection &&other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr))
{}

SqliteConnection &SqliteConnection::operator=(SqliteConnection &&other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

SqliteConnection SqliteConnection::open(const QString &path, int *resultCode)
{
    sqlite3 *handle = nullptr;
    const int rc = sqlite3_open(path.toUtf8().constData(), &handle);
    if (resultCode)
        *resultCode = rc;
    if (rc != SQLITE_OK) {
        // SQLite hands out a handle even when the open fails; it still has to be released.
        sqlite3_close(handle);
        return SqliteConnection();
    }
    return SqliteConnection(handle);
}

void SqliteConnection::close()
{
    if (m_handle) {
        sqlite3_close(m_handle);
        m_handle = nullptr;
    }
}

void SqliteConnection::closeLeavingFilesUntouched()
{
    if (m_handle)
        sqlite3_db_config(m_handle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1,
                          static_cast<int *>(nullptr));
    close();
}

int SqliteConnection::execute(const char *sql, QString *errorMessage) const
{
    if (!m_handle)
        return SQLITE_MISUSE;
    char *message = nullptr;
    const int rc = sqlite3_exec(m_handle, sql, nullptr, nullptr, &message);
    if (message) {
        if (errorMessage)
            *errorMessage = QString::fromUtf8(message);
        sqlite3_free(message);
    }
    return rc;
}

int SqliteConnection::changes() const
{
    return m_handle ? sqlite3_changes(m_handle) : 0;
}

QString SqliteConnection::lastErrorMessage() const
{
    return m_handle ? QString::fromUtf8(sqlite3_errmsg(m_handle)) : QString();
}
