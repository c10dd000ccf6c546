#include "app/config/RemoteConfig.h"
#include "app/config/RemoteConfigLimits.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

QJsonObject requiredOnly()
{
    return QJsonObject{
        {"device_id", "D-1"},
        {"projects", QJsonArray{QJsonObject{{"project_id", "p1"}, {"project_name", "Payroll"}}}},
        {"screenshot_interval_minutes", 10},
        {"idle_minutes_threshold", 3},
        {"discard_idle_time", true},
    };
}

QJsonObject complete()
{
    QJsonObject object = requiredOnly();
    object.insert("upload_batch_size", 25);
    object.insert("idle_action", "pause");
    object.insert("name", "Dewi");
    object.insert("company_name", "Kopi Nusantara");
    object.insert("latest_client_version", "1.4.2");
    object.insert("client_download_url", "https://example.test/download");
    object.insert("app_timezone", "Asia/Jakarta");
    object.insert("today_total_seconds", 5400);
    object.insert("today_date", "2026-12-09");
    return object;
}

} // namespace

class TestRemoteConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesRequiredKeysOnlyAndWritesThemBack()
    {
        const auto config = RemoteConfig::fromJson(requiredOnly());
        QVERIFY(config);
        QCOMPARE(config->deviceId, QStringLiteral("D-1"));
        QCOMPARE(config->projects, (QList<RemoteProject>{{"p1", "Payroll"}}));
        QCOMPARE(config->screenshotIntervalMinutes, 10);
        QCOMPARE(config->idleMinutesThreshold, 3);
        QVERIFY(config->discardIdleTime);
        QVERIFY(!config->uploadBatchSize && !config->idleAction && !config->name &&
                !config->companyName && !config->latestClientVersion &&
                !config->clientDownloadURL && !config->appTimezone && !config->todayTotalSeconds &&
                !config->todayDate);

        const QJsonObject encoded = config->toJson();
        QCOMPARE(encoded.keys(), requiredOnly().keys());
    }

    void decodesEveryOptionalField()
    {
        const auto config = RemoteConfig::fromJson(complete());
        QVERIFY(config);
        QCOMPARE(config->uploadBatchSize, 25);
        QCOMPARE(config->idleAction, QStringLiteral("pause"));
        QCOMPARE(config->name, QStringLiteral("Dewi"));
        QCOMPARE(config->companyName, QStringLiteral("Kopi Nusantara"));
        QCOMPARE(config->latestClientVersion, QStringLiteral("1.4.2"));
        QCOMPARE(config->clientDownloadURL, QStringLiteral("https://example.test/download"));
        QCOMPARE(config->appTimezone, QStringLiteral("Asia/Jakarta"));
        QCOMPARE(config->todayTotalSeconds, 5400);
        QCOMPARE(config->todayDate, QStringLiteral("2026-12-09"));
    }

    void roundTripsThroughItsOwnText()
    {
        const auto config = RemoteConfig::fromJson(complete());
        QVERIFY(config);
        const auto again = RemoteConfig::fromJson(config->toJsonBytes());
        QVERIFY(again);
        QCOMPARE(*again, *config);
    }

    void unknownKeysAreIgnoredAndNotWrittenBack()
    {
        QJsonObject object = requiredOnly();
        object.insert("feature_flags", QJsonArray{1, 2});
        const auto config = RemoteConfig::fromJson(object);
        QVERIFY(config);
        QVERIFY(!config->toJson().contains("feature_flags"));
    }

    void nullOptionalKeysAreAbsent_data()
    {
        QTest::addColumn<QString>("key");
        for (const char *key :
             {"upload_batch_size", "idle_action", "name", "company_name", "latest_client_version",
              "client_download_url", "app_timezone", "today_total_seconds", "today_date"})
            QTest::newRow(key) << QString::fromLatin1(key);
    }

    void nullOptionalKeysAreAbsent()
    {
        QFETCH(QString, key);
        QJsonObject object = complete();
        object.insert(key, QJsonValue::Null);
        const auto config = RemoteConfig::fromJson(object);
        QVERIFY(config);
        QVERIFY(!config->toJson().contains(key));
    }

    void emptyProjectListIsValid()
    {
        QJsonObject object = requiredOnly();
        object.insert("projects", QJsonArray());
        const auto config = RemoteConfig::fromJson(object);
        QVERIFY(config);
        QVERIFY(config->projects.isEmpty());
    }

    void malformedObjectsFailWhole_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<bool>("removeKey");

        QTest::newRow("device id missing") << "device_id" << QJsonValue() << true;
        QTest::newRow("projects missing") << "projects" << QJsonValue() << true;
        QTest::newRow("interval missing") << "screenshot_interval_minutes" << QJsonValue() << true;
        QTest::newRow("threshold missing") << "idle_minutes_threshold" << QJsonValue() << true;
        QTest::newRow("discard missing") << "discard_idle_time" << QJsonValue() << true;
        QTest::newRow("required null") << "device_id" << QJsonValue(QJsonValue::Null) << false;
        QTest::newRow("interval as digit text")
            << "screenshot_interval_minutes" << QJsonValue("10") << false;
        QTest::newRow("interval fractional")
            << "screenshot_interval_minutes" << QJsonValue(2.5) << false;
        QTest::newRow("discard as number") << "discard_idle_time" << QJsonValue(1) << false;
        QTest::newRow("projects as object") << "projects" << QJsonValue(QJsonObject()) << false;
        QTest::newRow("project id as number")
            << "projects"
            << QJsonValue(QJsonArray{QJsonObject{{"project_id", 7}, {"project_name", "A"}}})
            << false;
        QTest::newRow("one bad project among good ones")
            << "projects"
            << QJsonValue(QJsonArray{QJsonObject{{"project_id", "a"}, {"project_name", "A"}},
                                     QJsonObject{{"project_id", "b"}}})
            << false;
        QTest::newRow("project not an object")
            << "projects" << QJsonValue(QJsonArray{"a"}) << false;
        QTest::newRow("optional text mistyped") << "app_timezone" << QJsonValue(7) << false;
        QTest::newRow("optional integer as text")
            << "upload_batch_size" << QJsonValue("5") << false;
        QTest::newRow("optional total fractional")
            << "today_total_seconds" << QJsonValue(12.25) << false;
    }

    void malformedObjectsFailWhole()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(bool, removeKey);
        QJsonObject object = complete();
        if (removeKey)
            object.remove(key);
        else
            object.insert(key, value);
        QVERIFY(!RemoteConfig::fromJson(object));
    }

    void nonObjectTextFails_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("not json") << QByteArray("{\"device_id\":");
        QTest::newRow("empty") << QByteArray();
    }

    void nonObjectTextFails()
    {
        QFETCH(QByteArray, text);
        QVERIFY(!RemoteConfig::fromJson(text));
    }

    void numbersOutOfRangeAreTakenAsMissing_data()
    {
        QTest::addColumn<qint64>("idleMinutes");
        QTest::addColumn<qint64>("intervalMinutes");
        QTest::addColumn<std::optional<qint64>>("todayTotal");
        QTest::addColumn<qint64>("expectedIdle");
        QTest::addColumn<qint64>("expectedInterval");
        QTest::addColumn<std::optional<qint64>>("expectedTotal");
        QTest::addColumn<int>("refused");
        using Total = std::optional<qint64>;
        QTest::newRow("all sound") << 1LL << 1LL << Total(0) << 1LL << 1LL << Total(0) << 0;
        QTest::newRow("idle zero") << 0LL << 10LL << Total() << 5LL << 10LL << Total() << 1;
        QTest::newRow("idle negative") << -1LL << 10LL << Total() << 5LL << 10LL << Total() << 1;
        QTest::newRow("interval zero") << 3LL << 0LL << Total() << 3LL << 1LL << Total() << 1;
        QTest::newRow("total negative") << 3LL << 10LL << Total(-1) << 3LL << 10LL << Total() << 1;
        QTest::newRow("total of a long day")
            << 3LL << 10LL << Total(90000) << 3LL << 10LL << Total(90000) << 0;
        QTest::newRow("total past any day")
            << 3LL << 10LL << Total(90001) << 3LL << 10LL << Total() << 1;
    }

    void numbersOutOfRangeAreTakenAsMissing()
    {
        QFETCH(qint64, idleMinutes);
        QFETCH(qint64, intervalMinutes);
        QFETCH(std::optional<qint64>, todayTotal);
        RemoteConfig config = *RemoteConfig::fromJson(requiredOnly());
        config.idleMinutesThreshold = idleMinutes;
        config.screenshotIntervalMinutes = intervalMinutes;
        config.todayTotalSeconds = todayTotal;

        const RemoteConfigLimits::Checked checked = RemoteConfigLimits::check(config);
        QTEST(checked.config.idleMinutesThreshold, "expectedIdle");
        QTEST(checked.config.screenshotIntervalMinutes, "expectedInterval");
        QTEST(checked.config.todayTotalSeconds, "expectedTotal");
        QTEST(int(checked.refusedKeys.size()), "refused");
    }
};

QTEST_GUILESS_MAIN(TestRemoteConfig)
#include "TestRemoteConfig.moc"
