#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "foundation/SettingsStore.h"

#include <QtTest>

class TestAPIEndpoints : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void configuredAddressChecks_data();
    void configuredAddressChecks();
    void normalizeBaseURLString_data();
    void normalizeBaseURLString();
    void environmentReplacesCompiledAddress();
    void storedAddressWinsOverConfigured();
    void clearedStoredAddressFallsBack();
    void fallbackIsHttpsUnderApiV1();
};

void TestAPIEndpoints::initTestCase()
{
    // The configured address is worked out once per process, so this is set before any use.
    qputenv(APIEndpoints::baseURLEnvironmentVariable, "\"https:/env.example.test/api/v1/\"");
}

void TestAPIEndpoints::configuredAddressChecks_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("expected"); // empty: ignored

    QTest::newRow("plain https") << "https://api.example.test/api/v1/"
                                 << "https://api.example.test/api/v1/";
    QTest::newRow("quoted") << "\"https://api.example.test/api/v1/\""
                            << "https://api.example.test/api/v1/";
    QTest::newRow("several quotes") << "\"\"https://api.example.test/v2/\""
                                    << "https://api.example.test/v2/";
    QTest::newRow("single slash repaired") << "https:/api.example.test/api/v1/"
                                           << "https://api.example.test/api/v1/";
    QTest::newRow("path without slash kept") << "https://api.example.test/api"
                                             << "https://api.example.test/api";
    QTest::newRow("no api path added") << "https://api.example.test"
                                       << "https://api.example.test";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("only quotes") << "\"\""
                                 << "";
    QTest::newRow("unexpanded build variable") << "$(API_BASE_URL)"
                                               << "";
    QTest::newRow("plain http") << "http://api.example.test/api/v1/"
                                << "";
    QTest::newRow("upper-case scheme") << "HTTPS://api.example.test/api/v1/"
                                       << "";
    QTest::newRow("no scheme") << "api.example.test/api/v1/"
                               << "";
    QTest::newRow("unparsable") << "https://exa mple.test/"
                                << "";
    QTest::newRow("file scheme") << "file:///etc/passwd"
                                 << "";
}

void TestAPIEndpoints::configuredAddressChecks()
{
    QFETCH(QString, raw);
    QFETCH(QString, expected);
    const std::optional<QUrl> url = APIEndpoints::checkedConfiguredAddress(raw);
    if (expected.isEmpty()) {
        QVERIFY2(!url, qPrintable(url ? url->toString() : QString()));
    } else {
        QVERIFY(url);
        QCOMPARE(url->toString(), expected);
    }
}

void TestAPIEndpoints::normalizeBaseURLString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unchanged") << "https://a.test/"
                               << "https://a.test/";
    QTest::newRow("quotes both ends") << "\"https://a.test/\""
                                      << "https://a.test/";
    QTest::newRow("white space stays") << " \"https://a.test/\" "
                                       << " \"https://a.test/\" ";
    QTest::newRow("inner quote stays") << "https://a\".test/"
                                       << "https://a\".test/";
    QTest::newRow("one slash") << "https:/a.test/"
                               << "https://a.test/";
    QTest::newRow("case-sensitive scheme") << "HTTPS:/a.test/"
                                           << "HTTPS:/a.test/";
    QTest::newRow("other scheme") << "http:/a.test/"
                                  << "http:/a.test/";
}

void TestAPIEndpoints::normalizeBaseURLString()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(APIEndpoints::normalizeBaseURLString(text), expected);
}

void TestAPIEndpoints::environmentReplacesCompiledAddress()
{
    const std::optional<QUrl> configured = APIEndpoints::bundleDefault();
    QVERIFY(configured);
    QCOMPARE(configured->toString(), QStringLiteral("https://env.example.test/api/v1/"));

    SettingsStore settings{QString()};
    DomainStorage domains(settings);
    QCOMPARE(APIEndpoints(domains).baseURL(), *configured);
}

void TestAPIEndpoints::storedAddressWinsOverConfigured()
{
    SettingsStore settings{QString()};
    DomainStorage domains(settings);
    const APIEndpoints endpoints(domains);

    // Only the configured address must be https; a company address is used whatever its scheme.
    domains.setBaseURL(QUrl(QStringLiteral("http://north.example.test/api/v1/")));
    QCOMPARE(endpoints.baseURL().toString(), QStringLiteral("http://north.example.test/api/v1/"));

    // A stored empty text counts as nothing stored.
    settings.setString(QString::fromLatin1(DomainStorage::baseURLKey), QString());
    QCOMPARE(endpoints.baseURL(), *APIEndpoints::bundleDefault());
}

void TestAPIEndpoints::clearedStoredAddressFallsBack()
{
    SettingsStore settings{QString()};
    DomainStorage domains(settings);
    const APIEndpoints endpoints(domains);
    domains.setBaseURL(QUrl(QStringLiteral("https://south.example.test/api/v1/")));
    domains.setBaseURL(std::nullopt);
    QVERIFY(!domains.getBaseURL());
    QCOMPARE(endpoints.baseURL(), *APIEndpoints::bundleDefault());
}

void TestAPIEndpoints::fallbackIsHttpsUnderApiV1()
{
    const QUrl fallback = APIEndpoints::fallbackURL();
    QVERIFY(fallback.isValid());
    QCOMPARE(fallback.scheme(), QStringLiteral("https"));
    QCOMPARE(fallback.path(), QStringLiteral("/api/v1/"));
}

QTEST_GUILESS_MAIN(TestAPIEndpoints)
#include "TestAPIEndpoints.moc"
