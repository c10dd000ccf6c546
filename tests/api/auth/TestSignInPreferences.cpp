#include "api/auth/SignInPreferences.h"

#include "foundation/SettingsStore.h"

#include <QtTest>

namespace {

QList<LoginCompany> companies(const QStringList &namesAndEndpoints)
{
    QList<LoginCompany> list;
    for (const QString &pair : namesAndEndpoints) {
        const QStringList parts = pair.split(QLatin1Char('='));
        list.append({parts.at(0), parts.at(1)});
    }
    return list;
}

QStringList names(const QList<LoginCompany> &list)
{
    QStringList result;
    for (const LoginCompany &company : list)
        result.append(company.name);
    return result;
}

} // namespace

class TestSignInPreferences : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rememberedEmail_data();
    void rememberedEmail();
    void profileNamesSetAndRemoved();
    void lastEndpointIgnoresEmptyText();
    void companyOrder_data();
    void companyOrder();
};

void TestSignInPreferences::rememberedEmail_data()
{
    QTest::addColumn<QVariant>("enabled"); // invalid: never written
    QTest::addColumn<QString>("previouslyStored");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("expectedStored");
    QTest::addColumn<QString>("expectedOffered"); // empty: nothing offered

    QTest::newRow("flag never written") << QVariant() << QString() << "ann@example.com"
                                        << "ann@example.com"
                                        << "ann@example.com";
    QTest::newRow("trimmed") << QVariant(true) << QString() << "  ann@example.com\n"
                             << "ann@example.com"
                             << "ann@example.com";
    QTest::newRow("blank stored as empty") << QVariant() << "old@example.com"
                                           << "   "
                                           << ""
                                           << "";
    QTest::newRow("off keeps old, offers none") << QVariant(false) << "old@example.com"
                                                << "ann@example.com"
                                                << "old@example.com"
                                                << "";
}

void TestSignInPreferences::rememberedEmail()
{
    QFETCH(QVariant, enabled);
    QFETCH(QString, previouslyStored);
    QFETCH(QString, saved);
    QFETCH(QString, expectedStored);
    QFETCH(QString, expectedOffered);

    SettingsStore defaults{QString()};
    if (enabled.isValid())
        defaults.setBoolean(QLatin1String(RememberedLoginStorage::enabledKey), enabled.toBool());
    if (!previouslyStored.isNull())
        defaults.setString(QLatin1String(RememberedLoginStorage::emailKey), previouslyStored);

    RememberedLoginStorage::save(saved, defaults);

    QCOMPARE(defaults.string(QLatin1String(RememberedLoginStorage::emailKey)).value_or("<none>"),
             expectedStored);
    QCOMPARE(RememberedLoginStorage::savedEmail(defaults).value_or(QString()), expectedOffered);
}

void TestSignInPreferences::profileNamesSetAndRemoved()
{
    SettingsStore defaults{QString()};
    const QString userKey = QLatin1String(UserProfileStorage::userNameKey);
    const QString companyKey = QLatin1String(UserProfileStorage::companyNameKey);

    UserProfileStorage::set(QStringLiteral("Ann"), QString(""), defaults);
    QCOMPARE(defaults.string(userKey), std::optional<QString>(QStringLiteral("Ann")));
    QCOMPARE(defaults.string(companyKey), std::optional<QString>(QString()));

    UserProfileStorage::set(QStringLiteral("Bo"), std::nullopt, defaults);
    QCOMPARE(defaults.string(userKey), std::optional<QString>(QStringLiteral("Bo")));
    QVERIFY(!defaults.contains(companyKey));
}

void TestSignInPreferences::lastEndpointIgnoresEmptyText()
{
    SettingsStore defaults{QString()};
    const QString key = QLatin1String(LastCompanyStorage::lastEndpointKey);
    QVERIFY(!LastCompanyStorage::lastEndpoint(defaults));
    defaults.setString(key, QString());
    QVERIFY(!LastCompanyStorage::lastEndpoint(defaults));
    defaults.setString(key, QStringLiteral(" b.example "));
    QCOMPARE(LastCompanyStorage::lastEndpoint(defaults),
             std::optional<QString>(QStringLiteral(" b.example ")));
}

void TestSignInPreferences::companyOrder_data()
{
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<QString>("lastEndpoint"); // null: none
    QTest::addColumn<QStringList>("expectedNames");
    QTest::addColumn<QString>("expectedRecent"); // null: none

    const QStringList mixedCase{"beta=b.example", "Alpha=a1.example", "alpha=a2.example"};
    QTest::newRow("sorted, case ignored, stable")
        << mixedCase << QString() << QStringList{"Alpha", "alpha", "beta"} << QString();
    QTest::newRow("last used first")
        << mixedCase << "b.example" << QStringList{"beta", "Alpha", "alpha"} << "b.example";
    QTest::newRow("last used in the middle")
        << mixedCase << "a2.example" << QStringList{"alpha", "Alpha", "beta"} << "a2.example";
    QTest::newRow("case differs") << mixedCase << "B.example"
                                  << QStringList{"Alpha", "alpha", "beta"} << QString();
    QTest::newRow("trailing slash differs")
        << mixedCase << "b.example/" << QStringList{"Alpha", "alpha", "beta"} << QString();
    QTest::newRow("scheme differs")
        << mixedCase << "https://b.example" << QStringList{"Alpha", "alpha", "beta"} << QString();
    QTest::newRow("shared endpoint moves first only")
        << QStringList{"Zed=s.example", "Cee=s.example", "Bee=o.example"} << "s.example"
        << QStringList{"Cee", "Bee", "Zed"} << "s.example";
    QTest::newRow("empty list") << QStringList() << "s.example" << QStringList() << QString();
}

void TestSignInPreferences::companyOrder()
{
    QFETCH(QStringList, input);
    QFETCH(QString, lastEndpoint);
    QFETCH(QStringList, expectedNames);
    QFETCH(QString, expectedRecent);

    const std::optional<QString> last =
        lastEndpoint.isNull() ? std::nullopt : std::optional<QString>(lastEndpoint);
    const CompanyListOrder::Ordered result = CompanyListOrder::ordered(companies(input), last);
    QCOMPARE(names(result.companies), expectedNames);
    QCOMPARE(result.recentEndpoint.value_or(QString()), expectedRecent);
    QCOMPARE(result.recentEndpoint.has_value(), !expectedRecent.isNull());
}

QTEST_GUILESS_MAIN(TestSignInPreferences)
#include "TestSignInPreferences.moc"
