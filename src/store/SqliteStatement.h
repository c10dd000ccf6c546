#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class SqliteConnection;
struct sqlite3_stmt;
struct sqlite3_value;

struct SqliteValueDeleter
{
    void operator()(sqlite3_value *value) const;
};
using SqliteValue = std::unique_ptr<sqlite3_value, SqliteValueDeleter>;

// One prepared statement, finalized when it goes. Parameters and columns count as SQLite counts
// them: parameters from 1, columns from 0. Texts and blobs are copied by SQLite at bind time.
class SqliteStatement
{
public:
    // Prepares the text up to its terminating zero. isValid() tells whether that worked.
    SqliteStatement(const SqliteConnection &connection, const char *sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool isValid() const { return m_statement != nullptr; }
    int prepareResult() const { return m_prepareResult; }

    void bindText(int index, const QString &text);
    void bindOptionalText(int index, const std::optional<QString> &text);
    // An absent blob binds NULL. A blob of 2 GiB or more cannot be bound: the statement is then
    // marked failed and step() refuses to run it.
    void bindOptionalBlob(int index, const std::optional<QByteArray> &bytes);
    void bindBlob(int index, const QByteArray &bytes);
    void bindInt(int index, int value);
    void bindReal(int index, double value);
    // A column's value of whatever type, kept beyond the row, and its binding.
    SqliteValue columnValue(int column) const;
    void bindValue(int index, const SqliteValue &value);
    bool bindingFailed() const { return m_bindingFailed; }

    // One step; answers SQLite's result code (SQLITE_ROW, SQLITE_DONE or an error).
    int step();
    // Steps and answers whether a row came.
    bool nextRow();
    // Makes the statement ready to run again, its parameters unbound.
    void reset();

    int columnCount() const;
    bool columnIsNull(int column) const;
    QString columnText(int column) const;
    QByteArray columnBlob(int column) const;
    int columnInt(int column) const;
    double columnReal(int column) const;

private:
    void noteBinding(int resultCode);

    sqlite3_stmt *m_statement = nullptr;
    int m_prepareResult = 0;
    bool m_bindingFailed = false;
};
