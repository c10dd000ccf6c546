#include "api/AuthDateParser.h"
#include "api/AuthTokens.h"
#include "support/FakeClock.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

// The stored form of the tokens and the reading of their expiry texts.
class TestAuthTokens : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void storedFormCountsFrom2001();
    void unreadableItem_data();
    void unreadableItem();
    void expiryParsing_data();
    void expiryParsing();
    void unparsableExpiryUsesDefault_data();
    void unparsableExpiryUsesDefault();

private:
    static AuthTokens sampleTokens();
};

AuthTokens TestAuthTokens::sampleTokens()
{
    AuthTokens tokens;
    tokens.accessToken = QStringLiteral("access-\"quoted\"-ü");
    tokens.refreshToken = QString(); // an empty text is a present value
    tokens.expiresAt = Timestamp::fromSecondsSince1970(1'738'317'600.25);
    tokens.refreshExpiresAt = Timestamp::fromSecondsSince1970(1'740'909'600.0);
    tokens.expiresAtRaw = QStringLiteral("2025-01-31T10:00:00Z");
    tokens.refreshExpiresAtRaw = QStringLiteral("tomorrow");
    return tokens;
}

void TestAuthTokens::roundTrip()
{
    const AuthTokens tokens = sampleTokens();
    const std::optional<AuthTokens> decoded = AuthTokens::fromJsonBytes(tokens.toJsonBytes());
    QVERIFY(decoded);
    QCOMPARE(*decoded, tokens);
}

void TestAuthTokens::storedFormCountsFrom2001()
{
    const QJsonObject stored = QJsonDocument::fromJson(sampleTokens().toJsonBytes()).object();
    QCOMPARE(stored.keys().size(), 6);
    QVERIFY(stored.value(QStringLiteral("expiresAt")).isDouble());
    QCOMPARE(stored.value(QStringLiteral("expiresAt")).toDouble(),
             1'738'317'600.25 - 978'307'200.0);
    QCOMPARE(stored.value(QStringLiteral("refreshExpiresAt")).toDouble(),
             1'740'909'600.0 - 978'307'200.0);

    // An item written elsewhere with whole numbers reads the same.
    const QByteArray foreign = R"({"accessToken":"a","refreshToken":"r","expiresAt":760010400,
        "refreshExpiresAt":762602400.5,"expiresAtRaw":"x","refreshExpiresAtRaw":"y","extra":1})";
    const std::optional<AuthTokens> read = AuthTokens::fromJsonBytes(foreign);
    QVERIFY(read);
    QCOMPARE(read->expiresAt.secondsSince1970(), 760010400.0 + 978307200.0);
    QCOMPARE(read->refreshExpiresAt.secondsSinceReferenceDate(), 762602400.5);
}

void TestAuthTokens::unreadableItem_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value"); // undefined: the key is removed

    const QStringList keys = {
        QStringLiteral("accessToken"),  QStringLiteral("refreshToken"),
        QStringLiteral("expiresAt"),    QStringLiteral("refreshExpiresAt"),
        QStringLiteral("expiresAtRaw"), QStringLiteral("refreshExpiresAtRaw")};
    for (const QString &key : keys) {
        QTest::newRow(qPrintable(key + QStringLiteral(" missing")))
            << key << QJsonValue(QJsonValue::Undefined);
        QTest::newRow(qPrintable(key + QStringLiteral(" null")))
            << key << QJsonValue(QJsonValue::Null);
    }
    QTest::newRow("expiresAt as text") << "expiresAt" << QJsonValue(QStringLiteral("760010400"));
    QTest::newRow("refreshExpiresAt as flag") << "refreshExpiresAt" << QJsonValue(true);
    QTest::newRow("accessToken as number") << "accessToken" << QJsonValue(12);
    QTest::newRow("refreshExpiresAtRaw as object")
        << "refreshExpiresAtRaw" << QJsonValue(QJsonObject());
}

void TestAuthTokens::unreadableItem()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QJsonObject stored = sampleTokens().toJson();
    if (value.isUndefined())
        stored.remove(key);
    else
        stored.insert(key, value);
    QVERIFY(!AuthTokens::fromJson(stored));
    QVERIFY(!AuthTokens::fromJsonBytes(QJsonDocument(stored).toJson()));
}

void TestAuthTokens::expiryParsing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("expected");

    const QDateTime tenUtc(QDate(2025, 1, 31), QTime(10, 0), QTimeZone::utc());
    QTest::newRow("Z") << "2025-01-31T10:00:00Z" << tenUtc;
    QTest::newRow("positive offset") << "2025-01-31T17:00:00+07:00" << tenUtc;
    QTest::newRow("negative offset") << "2025-01-31T04:30:00-05:30" << tenUtc;
    QTest::newRow("offset crossing the day") << "2025-02-01T00:00:00+14:00" << tenUtc;
    QTest::newRow("without zone is UTC") << "2025-01-31 10:00:00" << tenUtc;
    QTest::newRow("leap day") << "2024-02-29 23:59:59"
                              << QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59), QTimeZone::utc());
}

void TestAuthTokens::expiryParsing()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, expected);
    // The device's zone must not matter.
    qputenv("TZ", "Pacific/Chatham");
    const FakeClock clock;
    const Timestamp parsed = AuthDateParser::parse(text, 3600, clock);
    qunsetenv("TZ");
    QCOMPARE(parsed.toDateTime(), expected.toUTC());
}

void TestAuthTokens::unparsableExpiryUsesDefault_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("fractional seconds") << "2025-01-31T10:00:00.500Z";
    QTest::newRow("empty") << "";
    QTest::newRow("word") << "tomorrow";
    QTest::newRow("offset without colon") << "2025-01-31T10:00:00+0700";
    QTest::newRow("T form without zone") << "2025-01-31T10:00:00";
    QTest::newRow("no such day") << "2025-02-30 10:00:00";
    QTest::newRow("hour 24") << "2025-01-31T24:00:00Z";
    QTest::newRow("surrounding space") << " 2025-01-31 10:00:00";
    QTest::newRow("lower-case t") << "2025-01-31t10:00:00z";
    QTest::newRow("epoch number") << "1738317600";
}

void TestAuthTokens::unparsableExpiryUsesDefault()
{
    QFETCH(QString, text);
    const FakeClock clock;
    QCOMPARE(AuthDateParser::parse(text, AuthDateParser::accessTokenDefaultSeconds, clock),
             clock.now().addingSeconds(3600));
    QCOMPARE(AuthDateParser::parse(text, AuthDateParser::refreshTokenDefaultSeconds, clock),
             clock.now().addingSeconds(30 * 86400));
}

QTEST_GUILESS_MAIN(TestAuthTokens)
#include "TestAuthTokens.moc"
