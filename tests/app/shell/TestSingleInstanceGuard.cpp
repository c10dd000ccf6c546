#include "app/shell/SingleInstanceGuard.h"

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

// One running instance per data folder, and the request to show its window.
class TestSingleInstanceGuard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondLaunchAsksTheFirstForItsWindow()
    {
        QTemporaryDir folder;
        SingleInstanceGuard first(folder.path());
        QVERIFY(first.tryToRun());
        QSignalSpy requests(&first, &SingleInstanceGuard::showWindowRequested);

        SingleInstanceGuard second(folder.path());
        QVERIFY(!second.tryToRun());
        // The asking side blocks, as a starting process does; the running one answers from its
        // event loop.
        auto asked = std::async(std::launch::async,
                                [&second] { return second.askRunningInstanceToShowWindow(); });
        QTRY_COMPARE(requests.count(), 1);
        QVERIFY(asked.get());
    }

    void otherDataFoldersRunSideBySide()
    {
        QTemporaryDir one;
        QTemporaryDir two;
        SingleInstanceGuard first(one.path());
        SingleInstanceGuard second(two.path());
        QVERIFY(first.serverName() != second.serverName());
        QVERIFY(first.tryToRun());
        QVERIFY(second.tryToRun());
    }

    void theFolderIsFreeAgainOnceTheInstanceEnds()
    {
        QTemporaryDir folder;
        {
            SingleInstanceGuard first(folder.path());
            QVERIFY(first.tryToRun());
        }
        SingleInstanceGuard next(folder.path());
        QVERIFY(next.tryToRun());
    }

    void nobodyToAskAnswersFalse()
    {
        QTemporaryDir folder;
        SingleInstanceGuard lone(folder.path());
        QVERIFY(!lone.askRunningInstanceToShowWindow(200));
    }

    void unrelatedMessagesAreIgnored()
    {
        QTemporaryDir folder;
        SingleInstanceGuard first(folder.path());
        QVERIFY(first.tryToRun());
        QSignalSpy requests(&first, &SingleInstanceGuard::showWindowRequested);
        auto sent = std::async(std::launch::async, [&first] {
            QLocalSocket socket;
            socket.connectToServer(first.serverName());
            if (!socket.waitForConnected(2000))
                return false;
            socket.write("quit\n");
            return socket.waitForBytesWritten(2000);
        });
        QVERIFY(sent.get());
        QTest::qWait(100);
        QCOMPARE(requests.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstanceGuard)
#include "TestSingleInstanceGuard.moc"
