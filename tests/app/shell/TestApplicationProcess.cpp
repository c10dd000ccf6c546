#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/stat.h>

// The executable as a user starts it: a second launch ends and brings the first one's window
// forward; SIGTERM ends the first one through its normal quit; its files are the user's alone;
// a launch that cannot run says why.
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
        // A keyring item of its own: a launch deletes the tokens of a sign-in its data folder
        // never completed, and the installation's item belongs to the suites that lock it.
        environment.insert(QStringLiteral("ZUV_KEYRING_SERVICE"),
                           QStringLiteral("com.wendoka.zuvevivezid.process-test.%1")
                               .arg(QCoreApplication::applicationPid()));
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

    static uint modeOf(const QString &path)
    {
        struct stat status = {};
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777
                                                                          : 0U;
    }

private Q_SLOTS:
    void theDataFolderAndItsFilesAreTheUsersAlone()
    {
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
        // Left by an earlier version, readable by every account.
        QFile earlier(folder + QStringLiteral("/preferences.json"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("{}");
        earlier.close();
        QCOMPARE(::chmod(QFile::encodeName(earlier.fileName()).constData(), 0644), 0);

        QProcess app;
        QByteArray output;
        start(app, folder);
        QVERIFY2(waitForOutput(app, output, "showing the main window instead"), output.constData());

        QCOMPARE(modeOf(folder), 0700U);
        QStringList files;
        QDirIterator entries(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            const QString path = entries.next();
            const QFileInfo info = entries.fileInfo();
            if (info.isSymLink())
                continue;
            files.append(info.fileName());
            QCOMPARE(modeOf(path), info.isDir() ? 0700U : 0600U);
        }
        // The start-up's own files are among them, not only the one left before.
        QVERIFY2(files.size() > 1, qPrintable(files.join(QLatin1Char(' '))));
        app.terminate();
        QVERIFY(app.waitForFinished(20000));
    }

    void aDataFolderThatIsAFileIsNamedOnStandardError()
    {
        QTemporaryDir root;
        const QString file = root.filePath(QStringLiteral("data"));
        QFile blocker(file);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        QProcess app;
        QByteArray output;
        start(app, file);
        // The words then wait in a dialog for the person, which this test does not answer.
        QVERIFY2(waitForOutput(app, output,
                               QStringLiteral("The data folder %1 cannot be used: it is a file, "
                                              "not a folder")
                                   .arg(file)
                                   .toLocal8Bit()),
                 output.constData());
        QVERIFY2(!output.contains("Another instance"), output.constData());
        app.kill();
        app.waitForFinished(20000);
    }

    void aStoppedInstanceIsNotReportedAsAnswering()
    {
        QTemporaryDir folder;
        QProcess first;
        QByteArray firstOutput;
        start(first, folder.path());
        QVERIFY2(waitForOutput(first, firstOutput, "showing the main window instead"),
                 firstOutput.constData());
        QCOMPARE(::kill(static_cast<pid_t>(first.processId()), SIGSTOP), 0);

        QProcess second;
        QByteArray secondOutput;
        start(second, folder.path());
        const bool toldSo = waitForOutput(
            second, secondOutput,
            QStringLiteral("Another instance holds the data folder %1 but does not answer")
                .arg(folder.path())
                .toLocal8Bit());
        ::kill(static_cast<pid_t>(first.processId()), SIGCONT);
        second.kill();
        second.waitForFinished(20000);
        QVERIFY2(toldSo, secondOutput.constData());
        QVERIFY2(!secondOutput.contains("brought forward"), secondOutput.constData());

        first.terminate();
        QVERIFY(first.waitForFinished(20000));
    }

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
        // The teardown stops every timer on its own thread.
        QVERIFY2(!firstOutput.contains("Timers cannot be stopped"), firstOutput.constData());

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
