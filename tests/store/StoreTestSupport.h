#pragma once

#include "foundation/UuidText.h"
#include "store/SQLiteStore.h"
#include "store/SqliteConnection.h"
#include "store/SqliteStatement.h"
#include "support/FakeClock.h"

#include <QMutex>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A store on a real file in a temporary folder, with a clock and a company address the test
// moves by hand.
class StoreFixture
{
public:
    StoreFixture() { reopen(); }

    QString path() const { return m_dir.filePath(QStringLiteral("zuvevivezid.sqlite")); }
    QString folder() const { return m_dir.path(); }

    void setDomain(const QString &domain)
    {
        const QMutexLocker locker(&m_domainMutex);
        m_domain = domain;
    }
    QString domain() const
    {
        const QMutexLocker locker(&m_domainMutex);
        return m_domain;
    }

    // A new store on the same file, as after a restart.
    void reopen()
    {
        store.reset();
        store = std::make_unique<SQLiteStore>(
            path(), [this] { return domain(); }, clock);
    }

    FakeClock clock;
    std::unique_ptr<SQLiteStore> store;

private:
    QTemporaryDir m_dir;
    mutable QMutex m_domainMutex;
    QString m_domain = QStringLiteral("global");
};

// Direct access to a database file, for arranging rows the store would never write and for
// checking what it did write.
class RawDatabase
{
public:
    explicit RawDatabase(const QString &path)
    {
        m_connection = SqliteConnection::open(path, &m_rc);
    }

    bool isOpen() const { return m_connection.isOpen(); }
    const SqliteConnection &connection() const { return m_connection; }

    bool execute(const QByteArray &sql) const { return m_connection.execute(sql.constData()) == 0; }

    // Every row of a query as texts, columns joined by "|"; NULL as "NULL".
    QStringList rows(const QByteArray &sql) const
    {
        SqliteStatement statement(m_connection, sql.constData());
        QStringList result;
        if (!statement.isValid())
            return {QStringLiteral("<prepare failed>")};
        while (statement.nextRow()) {
            QStringList columns;
            for (int column = 0; column < statement.columnCount(); ++column)
                columns.append(statement.columnIsNull(column) ? QStringLiteral("NULL")
                                                              : statement.columnText(column));
            result.append(columns.join(QLatin1Char('|')));
        }
        return result;
    }

    QString value(const QByteArray &sql) const
    {
        const QStringList all = rows(sql);
        return all.isEmpty() ? QString() : all.first().section(QLatin1Char('|'), 0, 0);
    }

private:
    SqliteConnection m_connection;
    int m_rc = 0;
};
