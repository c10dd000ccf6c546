#include "foundation/NotificationHub.h"
#include "foundation/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
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
    void fullDiskKeepsTheOldFileAndSaysSo();
    void fileCutShortKeepsItsWholeValues_data();
    void fileCutShortKeepsItsWholeValues();
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
    // The one member that stands whole before the cut is kept.
    QCOMPARE(store.keys(), QStringList{QStringLiteral("baseURL")});
    QCOMPARE(store.damageFound()->keptValues, 1);
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

void TestSettingsStore::fullDiskKeepsTheOldFileAndSaysSo()
{
    QTemporaryDir folder;
    const QString disk = folder.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=64k"), QStringLiteral("tmpfs"), disk}) != 0)
        QSKIP("a small tmpfs cannot be mounted here (it needs root)");
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {disk}); });

    const QString path = QDir(disk).filePath(QStringLiteral("preferences.json"));
    const QString address = QStringLiteral("https://acme.example/api/v1/");
    SettingsStore store(path);
    store.setString(QStringLiteral("baseURL"), address);
    QFile filler(QDir(disk).filePath(QStringLiteral("filler")));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    filler.close();

    QSignalSpy failures(&NotificationHub::instance(), &NotificationHub::preferencesCannotBeWritten);
    // Small writes: Qt's own save buffered them and reported success over an empty file.
    store.setInteger(QStringLiteral("mark"), 1'700'000'123);
    store.setString(QStringLiteral("mark2"), QStringLiteral("again"));
    QCOMPARE(failures.size(), 1); // once per failure streak
    QCOMPARE(SettingsStore(path).string(QStringLiteral("baseURL")), address);
    QVERIFY(!SettingsStore(path).contains(QStringLiteral("mark")));
    QCOMPARE(QDir(disk).entryList(QDir::Files),
             QStringList({QStringLiteral("filler"), QStringLiteral("preferences.json")}));

    // Space freed: the next change writes everything held in memory.
    QVERIFY(filler.remove());
    store.setString(QStringLiteral("after"), QStringLiteral("ok"));
    const SettingsStore reopened(path);
    QCOMPARE(reopened.string(QStringLiteral("mark2")), QStringLiteral("again"));
    QCOMPARE(reopened.string(QStringLiteral("baseURL")), address);
}

void TestSettingsStore::fileCutShortKeepsItsWholeValues_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QStringList>("kept");
    const QByteArray whole = "{\n    \"baseURL\": \"https://acme.example/api/v1/\",\n"
                             "    \"deviceId\": \"D-1\",\n    \"mark\": 1700000123,\n"
                             "    \"nested\": {\"a\": 1, \"b\": \"x,y\"},\n"
                             "    \"last\": true\n}\n";
    const QStringList all = {QStringLiteral("baseURL"), QStringLiteral("deviceId"),
                             QStringLiteral("last"), QStringLiteral("mark"),
                             QStringLiteral("nested")};
    QTest::newRow("cut in half") << whole.left(whole.size() / 2) << all.mid(0, 2);
    QTest::newRow("cut inside a number") << whole.left(whole.indexOf("0123")) << all.mid(0, 2);
    QTest::newRow("cut inside a nested value")
        << whole.left(whole.indexOf("x,y") + 2) << QStringList{all.at(0), all.at(1), all.at(3)};
    QTest::newRow("cut before the closing brace")
        << whole.left(whole.lastIndexOf('}'))
        << QStringList{all.at(0), all.at(1), all.at(3), all.at(4)};
    QTest::newRow("zeros") << QByteArray(300, '\0') << QStringList();
    QTest::newRow("empty") << QByteArray() << QStringList();
}

void TestSettingsStore::fileCutShortKeepsItsWholeValues()
{
    QFETCH(QByteArray, contents);
    QFETCH(QStringList, kept);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("preferences.json"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.close();

    {
        SettingsStore store(path);
        QCOMPARE(store.keys(), kept);
        QVERIFY(store.damageFound());
        QCOMPARE(store.damageFound()->keptValues, kept.size());
        QVERIFY(QFile::exists(store.damageFound()->asidePath));
    }
    // Kept on the disk at once, so a run that changes nothing loses nothing; told once only.
    const SettingsStore reopened(path);
    QCOMPARE(reopened.keys(), kept);
    QVERIFY(!reopened.damageFound());
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
