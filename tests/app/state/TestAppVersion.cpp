#include "app/state/AppVersion.h"

#include <QtTest>

class TestAppVersion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isLower_data();
    void isLower();
    void parse_data();
    void parse();
    void buildProvidesTheProjectVersion();
};

void TestAppVersion::isLower_data()
{
    QTest::addColumn<QString>("lhs");
    QTest::addColumn<QString>("rhs");
    QTest::addColumn<bool>("lower");
    QTest::newRow("missing part counts as zero") << "1.2"
                                                 << "1.2.0" << false;
    QTest::newRow("missing part counts as zero, reversed") << "1.2.0"
                                                           << "1.2" << false;
    QTest::newRow("numeric, not textual") << "1.9"
                                          << "1.10" << true;
    QTest::newRow("numeric, not textual, reversed") << "1.10"
                                                    << "1.9" << false;
    QTest::newRow("suffix ignored") << "1.2.3-beta"
                                    << "1.2.3" << false;
    QTest::newRow("suffix ignored, reversed") << "1.2.3"
                                              << "1.2.3-beta" << false;
    QTest::newRow("suffix ignored, next patch") << "1.2.3-beta"
                                                << "1.2.4" << true;
    QTest::newRow("leading letter is zero") << "v1.0"
                                            << "1.0" << true;
    QTest::newRow("empty below 0.1") << ""
                                     << "0.1" << true;
    QTest::newRow("empty equals 0") << ""
                                    << "0" << false;
    QTest::newRow("unknown version below any non-zero") << "0.0.0"
                                                        << "0.0.1" << true;
    QTest::newRow("equal") << "1.4.0"
                           << "1.4" << false;
    QTest::newRow("forced patch") << "1.4.0"
                                  << "1.4.1" << true;
    QTest::newRow("first difference decides") << "2.0"
                                              << "1.99.99" << false;
    QTest::newRow("empty fields dropped") << "1..2"
                                          << "1.2" << false;
    QTest::newRow("leading and trailing dots") << ".1.2."
                                               << "1.2" << false;
    QTest::newRow("overflowing part is zero") << "99999999999999999999"
                                              << "1" << true;
    QTest::newRow("non-ASCII numeral is zero") << QStringLiteral("\u0663") << "1" << true;
    QTest::newRow("largest part") << "9223372036854775806"
                                  << "9223372036854775807" << true;
}

void TestAppVersion::isLower()
{
    QFETCH(QString, lhs);
    QFETCH(QString, rhs);
    QFETCH(bool, lower);
    QCOMPARE(AppVersion::isLower(lhs, rhs), lower);
}

void TestAppVersion::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<qint64>>("parts");
    QTest::newRow("plain") << "1.4.0" << QList<qint64>{1, 4, 0};
    QTest::newRow("empty") << "" << QList<qint64>{};
    QTest::newRow("only dots") << "..." << QList<qint64>{};
    QTest::newRow("digits then text") << "2beta.rc1" << QList<qint64>{2, 0};
    QTest::newRow("leading zeros") << "007.010" << QList<qint64>{7, 10};
    // A numeral of another script ends the ASCII number: the run "1\u0663" is not ASCII.
    QTest::newRow("mixed numerals") << QStringLiteral("1\u0663.5") << QList<qint64>{0, 5};
    // A numeric character outside the basic plane (mathematical digit one) is part of the run.
    QTest::newRow("astral numeral") << QStringLiteral("3\U0001D7CF.4") << QList<qint64>{0, 4};
    QTest::newRow("sign is not a digit") << "-1.+2" << QList<qint64>{0, 0};
}

void TestAppVersion::parse()
{
    QFETCH(QString, text);
    QFETCH(QList<qint64>, parts);
    QCOMPARE(AppVersion::parse(text), parts);
}

void TestAppVersion::buildProvidesTheProjectVersion()
{
    QCOMPARE(AppVersion::currentMarketingVersion(), QStringLiteral(ZUV_EXPECTED_APP_VERSION));
    QVERIFY(!AppVersion::currentBuildVersion().isEmpty());
    // The reported version must not make this build older than every configured minimum.
    QVERIFY(AppVersion::isLower(QStringLiteral("0.0.0"), AppVersion::currentMarketingVersion()));
}

QTEST_GUILESS_MAIN(TestAppVersion)
#include "TestAppVersion.moc"
