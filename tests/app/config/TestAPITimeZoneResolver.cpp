#include "app/config/APITimeZoneResolver.h"

#include "foundation/SettingsStore.h"

#include <QTest>

namespace {

RemoteConfig configWithZone(std::optional<QString> zone)
{
    RemoteConfig config;
    config.deviceId = QStringLiteral("D-1");
    config.screenshotIntervalMinutes = 5;
    config.idleMinutesThreshold = 5;
    config.appTimezone = std::move(zone);
    return config;
}

const QString storageKey = QString::fromLatin1(APITimeZoneResolver::storageKey);

} // namespace

class TestAPITimeZoneResolver : public QObject
{
    Q_OBJECT

private:
    QString systemId() const { return QString::fromUtf8(QTimeZone::systemTimeZoneId()); }

private Q_SLOTS:
    void initTestCase()
    {
        // The fall-back must be told apart from the zones the cases name.
        QVERIFY(QTimeZone::systemTimeZone() != QTimeZone("Asia/Jakarta"));
    }

    void identifierForAPI_data()
    {
        QTest::addColumn<std::optional<QString>>("appTimezone");
        QTest::addColumn<QString>("expected"); // empty: the system's zone

        QTest::newRow("known zone") << std::optional<QString>("Asia/Jakarta") << "Asia/Jakarta";
        QTest::newRow("white space and line break trimmed")
            << std::optional<QString>(" Asia/Jakarta\n") << "Asia/Jakarta";
        QTest::newRow("unknown zone") << std::optional<QString>("Mars/Base") << QString();
        QTest::newRow("empty") << std::optional<QString>("") << QString();
        QTest::newRow("blank") << std::optional<QString>(" \t\n") << QString();
        QTest::newRow("absent") << std::optional<QString>() << QString();
    }

    void identifierForAPI()
    {
        QFETCH(std::optional<QString>, appTimezone);
        QFETCH(QString, expected);
        const QString result =
            APITimeZoneResolver::timezoneIdentifierForAPI(configWithZone(appTimezone));
        QCOMPARE(result, expected.isEmpty() ? systemId() : expected);
    }

    void identifierForAPIWithoutConfiguration()
    {
        QCOMPARE(APITimeZoneResolver::timezoneIdentifierForAPI(std::nullopt), systemId());
    }

    // Texts the zone database would follow out of its folder, or that no zone could carry.
    void hostileIdentifiersFallBack_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<bool>("databaseWouldAccept");

        QTest::newRow("climbs to localtime") << "../../../etc/localtime" << true;
        QTest::newRow("climbs inside the database") << "Europe/../Asia/Jakarta" << true;
        QTest::newRow("trailing climb") << "Asia/Jakarta/.." << false;
        QTest::newRow("absolute path") << "/usr/share/zoneinfo/Asia/Jakarta" << false;
        QTest::newRow("control character") << QStringLiteral("Asia/Jakarta\u0001") << false;
        QTest::newRow("embedded nul") << QStringLiteral("Asia/Jak") + QChar(0) + "arta" << false;
        QTest::newRow("overlong") << QString(200, QLatin1Char('A')) << false;
    }

    void hostileIdentifiersFallBack()
    {
        QFETCH(QString, identifier);
        QFETCH(bool, databaseWouldAccept);
        if (databaseWouldAccept) {
            // Shows the case is real here: without the guard the lookup would find a zone.
            QVERIFY(QTimeZone(identifier.toUtf8()).isValid());
        }

        QVERIFY(!APITimeZoneResolver::isAcceptableIdentifier(identifier));
        QCOMPARE(APITimeZoneResolver::timezoneIdentifierForAPI(configWithZone(identifier)),
                 systemId());
        QCOMPARE(APITimeZoneResolver::resolvedTimeZone(identifier), QTimeZone::systemTimeZone());
    }

    void ordinaryIdentifiersAreAcceptable_data()
    {
        QTest::addColumn<QString>("identifier");
        QTest::newRow("two parts") << "Asia/Jakarta";
        QTest::newRow("three parts") << "America/Argentina/Buenos_Aires";
        QTest::newRow("offset style") << "Etc/GMT+7";
        QTest::newRow("single part") << "UTC";
    }

    void ordinaryIdentifiersAreAcceptable()
    {
        QFETCH(QString, identifier);
        QVERIFY(APITimeZoneResolver::isAcceptableIdentifier(identifier));
        QCOMPARE(APITimeZoneResolver::resolvedTimeZone(identifier).id(), identifier.toUtf8());
    }

    void resolvedTimeZone_data()
    {
        QTest::addColumn<std::optional<QString>>("identifier");
        QTest::addColumn<QByteArray>("expected"); // empty: the system's zone

        QTest::newRow("known, padded")
            << std::optional<QString>("  Asia/Jakarta \n") << QByteArray("Asia/Jakarta");
        QTest::newRow("unknown") << std::optional<QString>("Mars/Base") << QByteArray();
        QTest::newRow("empty") << std::optional<QString>("") << QByteArray();
        QTest::newRow("none") << std::optional<QString>() << QByteArray();
    }

    void resolvedTimeZone()
    {
        QFETCH(std::optional<QString>, identifier);
        QFETCH(QByteArray, expected);
        const QTimeZone zone = APITimeZoneResolver::resolvedTimeZone(identifier);
        QCOMPARE(zone, expected.isEmpty() ? QTimeZone::systemTimeZone() : QTimeZone(expected));
    }

    void storedIdentifier()
    {
        SettingsStore settings{QString()};
        QCOMPARE(APITimeZoneResolver::storedTimezoneIdentifier(settings), systemId());

        settings.setString(storageKey, QString());
        QCOMPARE(APITimeZoneResolver::storedTimezoneIdentifier(settings), systemId());

        // Returned as stored; only resolving it falls back.
        settings.setString(storageKey, QStringLiteral("Mars/Base"));
        QCOMPARE(APITimeZoneResolver::storedTimezoneIdentifier(settings),
                 QStringLiteral("Mars/Base"));
        QCOMPARE(APITimeZoneResolver::resolvedTimeZone(
                     APITimeZoneResolver::storedTimezoneIdentifier(settings)),
                 QTimeZone::systemTimeZone());
    }

    void bootstrapFromCachedConfig()
    {
        SettingsStore settings{QString()};
        settings.setString(storageKey, QStringLiteral("Europe/Lisbon"));

        // No usable cached configuration: the previous run's zone stays.
        APITimeZoneResolver::bootstrapFromCachedConfig(settings, std::nullopt);
        QCOMPARE(settings.string(storageKey), QStringLiteral("Europe/Lisbon"));

        APITimeZoneResolver::bootstrapFromCachedConfig(
            settings, configWithZone(QStringLiteral("Asia/Jakarta")));
        QCOMPARE(settings.string(storageKey), QStringLiteral("Asia/Jakarta"));

        // A cached configuration naming no zone stores the device's zone.
        APITimeZoneResolver::bootstrapFromCachedConfig(settings, configWithZone(std::nullopt));
        QCOMPARE(settings.string(storageKey), systemId());

        settings.setString(storageKey, QStringLiteral("Europe/Lisbon"));
        APITimeZoneResolver::bootstrapFromCachedConfig(
            settings, configWithZone(QStringLiteral("../../../etc/localtime")));
        QCOMPARE(settings.string(storageKey), systemId());
    }
};

QTEST_GUILESS_MAIN(TestAPITimeZoneResolver)
#include "TestAPITimeZoneResolver.moc"
