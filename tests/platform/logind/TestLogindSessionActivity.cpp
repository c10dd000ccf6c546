#include "FakeLogindSessionManager.h"
#include "platform/logind/LogindSessionActivity.h"
#include "support/LogCapture.h"
#include "support/TestEnvironment.h"

#include <QSignalSpy>
#include <QTest>

class TestLogindSessionActivity : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsTheSessionsActiveProperty_data();
    void followsTheSessionsActiveProperty();
    void startsInactiveWhenAnotherSessionHasTheSeat();
    void withoutAnAnswerInputCountsAsTheSessionsOwn_data();
    void withoutAnAnswerInputCountsAsTheSessionsOwn();
};

void TestLogindSessionActivity::followsTheSessionsActiveProperty_data()
{
    QTest::addColumn<QString>("sessionId");
    QTest::addColumn<bool>("valueInSignal");
    QTest::newRow("named session, value announced") << "1" << true;
    QTest::newRow("named session, only invalidated") << "1" << false;
    QTest::newRow("no session id: logind's own choice") << "auto" << true;
}

void TestLogindSessionActivity::followsTheSessionsActiveProperty()
{
    QFETCH(QString, sessionId);
    QFETCH(bool, valueInSignal);
    FakeLogindSessionManager logind(QStringLiteral("1"));
    ZUV_REQUIRE_ENVIRONMENT(logind.problem());

    LogindSessionActivity activity(QDBusConnection::sessionBus(), sessionId);
    QTRY_COMPARE(activity.sessionPath(), logind.session().path());
    QCOMPARE(logind.askedFor(), QStringList{sessionId});
    QVERIFY(activity.isActive());
    QSignalSpy changes(&activity, &LogindSessionActivity::activeChanged);

    // A user switch hands the seat to another session, and a switch back returns it.
    logind.session().setActive(false, valueInSignal);
    QTRY_VERIFY(!activity.isActive());
    logind.session().setActive(true, valueInSignal);
    QTRY_VERIFY(activity.isActive());
    QCOMPARE(changes.count(), 2);
    QCOMPARE(changes.at(0).at(0).toBool(), false);
    QCOMPARE(changes.at(1).at(0).toBool(), true);
}

void TestLogindSessionActivity::startsInactiveWhenAnotherSessionHasTheSeat()
{
    FakeLogindSessionManager logind(QStringLiteral("4"), false);
    ZUV_REQUIRE_ENVIRONMENT(logind.problem());
    LogindSessionActivity activity(QDBusConnection::sessionBus(), QStringLiteral("4"));
    QTRY_VERIFY(!activity.isActive());
}

void TestLogindSessionActivity::withoutAnAnswerInputCountsAsTheSessionsOwn_data()
{
    QTest::addColumn<bool>("bus");
    QTest::addColumn<QString>("logged");
    QTest::newRow("no such session") << true << "logind knows no session \"7\"";
    QTest::newRow("no bus") << false << "no system bus";
}

void TestLogindSessionActivity::withoutAnAnswerInputCountsAsTheSessionsOwn()
{
    QFETCH(bool, bus);
    QFETCH(QString, logged);
    FakeLogindSessionManager logind(QStringLiteral("1"));
    if (bus)
        ZUV_REQUIRE_ENVIRONMENT(logind.problem());
    LogCapture log;
    LogindSessionActivity activity(bus ? QDBusConnection::sessionBus()
                                       : QDBusConnection(QStringLiteral("not connected")),
                                   QStringLiteral("7"));
    QTRY_VERIFY(log.contains(logged));
    QVERIFY(activity.isActive());
    QVERIFY(activity.sessionPath().isEmpty());
}

QTEST_GUILESS_MAIN(TestLogindSessionActivity)
#include "TestLogindSessionActivity.moc"
