#include "FakeShellDialogs.h"
#include "app/shell/LaunchGate.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

#include <sys/stat.h>
#include <unistd.h>

// What a launch tells the person when it cannot run: the same words on standard error and in
// the dialog, naming the folder and the reason.
class TestLaunchGate : public QObject
{
    Q_OBJECT

private:
    struct Launch
    {
        FakeShellDialogs dialogs;
        QStringList printed;
        std::unique_ptr<LaunchGate> gate;

        explicit Launch(const QString &folder)
            : gate(std::make_unique<LaunchGate>(
                  folder, dialogs, [this](const QString &line) { printed.append(line); }))
        {}
    };

private Q_SLOTS:
    void unusableDataFolderIsNamedWithItsReason_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a file in its place") << "file"
                                             << "it is a file, not a folder";
        QTest::newRow("inside a file") << "under file"
                                       << "is a file";
        QTest::newRow("read-only") << "read-only"
                                   << "it is not writable (Permission denied)";
    }

    void unusableDataFolderIsNamedWithItsReason()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        if (kind == QLatin1String("read-only") && ::geteuid() == 0)
            QSKIP("root writes into a read-only folder");
        QTemporaryDir root;
        const QString file = root.filePath(QStringLiteral("taken"));
        QFile blocker(file);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QString folder = file;
        if (kind == QLatin1String("under file")) {
            folder = file + QStringLiteral("/data");
        } else if (kind == QLatin1String("read-only")) {
            folder = root.filePath(QStringLiteral("locked"));
            QVERIFY(QDir().mkpath(folder));
            QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0500), 0);
        }

        Launch launch(folder);
        QCOMPARE(launch.gate->admit(), std::optional<int>(1));
        QCOMPARE(launch.printed.size(), 1);
        const QString line = launch.printed.first();
        QVERIFY2(line.startsWith(QStringLiteral("The data folder %1 cannot be used: ").arg(folder)),
                 qPrintable(line));
        QVERIFY2(line.contains(reason), qPrintable(line));
        QVERIFY2(!line.contains(QStringLiteral("Another instance")), qPrintable(line));
        QCOMPARE(launch.dialogs.shown,
                 QStringList{QStringLiteral("launch:Zudevav EvozUvarevu cannot start|") + line});
        QCOMPARE(launch.gate->instance(), nullptr);
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }

    void aRunningInstanceThatDoesNotAnswerIsNotReportedAsBroughtForward()
    {
        QTemporaryDir folder;
        Launch first(folder.path());
        QCOMPARE(first.gate->admit(), std::nullopt);
        QVERIFY(first.gate->instance() != nullptr);

        // The first instance's event loop does not run while the second waits: it is as stopped
        // as a process under SIGSTOP, whose socket still accepts the connection.
        Launch second(folder.path());
        QCOMPARE(second.gate->admit(300), std::optional<int>(1));
        const QString expected =
            QStringLiteral("Another instance holds the data folder %1 but does not answer")
                .arg(folder.path());
        QCOMPARE(second.printed, QStringList{expected});
        QCOMPARE(second.dialogs.shown,
                 QStringList{QStringLiteral("launch:Zudevav EvozUvarevu is already running but "
                                            "does not answer|") +
                             expected});
    }

    void aRunningInstanceThatAnswersEndsTheLaunchQuietly()
    {
        QTemporaryDir folder;
        Launch first(folder.path());
        QCOMPARE(first.gate->admit(), std::nullopt);
        QSignalSpy requests(first.gate->instance(), &SingleInstanceGuard::showWindowRequested);

        Launch second(folder.path());
        auto admitted = std::async(std::launch::async, [&second] { return second.gate->admit(); });
        QTRY_COMPARE(requests.count(), 1);
        QCOMPARE(admitted.get(), std::optional<int>(0));
        QVERIFY(second.printed.isEmpty());
        QVERIFY(second.dialogs.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLaunchGate)
#include "TestLaunchGate.moc"
