#include "ui/signin/EmailValidation.h"

#include <QTest>

class TestEmailValidation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchesTrimmedAddressIgnoringCase_data();
    void matchesTrimmedAddressIgnoringCase();
};

void TestEmailValidation::matchesTrimmedAddressIgnoringCase_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "anna@example.com" << true;
    QTest::newRow("upper case") << "ANNA.B@EXAMPLE.CO" << true;
    QTest::newRow("spaces and line breaks around") << " \n anna@example.com\t\r\n" << true;
    QTest::newRow("space inside") << "an na@example.com" << false;
    QTest::newRow("one-letter top level") << "anna@example.c" << false;
    QTest::newRow("no at sign") << "anna.example.com" << false;
    QTest::newRow("two at signs") << "anna@@example.com" << false;
    QTest::newRow("digit top level") << "anna@example.12" << false;
    QTest::newRow("non-ASCII letter") << QString::fromUtf8("änna@example.com") << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("only white space") << " \n " << false;
}

void TestEmailValidation::matchesTrimmedAddressIgnoringCase()
{
    QFETCH(QString, email);
    QFETCH(bool, valid);
    QCOMPARE(isValidEmail(email), valid);
}

QTEST_GUILESS_MAIN(TestEmailValidation)
#include "TestEmailValidation.moc"
