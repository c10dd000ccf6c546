#include "ui/signin/CompanyListModel.h"

#include <QAbstractItemModelTester>
#include <QTest>

namespace {

QVariantMap company(const QString &name, const QString &endpoint)
{
    return {{QStringLiteral("name"), name}, {QStringLiteral("endpoint"), endpoint}};
}

} // namespace

class TestCompanyListModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void order_data();
    void order();
    void followsNewAnswers();
};

void TestCompanyListModel::order_data()
{
    QTest::addColumn<QVariantList>("companies");
    QTest::addColumn<QString>("lastEndpoint");
    // Each row as "name@sourceIndex", a "*" after it for the badge.
    QTest::addColumn<QStringList>("rows");

    const QVariantList three{company("Zeta Works", "zeta.example.com"),
                             company("alpha labs", "alpha.example.com"),
                             company("Beta", "beta.example.com")};
    QTest::newRow("nothing picked before: by name, case ignored")
        << three << QString() << QStringList{"alpha labs@1", "Beta@2", "Zeta Works@0"};
    QTest::newRow("last pick sorting last comes first with the badge")
        << three << "zeta.example.com" << QStringList{"Zeta Works@0*", "alpha labs@1", "Beta@2"};
    QTest::newRow("last pick matching no company")
        << three << "gone.example.com" << QStringList{"alpha labs@1", "Beta@2", "Zeta Works@0"};
    QTest::newRow("endpoint compared exactly")
        << three << "Zeta.example.com" << QStringList{"alpha labs@1", "Beta@2", "Zeta Works@0"};
    QTest::newRow("names differing in case keep the answer's order")
        << QVariantList{company("acme", "b.example.com"), company("ACME", "a.example.com"),
                        company("Acme", "c.example.com")}
        << QString() << QStringList{"acme@0", "ACME@1", "Acme@2"};
    QTest::newRow("one of two equal names picked before")
        << QVariantList{company("Acme", "one.example.com"), company("Acme", "two.example.com")}
        << "two.example.com" << QStringList{"Acme@1*", "Acme@0"};
    QTest::newRow("the same company listed twice")
        << QVariantList{company("Acme", "one.example.com"), company("Acme", "one.example.com")}
        << "one.example.com" << QStringList{"Acme@0*", "Acme@1*"};
    QTest::newRow("an entry that is not a company keeps its place")
        << QVariantList{company("Beta", "beta.example.com"), QVariant(7),
                        company("Alpha", "alpha.example.com")}
        << QString() << QStringList{"@1", "Alpha@2", "Beta@0"};
    QTest::newRow("no companies") << QVariantList{} << "beta.example.com" << QStringList{};
}

void TestCompanyListModel::order()
{
    QFETCH(QVariantList, companies);
    QFETCH(QString, lastEndpoint);
    QFETCH(QStringList, rows);

    CompanyListModel model;
    QAbstractItemModelTester tester(&model);
    model.setLastEndpoint(lastEndpoint);
    model.setCompanies(companies);

    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row);
        QCOMPARE(model.sourceIndex(row), index.data(CompanyListModel::SourceIndexRole).toInt());
        shown.append(index.data(CompanyListModel::NameRole).toString() + u'@' +
                     QString::number(model.sourceIndex(row)) +
                     (index.data(CompanyListModel::IsRecentRole).toBool() ? QStringLiteral("*")
                                                                          : QString()));
    }
    QCOMPARE(shown, rows);
    QCOMPARE(model.sourceIndex(model.rowCount()), -1);
}

void TestCompanyListModel::followsNewAnswers()
{
    CompanyListModel model;
    QAbstractItemModelTester tester(&model);
    model.setCompanies({company("Beta", "b"), company("Alpha", "a")});
    model.setLastEndpoint(QStringLiteral("b"));
    QCOMPARE(model.index(0).data(CompanyListModel::NameRole).toString(), QStringLiteral("Beta"));
    QVERIFY(model.index(0).data(CompanyListModel::IsRecentRole).toBool());

    model.setCompanies({company("Gamma", "g")});
    QCOMPARE(model.count(), 1);
    QCOMPARE(model.sourceIndex(0), 0);
    QVERIFY(!model.index(0).data(CompanyListModel::IsRecentRole).toBool());
}

QTEST_GUILESS_MAIN(TestCompanyListModel)
#include "TestCompanyListModel.moc"
