#include "platform/wayland/IdleNotificationState.h"
#include "support/FakeClock.h"

#include <QtTest>

// Each step of a script: "+N" lets N seconds pass, "jump N" sets the wall clock N seconds on,
// "idled" and "resumed" are the compositor's edges, "=N" reads the idle seconds.
class TestIdleNotificationState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsTheCompositorsEdges_data();
    void followsTheCompositorsEdges();
};

void TestIdleNotificationState::followsTheCompositorsEdges_data()
{
    QTest::addColumn<QString>("script");

    // The notification's timeout is 2 seconds in every row.
    QTest::newRow("no edge yet reads as active") << "=0 +10 =0";
    QTest::newRow("idled: the last input was one timeout before") << "+2 idled =2 +3 =5 +60 =65";
    QTest::newRow("resumed ends the idle period") << "idled +7 =9 resumed =0 +1 =0";
    QTest::newRow("a repeated idled edge keeps the first") << "idled +5 idled =7";
    QTest::newRow("a second idle period starts from its own edge")
        << "idled +10 resumed +4 idled +1 =3";
    QTest::newRow("setting the wall clock is no idle time")
        << "idled +1 jump 3600 =3 jump -7200 =3";
}

void TestIdleNotificationState::followsTheCompositorsEdges()
{
    QFETCH(QString, script);
    FakeClock clock;
    IdleNotificationState state(clock, 2.0);
    const QStringList steps = script.split(u' ');
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString &step = steps.at(i);
        if (step == QLatin1String("idled")) {
            state.idled();
        } else if (step == QLatin1String("resumed")) {
            state.resumed();
        } else if (step == QLatin1String("jump")) {
            clock.jump(steps.at(++i).toDouble());
        } else if (step.startsWith(u'+')) {
            clock.advance(step.mid(1).toDouble());
        } else if (step.startsWith(u'=')) {
            const double expected = step.mid(1).toDouble();
            QVERIFY2(qFuzzyCompare(1.0 + state.secondsSinceLastInput(), 1.0 + expected),
                     qPrintable(QStringLiteral("step %1: %2 instead of %3")
                                    .arg(i)
                                    .arg(state.secondsSinceLastInput())
                                    .arg(expected)));
            QCOMPARE(state.isIdle(), expected > 0.0);
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }
}

QTEST_GUILESS_MAIN(TestIdleNotificationState)
#include "TestIdleNotificationState.moc"
