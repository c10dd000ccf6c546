#include "api/DomainStorage.h"
#include "foundation/DataPartition.h"
#include "foundation/SettingsStore.h"

#include <QTemporaryDir>
#include <QtTest>

class TestDomainStorage : public QObject
{
    Q_OBJECT

private slots:
    void buildBaseURL_data();
    void buildBaseURL();
    void storedAddressSurvivesRestart();
    void unusableStoredText_data();
    void unusableStoredText();
    void domainKey_data();
    void domainKey();
    void partitionKey_data();
    void partitionKey();
    void mayCarryCredentials_data();
    void mayCarryCredentials();
};

void TestDomainStorage::buildBaseURL_data()
{
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QString>("expected"); // empty: none

    QTest::newRow("bare host") << "acme.example.test"
                               << "https://acme.example.test/api/v1/";
    QTest::newRow("spaces and line breaks") << "  acme.example.test \n"
                                            << "https://acme.example.test/api/v1/";
    QTest::newRow("bare host, trailing slash") << "acme.example.test/"
                                               << "https://acme.example.test/api/v1/";
    QTest::newRow("https host, trailing slash") << "https://acme.example.test/"
                                                << "https://acme.example.test/api/v1/";
    QTest::newRow("http kept") << "http://acme.example.test"
                               << "http://acme.example.test/api/v1/";
    QTest::newRow("upper-case scheme recognised") << "HTTPS://acme.example.test"
                                                  << "https://acme.example.test/api/v1/";
    QTest::newRow("ends in api/v1") << "acme.example.test/api/v1"
                                    << "https://acme.example.test/api/v1/";
    QTest::newRow("ends in api/v1/") << "https://acme.example.test/api/v1/"
                                     << "https://acme.example.test/api/v1/";
    // Only one trailing slash is removed, so the suffix test sees "/api/v1/" and adds nothing.
    QTest::newRow("api/v1 with two slashes") << "acme.example.test/api/v1//"
                                             << "https://acme.example.test/api/v1/";
    QTest::newRow("suffix is case-sensitive") << "acme.example.test/API/V1"
                                              << "https://acme.example.test/API/V1/api/v1/";
    QTest::newRow("company path kept") << "host.example.test/north"
                                       << "https://host.example.test/north/api/v1/";
    QTest::newRow("port kept") << "127.0.0.1:8443"
                               << "https://127.0.0.1:8443/api/v1/";
    QTest::newRow("only white space") << " \t\n "
                                      << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("space inside host") << "acme example.test"
                                       << "";
    QTest::newRow("dot-dot host") << ".."
                                  << "";
    QTest::newRow("no host") << "https:///"
                             << "";
    QTest::newRow("only a port") << "https://:443"
                                 << "";
}

void TestDomainStorage::buildBaseURL()
{
    QFETCH(QString, endpoint);
    QFETCH(QString, expected);
    const std::optional<QUrl> url = DomainStorage::buildBaseURL(endpoint);
    if (expected.isEmpty()) {
        QVERIFY2(!url, qPrintable(url ? url->toString() : QString()));
    } else {
        QVERIFY(url);
        QCOMPARE(url->toString(), expected);
    }
}

void TestDomainStorage::storedAddressSurvivesRestart()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("preferences.json"));
    {
        SettingsStore settings(file);
        DomainStorage(settings).setBaseURL(
            DomainStorage::buildBaseURL(QStringLiteral("acme.example.test")));
        QCOMPARE(settings.string(QString::fromLatin1(DomainStorage::baseURLKey)),
                 QStringLiteral("https://acme.example.test/api/v1/"));
    }
    SettingsStore reopened(file);
    DomainStorage domains(reopened);
    QCOMPARE(domains.getBaseURL(), QUrl(QStringLiteral("https://acme.example.test/api/v1/")));
    domains.setBaseURL(std::nullopt);
    QVERIFY(!reopened.contains(QString::fromLatin1(DomainStorage::baseURLKey)));
}

void TestDomainStorage::unusableStoredText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty") << "";
    QTest::newRow("space in host") << "https://bad host/api/v1/";
    QTest::newRow("dot-dot host") << "https://../api/v1/";
    // Parse as URLs, but there is nowhere to send a request.
    QTest::newRow("no host") << "https:///";
    QTest::newRow("only a port") << "https://:443";
    QTest::newRow("no slashes") << "https:api.example/api/v1/";
}

void TestDomainStorage::unusableStoredText()
{
    QFETCH(QString, stored);
    SettingsStore settings{QString()};
    const QString key = QString::fromLatin1(DomainStorage::baseURLKey);
    settings.setString(key, stored);
    DomainStorage domains(settings);
    QVERIFY(!domains.getBaseURL());
    QCOMPARE(domains.domainKey(), QStringLiteral("global"));
    // Reading never repairs or removes what is stored.
    QCOMPARE(settings.string(key), stored);
}

void TestDomainStorage::domainKey_data()
{
    QTest::addColumn<QString>("stored"); // empty: nothing stored
    QTest::addColumn<QString>("expected");

    QTest::newRow("nothing stored") << ""
                                    << "global";
    QTest::newRow("company host") << "https://acme.example.test/api/v1/"
                                  << "acme.example.test";
    QTest::newRow("host in lower case") << "https://ACME.Example.test/api/v1/"
                                        << "acme.example.test";
    QTest::newRow("port is not part of the key") << "https://127.0.0.1:8443/api/v1/"
                                                 << "127.0.0.1";
    QTest::newRow("plain http") << "http://acme.example.test/api/v1/"
                                << "acme.example.test";
    QTest::newRow("international host as ASCII") << "https://bücher.example.test/api/v1/"
                                                 << "xn--bcher-kva.example.test";
    // Parses as a relative reference with no host: nothing to partition by.
    QTest::newRow("no host") << "acme/api/v1/"
                             << "global";
    QTest::newRow("path climbing up is not part of the key")
        << "https://evil.example.test/../../etc/api/v1/"
        << "evil.example.test";
    QTest::newRow("encoded slash refused") << "https://a%2Fb/api/v1/"
                                           << "global";
    QTest::newRow("a bar in the host") << "https://acme|x.example/api/v1/"
                                       << "global";
}

void TestDomainStorage::domainKey()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    SettingsStore settings{QString()};
    if (!stored.isEmpty())
        settings.setString(QString::fromLatin1(DomainStorage::baseURLKey), stored);
    const QString key = DomainStorage(settings).domainKey();
    QCOMPARE(key, expected);
    QVERIFY(!key.contains(QLatin1Char('/')));
    // A company alone must never read as a company and an employee.
    QVERIFY(!DataPartition::namesEmployee(key));
}

void TestDomainStorage::partitionKey_data()
{
    QTest::addColumn<QString>("address"); // empty: none stored
    QTest::addColumn<QString>("email");   // as typed at the sign-in; empty: none
    QTest::addColumn<QString>("expected");
    const QString acme = QStringLiteral("https://acme.example.test/api/v1/");
    QTest::newRow("trimmed, letter case ignored") << acme << " Ann.Lee@Example.COM\n"
                                                  << "acme.example.test|ann.lee@example.com";
    QTest::newRow("signed out of the company") << QString() << "ann@example.com"
                                               << "global";
    QTest::newRow("employee unknown: the company alone")
        << acme << QString() << "acme.example.test";
    QTest::newRow("blank e-mail") << acme << "   "
                                  << "acme.example.test";
    QTest::newRow("characters a folder or the key cannot hold")
        << acme << "a/b|c..@x"
        << "acme.example.test|a%2Fb%7Cc..@x";
}

void TestDomainStorage::partitionKey()
{
    QFETCH(QString, address);
    QFETCH(QString, email);
    QFETCH(QString, expected);
    SettingsStore settings{QString()};
    DomainStorage domains(settings);
    if (!address.isEmpty())
        domains.setBaseURL(QUrl(address));
    domains.setEmployee(email.isEmpty() ? std::nullopt : std::optional<QString>(email));

    const QString key = domains.partitionKey();
    QCOMPARE(key, expected);
    QCOMPARE(DataPartition::companyOf(key), domains.domainKey());
    QVERIFY(!key.contains(QLatin1Char('/')));
    // Read back after a restart, as a restored sign-in does.
    QCOMPARE(DomainStorage(settings).partitionKey(), expected);
}

void TestDomainStorage::mayCarryCredentials_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https") << "https://acme.example.test/api/v1/" << true;
    QTest::newRow("plain http across a network") << "http://acme.example.test/api/v1/" << false;
    QTest::newRow("plain http to a private address") << "http://192.168.1.20/api/v1/" << false;
    QTest::newRow("plain http to localhost") << "http://localhost:8080/api/v1/" << true;
    QTest::newRow("plain http to 127.0.0.1") << "http://127.0.0.1:8080/api/v1/" << true;
    QTest::newRow("plain http to ::1") << "http://[::1]:8080/api/v1/" << true;
    QTest::newRow("a name that only starts like localhost")
        << "http://localhost.evil.example/api/v1/" << false;
    QTest::newRow("a name that looks like loopback") << "http://127.0.0.1.evil.example/" << false;
    QTest::newRow("ftp") << "ftp://127.0.0.1/" << false;
}

void TestDomainStorage::mayCarryCredentials()
{
    QFETCH(QString, address);
    QFETCH(bool, allowed);
    QCOMPARE(DomainStorage::mayCarryCredentials(QUrl(address)), allowed);
}

QTEST_GUILESS_MAIN(TestDomainStorage)
#include "TestDomainStorage.moc"
