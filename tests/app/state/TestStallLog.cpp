#include "app/state/StallLog.h"
#include "support/FakeClock.h"
#include "support/LogCapture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestStallLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineHoldsUtcTimeAndTruncatedMilliseconds_data();
    void lineHoldsUtcTimeAndTruncatedMilliseconds();
    void recordLogsBeforeAnyFileWork();
    void missingFolderIsCreatedOnFirstStall();
    void rollsOverOnlyPastTheLimit_data();
    void rollsOverOnlyPastTheLimit();

private:
    static QByteArray readAll(const QString &path);
    // 2023-11-14T22:13:20Z
    FakeClock m_clock{Timestamp::fromSecondsSince1970(1'700'000'000.0)};
};

QByteArray TestStallLog::readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestStallLog::lineHoldsUtcTimeAndTruncatedMilliseconds_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QByteArray>("milliseconds");
    QTest::newRow("fraction truncated") << 0.3127 << QByteArray("312");
    QTest::newRow("threshold") << 0.25 << QByteArray("250");
    QTest::newRow("just under a millisecond step") << 0.9999 << QByteArray("999");
    QTest::newRow("long stall") << 12.5 << QByteArray("12500");
}

void TestStallLog::lineHoldsUtcTimeAndTruncatedMilliseconds()
{
    QFETCH(double, seconds);
    QFETCH(QByteArray, milliseconds);
    QTemporaryDir folder;
    const StallLog log(folder.filePath(QString::fromLatin1(StallLog::fileName)), m_clock);
    log.record(seconds);
    log.record(seconds);
    const QByteArray line = "2023-11-14T22:13:20Z," + milliseconds + '\n';
    QCOMPARE(readAll(log.filePath()), line + line);
}

void TestStallLog::recordLogsBeforeAnyFileWork()
{
    // A folder that cannot be created (its parent is a file): the system log still has the stall.
    QTemporaryDir folder;
    QFile blocker(folder.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const StallLog log(folder.filePath(QStringLiteral("blocker/sub/mainthread-stalls.log")),
                       m_clock);
    LogCapture capture;
    log.record(0.3127);
    QCOMPARE(capture.count(QStringLiteral("Main thread stall: 312ms")), 1);
    QVERIFY(!QFile::exists(log.filePath()));
}

void TestStallLog::missingFolderIsCreatedOnFirstStall()
{
    QTemporaryDir folder;
    const StallLog log(folder.filePath(QStringLiteral("a/b/mainthread-stalls.log")), m_clock);
    log.record(0.5);
    QCOMPARE(readAll(log.filePath()), QByteArray("2023-11-14T22:13:20Z,500\n"));
}

void TestStallLog::rollsOverOnlyPastTheLimit_data()
{
    QTest::addColumn<qint64>("sizeAfterWrite");
    QTest::addColumn<bool>("rolled");
    QTest::newRow("exactly at the limit") << qint64(1'000'000) << false;
    QTest::newRow("one byte past") << qint64(1'000'001) << true;
}

void TestStallLog::rollsOverOnlyPastTheLimit()
{
    QFETCH(qint64, sizeAfterWrite);
    QFETCH(bool, rolled);
    QTemporaryDir folder;
    const StallLog log(folder.filePath(QString::fromLatin1(StallLog::fileName)), m_clock);
    QCOMPARE(log.previousGenerationPath(),
             folder.filePath(QStringLiteral("mainthread-stalls.old.log")));

    const QByteArray line = StallLog::line(QStringLiteral("2023-11-14T22:13:20Z"), 0.3);
    const QByteArray earlier(sizeAfterWrite - line.size(), 'x');
    {
        QFile existing(log.filePath());
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write(earlier);
        QFile previous(log.previousGenerationPath());
        QVERIFY(previous.open(QIODevice::WriteOnly));
        previous.write("older generation\n");
    }

    log.record(0.3);

    if (rolled) {
        QVERIFY(!QFile::exists(log.filePath()));
        QCOMPARE(readAll(log.previousGenerationPath()), earlier + line);
        // The next stall starts a new file.
        log.record(0.3);
        QCOMPARE(readAll(log.filePath()), line);
    } else {
        QCOMPARE(readAll(log.filePath()), earlier + line);
        QCOMPARE(readAll(log.previousGenerationPath()), QByteArray("older generation\n"));
    }
}

QTEST_GUILESS_MAIN(TestStallLog)
#include "TestStallLog.moc"
