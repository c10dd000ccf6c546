#include "foundation/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrent>
#include <QtTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void valuesKeepTheirTypesAcrossRuns();
    void getterOfAnotherTypeAnswersNothing();
    void removeForgetsTheKeyOnDisk();
    void damagedFileStartsFromDefaults();
    void nonFiniteNumberIsRefused();
    void concurrentWritersLoseNothing();
    void unwritableFolderKeepsValuesInMemory();
};

void TestSettingsStore::valuesKeepTheirTypesAcrossRuns()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("preferences.json"));
    {
        SettingsStore store(path);
        store.setString(QStringLiteral("text"), QStringLiteral("héllo"));
        store.setInteger(QStringLiteral("count"), 42);
        store.setReal(QStringLiteral("mark"), 1700000000.25);
        store.setBoolean(QStringLiteral("flag"), false);
    }
    SettingsStore reopened(path);
    QCOMPARE(reopened.string(QStringLiteral("text")), QStringLiteral("héllo"));
    QCOMPARE(reopened.integer(QStringLiteral("count")), qint64(42));
    QCOMPARE(reopened.real(QStringLiteral("mark")), 1700000000.25);
    QCOMPARE(reopened.boolean(QStringLiteral("flag")), false);
    QVERIFY(!reopened.contains(QStringLiteral("missing")));
}

void TestSettingsStore::getterOfAnotherTypeAnswersNothing()
{
    SettingsStore store{QString()};
    store.setString(QStringLiteral("key"), QStringLiteral("12"));
    store.setReal(QStringLiteral("fraction"), 2.5);
    QVERIFY(!store.integer(QStringLiteral("key")).has_value());
    QVERIFY(!store.boolean(QStringLiteral("key")).has_value());
    QVERIFY(!store.integer(QStringLiteral("fraction")).has_value());
    QCOMPARE(store.real(QStringLiteral("fraction")), 2.5);
}

void TestSettingsStore::removeForgetsTheKeyOnDisk()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("preferences.json"));
    {
        SettingsStore store(path);
        store.setString(QStringLiteral("a"), QStringLiteral("1"));
        store.setString(QStringLiteral("b"), QStringLiteral("2"));
        store.remove(QStringLiteral("a"));
    }
    SettingsStore reopened(path);
    QVERIFY(!reopened.contains(QStringLiteral("a")));
    QCOMPARE(reopened.string(QStringLiteral("b")), QStringLiteral("2"));
}

void TestSettingsStore::damagedFileStartsFromDefaults()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("preferences.json"));
    const QByteArray damaged("{\"baseURL\": \"https://acme.example/api/v1/\", \"truncated\": ");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(damaged);
    file.close();

    SettingsStore store(path);
    QVERIFY(store.keys().isEmpty());
    store.setString(QStringLiteral("after"), QStringLiteral("ok"));
    SettingsStore reopened(path);
    QCOMPARE(reopened.string(QStringLiteral("after")), QStringLiteral("ok"));

    // The damaged file was kept beside the new one, byte for byte, not overwritten.
    const QStringList aside =
        QDir(folder.path()).entryList({QStringLiteral("preferences.json.damaged-*")});
    QCOMPARE(aside.size(), 1);
    QFile kept(folder.filePath(aside.first()));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
}

void TestSettingsStore::nonFiniteNumberIsRefused()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("preferences.json"));
    SettingsStore store(path);
    store.setReal(QStringLiteral("good"), 1.0);
    store.setReal(QStringLiteral("bad"), std::numeric_limits<double>::infinity());
    QVERIFY(!store.contains(QStringLiteral("bad")));
    SettingsStore reopened(path);
    QCOMPARE(reopened.real(QStringLiteral("good")), 1.0);
}

void TestSettingsStore::concurrentWritersLoseNothing()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("preferences.json"));
    {
        SettingsStore store(path);
        QList<int> writers{0, 1, 2, 3};
        QtConcurrent::blockingMap(writers, [&store](int writer) {
            for (int i = 0; i < 50; ++i)
                store.setInteger(QStringLiteral("w%1.k%2").arg(writer).arg(i), i);
        });
    }
    SettingsStore reopened(path);
    QCOMPARE(reopened.keys().size(), 200);
    QCOMPARE(reopened.integer(QStringLiteral("w3.k49")), qint64(49));
}

void TestSettingsStore::unwritableFolderKeepsValuesInMemory()
{
    QTemporaryDir folder;
    // A folder where the file should be: every write fails.
    const QString path = folder.filePath(QStringLiteral("preferences.json"));
    QVERIFY(QDir().mkpath(path));
    SettingsStore store(path);
    store.setString(QStringLiteral("key"), QStringLiteral("value"));
    QCOMPARE(store.string(QStringLiteral("key")), QStringLiteral("value"));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
