#include "platform/logind/TerminationSignalQuitter.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>

class TestTerminationSignalQuitter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void terminationSignalsBecomeANormalQuit_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void terminationSignalsBecomeANormalQuit()
    {
        QFETCH(int, signalNumber);
        TerminationSignalQuitter quitter;
        QVERIFY(quitter.isInstalled());
        QSignalSpy requested(&quitter, &TerminationSignalQuitter::terminationRequested);
        QSignalSpy quitting(QCoreApplication::instance(), &QCoreApplication::aboutToQuit);

        // The event loop ends through the ordinary quit, with aboutToQuit, and the process lives.
        QTimer::singleShot(0, [signalNumber] { std::raise(signalNumber); });
        QTimer::singleShot(10'000, [] { QCoreApplication::exit(7); });
        const int exitCode = QCoreApplication::exec();
        QCOMPARE(exitCode, 0);
        QCOMPARE(requested.count(), 1);
        QCOMPARE(requested.constFirst().constFirst().toInt(), signalNumber);
        QCOMPARE(quitting.count(), 1);
    }

    void thePreviousHandlerComesBackAfterwards()
    {
        struct sigaction before
        {};
        QCOMPARE(sigaction(SIGTERM, nullptr, &before), 0);
        {
            TerminationSignalQuitter quitter;
            QVERIFY(quitter.isInstalled());
            // Only one may own the signals at a time.
            TerminationSignalQuitter second;
            QVERIFY(!second.isInstalled());
        }
        struct sigaction after
        {};
        QCOMPARE(sigaction(SIGTERM, nullptr, &after), 0);
        QVERIFY(after.sa_handler == before.sa_handler);
    }
};

QTEST_GUILESS_MAIN(TestTerminationSignalQuitter)
#include "TestTerminationSignalQuitter.moc"
