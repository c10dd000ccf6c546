#pragma once

#include <QString>

struct sqlite3;

// Owns one SQLite connection and closes it when it goes. The store holds at most one.
class SqliteConnection
{
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(SqliteConnection &&other) noexcept;
    SqliteConnection &operator=(SqliteConnection &&other) noexcept;
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    // Opens (creating when missing) the file read-write. On failure the connection stays closed
    // and resultCode holds SQLite's code.
    static SqliteConnection open(const QString &path, int *resultCode);

    bool isOpen() const { return m_handle != nullptr; }
    sqlite3 *handle() const { return m_handle; }
    void close();
    // Closes without folding the write-ahead log into the file or removing the journal files, so
    // a file that is being set aside keeps exactly what it had.
    void closeLeavingFilesUntouched();

    // Runs statement text that yields no rows. Answers SQLite's result code; errorMessage gets
    // SQLite's message on failure.
    int execute(const char *sql, QString *errorMessage = nullptr) const;

    int changes() const;
    QString lastErrorMessage() const;

private:
    explicit SqliteConnection(sqlite3 *handle)
        : m_handle(handle)
    {}

    sqlite3 *m_handle = nullptr;
};
