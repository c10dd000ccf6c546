#include "app/state/FakeDelayScheduler.h"
#include "ui/signin/OtpViewModel.h"

#include <QSignalSpy>
#include <QTest>

using Edit = QPair<int, QString>;
using Edits = QList<Edit>;

class TestOtpViewModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void digitRule_data();
    void digitRule();
    void returnMovesOnButNeverSubmits();
    void verifyNeedsSixDigitsAndNoCheckUnderWay();
    void resendWaitsOutTheCountdown();
};

void TestOtpViewModel::digitRule_data()
{
    QTest::addColumn<Edits>("edits");
    QTest::addColumn<QStringList>("digits");
    QTest::addColumn<int>("focus");

    const auto one = [](int box, const QString &text) {
        return Edits{{box, text}};
    };
    Edits typed;
    for (int box = 0; box < 6; ++box)
        typed.append({box, QString::number(box + 1)});
    const QStringList oneToSix{"1", "2", "3", "4", "5", "6"};

    QTest::newRow("typed one key at a time") << typed << oneToSix << 5;
    QTest::newRow("letter into an empty box")
        << one(0, "a") << QStringList{"", "", "", "", "", ""} << 0;
    QTest::newRow("letter after a digit keeps the digit")
        << Edits{{0, "7"}, {1, "x"}} << QStringList{"7", "", "", "", "", ""} << 1;
    QTest::newRow("six digits pasted") << one(0, "123456") << oneToSix << 5;
    QTest::newRow("hyphen and space dropped before taking six")
        << one(0, "12-34 56") << oneToSix << 5;
    QTest::newRow("eight digits keep the first six") << one(0, "12345678") << oneToSix << 5;
    QTest::newRow("two digits pasted into box 4")
        << one(4, "12") << QStringList{"1", "2", "", "", "12", ""} << 2;
    QTest::newRow("pasted into a late box loses its letters")
        << one(5, "1a2") << QStringList{"1", "2", "", "", "", "12"} << 2;
    QTest::newRow("second digit typed into a filled box")
        << Edits{{0, "1"}, {1, "2"}, {2, "3"}, {2, "39"}} << QStringList{"3", "9", "39", "", "", ""}
        << 2;
    QTest::newRow("deleting keeps the focus")
        << Edits{{0, "1"}, {1, "2"}, {1, ""}} << QStringList{"1", "", "", "", "", ""} << 2;
    QTest::newRow("last box does not move the focus")
        << Edits{{5, "9"}} << QStringList{"", "", "", "", "", "9"} << 0;
    QTest::newRow("Arabic-Indic digits")
        << one(0, QString::fromUtf8("١٢٣٤٥٦")) << QString::fromUtf8("١,٢,٣,٤,٥,٦").split(u',') << 5;
    QTest::newRow("digit beyond the basic plane kept whole")
        << one(0, QString::fromUtf8("𝟏")) << QStringList{QString::fromUtf8("𝟏"), "", "", "", "", ""}
        << 1;
}

void TestOtpViewModel::digitRule()
{
    QFETCH(Edits, edits);
    QFETCH(QStringList, digits);
    QFETCH(int, focus);

    FakeDelayScheduler scheduler;
    OtpViewModel model(scheduler);
    model.appeared();
    for (const Edit &edit : edits)
        model.setDigit(edit.first, edit.second);
    QCOMPARE(model.digits(), digits);
    QCOMPARE(model.focusedField(), focus);
}

void TestOtpViewModel::returnMovesOnButNeverSubmits()
{
    FakeDelayScheduler scheduler;
    OtpViewModel model(scheduler);
    QSignalSpy verifies(&model, &OtpViewModel::verifyRequested);
    model.appeared();
    model.setDigit(0, QStringLiteral("123456"));

    model.focusBox(2);
    model.commitBox(2);
    QCOMPARE(model.focusedField(), 3);
    model.focusBox(5);
    model.commitBox(5);
    QCOMPARE(model.focusedField(), 5);
    QCOMPARE(verifies.count(), 0);
}

void TestOtpViewModel::verifyNeedsSixDigitsAndNoCheckUnderWay()
{
    FakeDelayScheduler scheduler;
    OtpViewModel model(scheduler);
    QSignalSpy verifies(&model, &OtpViewModel::verifyRequested);
    model.appeared();

    model.setDigit(4, QStringLiteral("12"));
    model.verify();
    QVERIFY(!model.canVerify());
    QCOMPARE(verifies.count(), 0);

    model.setDigit(0, QStringLiteral("12345"));
    QVERIFY(!model.canVerify());
    model.setDigit(5, QStringLiteral("6"));
    QVERIFY(model.canVerify());

    model.setIsVerifying(true);
    QVERIFY(!model.canVerify());
    model.verify();
    QCOMPARE(verifies.count(), 0);

    // The check failed: the digits stay, so Verify works again as soon as the flow says so.
    model.setIsVerifying(false);
    model.verify();
    QCOMPARE(verifies.count(), 1);
    QCOMPARE(verifies.first().first().toString(), QStringLiteral("123456"));

    // The code typed in another script's digits reaches the service in ASCII ones.
    OtpViewModel arabic(scheduler);
    QSignalSpy arabicVerifies(&arabic, &OtpViewModel::verifyRequested);
    arabic.setDigit(0, QString::fromUtf8("٩٨٧٦٥٤"));
    arabic.verify();
    QCOMPARE(arabicVerifies.count(), 1);
    QCOMPARE(arabicVerifies.first().first().toString(), QStringLiteral("987654"));
}

void TestOtpViewModel::resendWaitsOutTheCountdown()
{
    FakeDelayScheduler scheduler;
    OtpViewModel model(scheduler);
    QSignalSpy resends(&model, &OtpViewModel::resendRequested);
    model.appeared();
    QCOMPARE(model.resendCooldownSeconds(), 60);
    QCOMPARE(model.resendCountdownText(),
             QStringLiteral("Resend code to the registered contact (60s)"));

    scheduler.advance(59.0);
    QCOMPARE(model.resendCooldownSeconds(), 1);
    QVERIFY(!model.canResend());
    model.resend();
    QCOMPARE(resends.count(), 0);

    scheduler.advance(1.0);
    QVERIFY(model.canResend());
    QCOMPARE(scheduler.pendingCount(), 0);
    scheduler.advance(5.0);
    QCOMPARE(model.resendCooldownSeconds(), 0);

    model.resend();
    QCOMPARE(resends.count(), 1);
    QCOMPARE(model.resendCooldownSeconds(), 60);
    // One timer drives the counter, whatever happened before.
    QCOMPARE(scheduler.pendingCount(), 1);
    scheduler.advance(30.0);
    QCOMPARE(model.resendCooldownSeconds(), 30);
}

QTEST_GUILESS_MAIN(TestOtpViewModel)
#include "TestOtpViewModel.moc"
