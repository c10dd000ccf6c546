#include "api/auth/AuthService.h"
#include "api/auth/RefreshWireModels.h"

#include "support/FakeClock.h"

#include <QtTest>

namespace {

const char *const complete =
    R"({"access_token":"inner","refresh_token":"r2","token_type":"Bearer",
        "expires_at":"2025-01-31T10:00:00Z","refresh_expires_at":"2025-03-01 10:00:00"})";

} // namespace

// The refresh answer's shapes and the rules that turn sign-in and refresh answers into tokens.
class TestRefreshWireModels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesEitherPlace_data();
    void decodesEitherPlace();
    void rejects_data();
    void rejects();
    void refreshKeepsWhatTheAnswerLeavesOut();
    void signInTokensParseBothExpiryForms();
    void unreadableExpiriesFallBackToDefaults();
};

void TestRefreshWireModels::decodesEitherPlace_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("accessToken");

    const QByteArray inner(complete);
    QTest::newRow("data in data") << "{\"data\":{\"data\":" + inner + "}}"
                                  << "inner";
    QTest::newRow("directly under data") << "{\"data\":" + inner + "}"
                                         << "inner";
    QTest::newRow("incomplete inner, complete outer")
        << QByteArray(R"({"data":{"data":{"expires_at":"x"},"access_token":"outer",
                       "expires_at":"2025-01-31T10:00:00Z"}})")
        << "outer";
    QTest::newRow("minimal") << QByteArray(R"({"data":{"access_token":"m","expires_at":""}})")
                             << "m";
}

void TestRefreshWireModels::decodesEitherPlace()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, accessToken);
    const std::optional<RefreshResponse> response = RefreshResponse::fromJsonBytes(body);
    QVERIFY(response);
    QCOMPARE(response->data.accessToken, accessToken);
}

void TestRefreshWireModels::rejects_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("no data") << QByteArray(R"({"access_token":"a","expires_at":"e"})");
    QTest::newRow("data is array") << QByteArray(R"({"data":[]})");
    QTest::newRow("no expiry") << QByteArray(R"({"data":{"access_token":"a"}})");
    QTest::newRow("optional of wrong type")
        << QByteArray(R"({"data":{"access_token":"a","expires_at":"e","refresh_token":1}})");
    QTest::newRow("token type boolean")
        << QByteArray(R"({"data":{"access_token":"a","expires_at":"e","token_type":true}})");
    QTest::newRow("not json") << QByteArray("{\"data\":");
}

void TestRefreshWireModels::rejects()
{
    QFETCH(QByteArray, body);
    QVERIFY(!RefreshResponse::fromJsonBytes(body));
}

void TestRefreshWireModels::refreshKeepsWhatTheAnswerLeavesOut()
{
    const FakeClock clock;
    const auto minimal =
        RefreshResponse::fromJsonBytes(R"({"data":{"access_token":"new","expires_at":"bad"}})");
    QVERIFY(minimal);
    const AuthTokens kept = AuthService::makeTokens(minimal->data, QStringLiteral("old-refresh"),
                                                    QStringLiteral("2030-01-01 00:00:00"), clock);
    QCOMPARE(kept.accessToken, QStringLiteral("new"));
    QCOMPARE(kept.refreshToken, QStringLiteral("old-refresh"));
    QCOMPARE(kept.refreshExpiresAtRaw, QStringLiteral("2030-01-01 00:00:00"));
    QCOMPARE(kept.refreshExpiresAt.toDateTime(),
             QDateTime(QDate(2030, 1, 1), QTime(0, 0), QTimeZone::utc()));
    QCOMPARE(kept.expiresAt, clock.now().addingSeconds(3600));
    QCOMPARE(kept.expiresAtRaw, QStringLiteral("bad"));

    const auto emptyRefresh = RefreshResponse::fromJsonBytes(
        R"({"data":{"access_token":"n","expires_at":"e","refresh_token":""}})");
    QVERIFY(emptyRefresh);
    QCOMPARE(AuthService::makeTokens(emptyRefresh->data, QStringLiteral("old"), QString(), clock)
                 .refreshToken,
             QString());
}

void TestRefreshWireModels::signInTokensParseBothExpiryForms()
{
    const FakeClock clock;
    const TokenDataNested nested{QStringLiteral("a"), QStringLiteral("r"), QStringLiteral("Bearer"),
                                 QStringLiteral("2025-01-31T17:00:00+07:00"),
                                 QStringLiteral("2025-01-31 10:00:00")};
    const AuthTokens tokens = AuthService::makeTokens(nested, clock);
    QCOMPARE(tokens.expiresAt, tokens.refreshExpiresAt);
    QCOMPARE(tokens.expiresAtRaw, QStringLiteral("2025-01-31T17:00:00+07:00"));
    QCOMPARE(tokens.refreshToken, QStringLiteral("r"));
}

void TestRefreshWireModels::unreadableExpiriesFallBackToDefaults()
{
    const FakeClock clock;
    const TokenDataNested nested{QStringLiteral("a"), QStringLiteral("r"), QString(),
                                 QStringLiteral("2025-01-31T10:00:00.500Z"),
                                 QStringLiteral("tomorrow")};
    const AuthTokens tokens = AuthService::makeTokens(nested, clock);
    QCOMPARE(tokens.expiresAt, clock.now().addingSeconds(3600));
    QCOMPARE(tokens.refreshExpiresAt, clock.now().addingSeconds(2'592'000));
    QCOMPARE(tokens.refreshExpiresAtRaw, QStringLiteral("tomorrow"));
}

QTEST_GUILESS_MAIN(TestRefreshWireModels)
#include "TestRefreshWireModels.moc"
