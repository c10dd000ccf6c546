#include "api/auth/SignInRequests.h"
#include "api/auth/SingleLoginResponse.h"

#include <QJsonDocument>
#include <QtTest>

namespace {

const char *const nestedTokens = R"({"access_token":"a","refresh_token":"r","token_type":"Bearer",
    "expires_at":"2025-01-31T10:00:00Z","refresh_expires_at":"2025-03-01 10:00:00"})";

QByteArray answer(const QByteArray &dataMembers)
{
    return "{\"data\":{" + dataMembers + "}}";
}

} // namespace

class TestSingleLoginResponse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rejectsMalformedAnswers_data();
    void rejectsMalformedAnswers();
    void acceptsLenientShapes_data();
    void acceptsLenientShapes();
    void readsEveryMember();
    void companiesKeepOrderAndIdentity();
    void loginBodiesHoldOtpFlagOnlyForCodes();
    void otherBodies();
};

void TestSingleLoginResponse::rejectsMalformedAnswers_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("not json") << QByteArray("<html>");
    QTest::newRow("top level array") << QByteArray("[]");
    QTest::newRow("no data") << QByteArray("{}");
    QTest::newRow("null data") << QByteArray(R"({"data":null})");
    QTest::newRow("data is text") << QByteArray(R"({"data":"x"})");
    QTest::newRow("otp flag boolean") << answer(R"("otp_required":true)");
    QTest::newRow("otp flag text") << answer(R"("otp_required":"1")");
    QTest::newRow("otp flag fraction") << answer(R"("otp_required":1.5)");
    QTest::newRow("user without email") << answer(R"("user":{"name":"Ann"})");
    QTest::newRow("user email null") << answer(R"("user":{"email":null})");
    QTest::newRow("user name number") << answer(R"("user":{"email":"a@b.c","name":7})");
    QTest::newRow("company without endpoint") << answer(R"("companies":[{"name":"A"}])");
    QTest::newRow("companies not array") << answer(R"("companies":{"name":"A","endpoint":"a"})");
    QTest::newRow("one bad company")
        << answer(R"("companies":[{"name":"A","endpoint":"a"},{"name":1,"endpoint":"b"}])");
    QTest::newRow("init without endpoint") << answer(R"("init":{})");
    QTest::newRow("flat token number") << answer(R"("access_token":5)");
    QTest::newRow("nested lacks token_type")
        << answer(R"("data":{"access_token":"a","refresh_token":"r","expires_at":"e",
                  "refresh_expires_at":"f"},"access_token":"a","refresh_token":"r",
                  "expires_at":"e","refresh_expires_at":"f")");
    QTest::newRow("nested expiry number")
        << answer(R"("data":{"access_token":"a","refresh_token":"r","token_type":"t",
                  "expires_at":3600,"refresh_expires_at":"f"})");
}

void TestSingleLoginResponse::rejectsMalformedAnswers()
{
    QFETCH(QByteArray, body);
    QVERIFY(!SingleLoginResponse::fromJsonBytes(body).has_value());
}

void TestSingleLoginResponse::acceptsLenientShapes_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("empty data") << answer("");
    QTest::newRow("null optionals")
        << answer(R"("otp_required":null,"user":null,"init":null,"companies":null,"data":null,
                  "access_token":null)");
    QTest::newRow("unknown keys") << QByteArray(R"({"data":{"x":[1,{}]},"meta":true})");
    QTest::newRow("otp flag whole double") << answer(R"("otp_required":1.0)");
    QTest::newRow("user without name") << answer(R"("user":{"email":"a@b.c"})");
    QTest::newRow("empty texts") << answer(R"("access_token":"","user":{"email":""})");
}

void TestSingleLoginResponse::acceptsLenientShapes()
{
    QFETCH(QByteArray, body);
    QVERIFY(SingleLoginResponse::fromJsonBytes(body).has_value());
}

void TestSingleLoginResponse::readsEveryMember()
{
    const auto response = SingleLoginResponse::fromJsonBytes(answer(
        R"("otp_required":0,"user":{"email":"ann@example.com"},"init":{"endpoint":"acme.example"},
           "access_token":"fa","refresh_token":"fr","expires_at":"fe","refresh_expires_at":"ff",
           "data":)" +
        QByteArray(nestedTokens)));
    QVERIFY(response);
    const SingleLoginData &data = response->data;
    QCOMPARE(data.otpRequired, std::optional<qint64>(0));
    QCOMPARE(data.user->email, QStringLiteral("ann@example.com"));
    QVERIFY(!data.user->name.has_value());
    QCOMPARE(data.initPayload->endpoint, QStringLiteral("acme.example"));
    QVERIFY(!data.companies.has_value());
    QCOMPARE(data.nestedData->accessToken, QStringLiteral("a"));
    QCOMPARE(data.nestedData->tokenType, QStringLiteral("Bearer"));
    QCOMPARE(data.nestedData->refreshExpiresAt, QStringLiteral("2025-03-01 10:00:00"));
    QCOMPARE(data.accessToken, std::optional<QString>(QStringLiteral("fa")));
    QCOMPARE(data.refreshExpiresAt, std::optional<QString>(QStringLiteral("ff")));
}

void TestSingleLoginResponse::companiesKeepOrderAndIdentity()
{
    const auto response = SingleLoginResponse::fromJsonBytes(answer(
        R"("companies":[{"name":"Zeta","endpoint":"same.example"},
                        {"name":"Alpha","endpoint":"same.example"}])"));
    QVERIFY(response);
    const QList<LoginCompany> companies = *response->data.companies;
    QCOMPARE(companies.size(), 2);
    QCOMPARE(companies[0].name, QStringLiteral("Zeta"));
    QCOMPARE(companies[0].id(), companies[1].id());
    QVERIFY(companies[0] != companies[1]);
}

void TestSingleLoginResponse::loginBodiesHoldOtpFlagOnlyForCodes()
{
    const QJsonObject signIn =
        LoginRequest::withPassword(QStringLiteral("a@b.c"), QStringLiteral("pw")).toJson();
    QCOMPARE(
        signIn,
        (QJsonObject{{"email", "a@b.c"}, {"password", "pw"}, {"remember_me", 1}, {"use_jwt", 1}}));

    const QJsonObject code =
        LoginRequest::withOneTimeCode(QStringLiteral("a@b.c"), QStringLiteral("012345")).toJson();
    QCOMPARE(code.value("is_otp"), QJsonValue(1));
    QCOMPARE(code.value("password"), QJsonValue("012345"));
    // An integer on the wire, never 1.0 or true.
    QVERIFY(LoginRequest::withOneTimeCode("a", "1").toJsonBytes().contains("\"is_otp\":1"));
}

void TestSingleLoginResponse::otherBodies()
{
    QCOMPARE(
        QJsonDocument::fromJson(GenerateOtpRequest{QStringLiteral("a@b.c")}.toJsonBytes()).object(),
        (QJsonObject{{"email", "a@b.c"}, {"via", "email"}}));
    QCOMPARE(QJsonDocument::fromJson(PasswordRecoveryRequest{QStringLiteral("a@b.c")}.toJsonBytes())
                 .object(),
             (QJsonObject{{"email", "a@b.c"}, {"mobile", 1}}));
}

QTEST_GUILESS_MAIN(TestSingleLoginResponse)
#include "TestSingleLoginResponse.moc"
