#include "foundation/SettingsStore.h"
#include "foundation/UuidText.h"
#include "store/DeviceIdProvider.h"

#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

class TestDeviceIdProvider : public QObject
{
    Q_OBJECT

private slots:
    void firstCallStoresAnIdThatSurvivesRestart();
    void storedTextIsReturnedUnchanged_data();
    void storedTextIsReturnedUnchanged();
    void concurrentFirstCallsAgreeOnOneId();
};

void TestDeviceIdProvider::firstCallStoresAnIdThatSurvivesRestart()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("preferences.json"));
    QString first;
    {
        SettingsStore settings(file);
        first = DeviceIdProvider(settings).current();
        QVERIFY(UuidText::parse(first));
        QCOMPARE(first, first.toUpper());
        QCOMPARE(settings.string(DeviceIdProvider::settingsKey), std::optional<QString>(first));
        QCOMPARE(DeviceIdProvider(settings).current(), first);
    }
    SettingsStore restarted(file);
    QCOMPARE(DeviceIdProvider(restarted).current(), first);
}

void TestDeviceIdProvider::storedTextIsReturnedUnchanged_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("not a UUID") << QStringLiteral("my-laptop");
    QTest::newRow("lower-case UUID") << QStringLiteral("0e5a6c1d-7b2f-4c3e-9a1b-2c3d4e5f6a7b");
    QTest::newRow("empty") << QString(u""_qs);
}

void TestDeviceIdProvider::storedTextIsReturnedUnchanged()
{
    QFETCH(QString, stored);
    SettingsStore settings{QString()};
    settings.setString(DeviceIdProvider::settingsKey, stored);
    QCOMPARE(DeviceIdProvider(settings).current(), stored);
}

void TestDeviceIdProvider::concurrentFirstCallsAgreeOnOneId()
{
    for (int round = 0; round < 20; ++round) {
        SettingsStore settings{QString()};
        QList<int> callers(32);
        // Separate providers over one settings store, as the engine and the upload side hold.
        const QList<QString> ids = QtConcurrent::blockingMapped(
            callers, [&settings](int) { return DeviceIdProvider(settings).current(); });
        const QSet<QString> distinct(ids.begin(), ids.end());
        QCOMPARE(distinct.size(), 1);
        QCOMPARE(settings.string(DeviceIdProvider::settingsKey),
                 std::optional<QString>(*distinct.begin()));
    }
}

QTEST_GUILESS_MAIN(TestDeviceIdProvider)
#include "TestDeviceIdProvider.moc"
