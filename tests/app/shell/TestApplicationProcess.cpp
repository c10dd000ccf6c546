#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The executable as a user starts it: a second launch ends and brings the first one's window
// forward; SIGTERM ends the first one through its normal quit.
class TestApplicationProcess : public QObject
{
    Q_OBJECT

private:
    static QProcessEnvironment environmentFor(const QString &dataFolder)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZUV_DATA_DIR"), dataFolder);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Nothing here talks to a service: no sign-in is stored in this data folder.
        environment.insert(QStringLiteral("ZUV_API_BASE_URL"),
                           QStringLiteral("https://127.0.0.1:9/api/v1/"));
        return environment;
    }

    static void start(QProcess &process, const QString &dataFolder)
    {
        process.setProcessEnvironment(environmentFor(dataFolder));
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(ZUV_APPLICATION_PATH), QStringList());
    }

    static bool waitForOutput(QProcess &process, QByteArray &output, const QByteArray &text,
                              int timeoutMs = 20000)
    {
        return QTest::qWaitFor(
            [&] {
                output += process.readAll();
                return output.contains(text);
            },
            timeoutMs);
    }

private Q_SLOTS:
    void secondLaunchBringsTheFirstForwardAndSigtermQuits()
    {
        QTemporaryDir folder;
        QProcess first;
        QByteArray firstOutput;
        start(first, folder.path());
        QVERIFY(first.waitForStarted());
        QVERIFY2(waitForOutput(first, firstOutput, "showing the main window instead"),
                 firstOutput.constData());

        QProcess second;
        start(second, folder.path());
        QVERIFY(second.waitForFinished(20000));
        const QByteArray secondOutput = second.readAll();
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY2(secondOutput.contains("its window was brought forward"), secondOutput.constData());
        QVERIFY2(waitForOutput(first, firstOutput, "Another launch asked for the window"),
                 firstOutput.constData());
        QCOMPARE(first.state(), QProcess::Running);

        first.terminate(); // SIGTERM
        QVERIFY(first.waitForFinished(20000));
        firstOutput += first.readAll();
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY2(firstOutput.contains("Signal 15 received; quitting"), firstOutput.constData());

        // The data folder is free again: the next launch runs.
        QProcess next;
        QByteArray nextOutput;
        start(next, folder.path());
        QVERIFY2(waitForOutput(next, nextOutput, "showing the main window instead"),
                 nextOutput.constData());
        next.terminate();
        QVERIFY(next.waitForFinished(20000));
        QCOMPARE(next.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestApplicationProcess)
#include "TestApplicationProcess.moc"
