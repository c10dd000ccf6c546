#include "store/SqliteStatement.h"

#include "store/SqliteConnection.h"

#include <sqlite3.h>

#include <limits>

SqliteStatement::SqliteStatement(const SqliteConnection &connection, const char *sql)
{
    if (!connection.isOpen()) {
        m_prepareResult = SQLITE_MISUSE;
        return;
    }
    m_prepareResult = sqlite3_prepare_v2(connection.handle(), sql, -1, &m_statement, nullptr);
    if (m_prepareResult != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::noteBinding(int resultCode)
{
    if (resultCode != SQLITE_OK)
        m_bindingFailed = true;
}

void SqliteStatement::bindText(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    noteBinding(sqlite3_bind_text64(m_statement, index, utf8.constData(),
                                    static_cast<sqlite3_uint64>(utf8.size()), SQLITE_TRANSIENT,
                                    SQLITE_UTF8));
}

void SqliteStatement::bindOptionalText(int index, const std::optional<QString> &text)
{
    if (text)
        bindText(index, *text);
    else
        noteBinding(sqlite3_bind_null(m_statement, index));
}

void SqliteStatement::bindBlob(int index, const QByteArray &bytes)
{
    if (bytes.size() >= std::numeric_limits<int>::max()) {
        m_bindingFailed = true;
        return;
    }
    // An empty QByteArray may have no data pointer, which SQLite would store as NULL.
    static const char emptyBlob = 0;
    const char *data = bytes.isEmpty() ? &emptyBlob : bytes.constData();
    noteBinding(sqlite3_bind_blob(m_statement, index, data, static_cast<int>(bytes.size()),
                                  SQLITE_TRANSIENT));
}

void SqliteStatement::bindOptionalBlob(int index, const std::optional<QByteArray> &bytes)
{
    if (bytes)
        bindBlob(index, *bytes);
    else
        noteBinding(sqlite3_bind_null(m_statement, index));
}

void SqliteStatement::bindInt(int index, int value)
{
    noteBinding(sqlite3_bind_int(m_statement, index, value));
}

void SqliteStatement::bindReal(int index, double value)
{
    noteBinding(sqlite3_bind_double(m_statement, index, value));
}

void SqliteValueDeleter::operator()(sqlite3_value *value) const
{
    sqlite3_value_free(value);
}

SqliteValue SqliteStatement::columnValue(int column) const
{
    return SqliteValue(m_statement ? sqlite3_value_dup(sqlite3_column_value(m_statement, column))
                                   : nullptr);
}

void SqliteStatement::bindValue(int index, const SqliteValue &value)
{
    if (m_statement && value)
        noteBinding(sqlite3_bind_value(m_statement, index, value.get()));
}

void SqliteStatement::reset()
{
    if (!m_statement)
        return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_bindingFailed = false;
}

int SqliteStatement::step()
{
    if (!m_statement)
        return SQLITE_MISUSE;
    if (m_bindingFailed)
        return SQLITE_TOOBIG;
    return sqlite3_step(m_statement);
}

bool SqliteStatement::nextRow()
{
    return step() == SQLITE_ROW;
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

bool SqliteStatement::columnIsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString SqliteStatement::columnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!text)
        return QString();
    return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column));
}

QByteArray SqliteStatement::columnBlob(int column) const
{
    const void *data = sqlite3_column_blob(m_statement, column);
    if (!data)
        return QByteArray();
    return QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(m_statement, column));
}

int SqliteStatement::columnInt(int column) const
{
    return sqlite3_column_int(m_statement, column);
}

double SqliteStatement::columnReal(int column) const
{
    return sqlite3_column_double(m_statement, column);
}
