#include "api/KeychainService.h"
#include "foundation/UuidText.h"
#include "store/StoreTestSupport.h"
#include "support/TestEnvironment.h"
#include "support/standin/StandInService.h"
#include "tracking/model/Session.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The assembled application stops a session and is killed (SIGKILL) at a random point of the
// second after the stop, round after round over one data folder; the next launch goes on from
// what the last one left. Once a launch has drained the queue, the service holds every stopped
// session exactly once, completed, with the seconds the store holds for it.
class TestStopSurvivesKill : public QObject
{
    Q_OBJECT

public:
    TestStopSurvivesKill()
    {
        if (qEnvironmentVariableIsEmpty("QTEST_FUNCTION_TIMEOUT"))
            qputenv("QTEST_FUNCTION_TIMEOUT", "600000");
    }

private:
    static constexpr int rounds = 50;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ZUV_API_BASE_URL"), m_standIn.baseUrl().toString());
        environment.insert(QStringLiteral("ZUV_EXTRA_CA_CERTIFICATES"),
                           m_standIn.caCertificatePath());
        environment.insert(QStringLiteral("ZUV_DATA_DIR"), m_data.path());
        environment.insert(QString::fromLatin1(KeychainService::serviceEnvironmentVariable),
                           m_keyringService);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return environment;
    }

    void launch(QProcess &child, const QStringList &arguments) const
    {
        child.setProcessEnvironment(environment());
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QStringLiteral(ZUV_STOP_KILL_CHILD), arguments);
    }

    // The line that starts with the word, once the child has said it.
    static QString waitForLine(QProcess &child, QByteArray &output, const QByteArray &word,
                               int timeoutMs)
    {
        QString found;
        // A child that dies or stays silent leaves the line empty, which the caller reports.
        [[maybe_unused]] const bool settled = QTest::qWaitFor(
            [&] {
                output += child.readAll();
                for (const QByteArray &line : output.split('\n')) {
                    if (line.startsWith(word + ' ') || line.startsWith("unfinished") ||
                        line.startsWith("not started"))
                        found = QString::fromUtf8(line);
                }
                return !found.isEmpty() || child.state() == QProcess::NotRunning;
            },
            timeoutMs);
        return found;
    }

    static void killNow(QProcess &child)
    {
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished(10000);
    }

    // Each finished session's id and billed seconds as the store holds them.
    QHash<QString, qint64> storedHistory() const
    {
        const RawDatabase raw(m_data.filePath(QStringLiteral("zuvevivezid.sqlite")));
        QHash<QString, qint64> billed;
        SqliteStatement statement(raw.connection(), "SELECT payload FROM session_history;");
        while (statement.nextRow()) {
            if (const auto session = Session::fromJson(statement.columnBlob(0)))
                billed.insert(UuidText::format(session->id),
                              session->reportedTotalSeconds.value_or(-1));
        }
        return billed;
    }

    QString queueAndRunningRows() const
    {
        const RawDatabase raw(m_data.filePath(QStringLiteral("zuvevivezid.sqlite")));
        return raw.value("SELECT (SELECT COUNT(*) FROM upload_queue WHERE type != "
                         "'activitySegment') || '/' || (SELECT COUNT(*) FROM sessions);");
    }

    StandInService m_standIn;
    QTemporaryDir m_data;
    QString m_keyringService;

private Q_SLOTS:
    void initTestCase()
    {
        ZUV_REQUIRE_X11();
        ZUV_REQUIRE_KEYRING();
        QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
        m_keyringService = QLatin1String(KeychainService::serviceName) + QStringLiteral(".kill-") +
                           QUuid::createUuid().toString(QUuid::WithoutBraces);
        QProcess signIn;
        signIn.setProcessEnvironment(environment());
        signIn.setProcessChannelMode(QProcess::MergedChannels);
        signIn.start(QStringLiteral(ZUV_DEMO_SIGN_IN_PATH),
                     {StandInService::demoEmail(), StandInService::demoPassword()});
        QVERIFY(signIn.waitForFinished(60000));
        QVERIFY2(signIn.exitCode() == 0, signIn.readAll().constData());
    }

    void cleanupTestCase() { KeychainService(m_keyringService).deleteAuthTokens(); }

    void everyStoppedSessionReachesTheServiceOnce()
    {
        QStringList stopped;
        for (int round = 0; round < rounds; ++round) {
            QProcess child;
            QByteArray output;
            launch(child, {QString::number(1100 + QRandomGenerator::global()->bounded(400))});
            const QString line = waitForLine(child, output, "stopped", 90000);
            if (!line.startsWith(u"stopped ")) {
                killNow(child);
                QFAIL(qPrintable(
                    QStringLiteral("round %1: %2").arg(round).arg(QString::fromUtf8(output))));
            }
            stopped.append(line.section(QLatin1Char(' '), 1));
            QTest::qWait(QRandomGenerator::global()->bounded(1000));
            killNow(child);
        }

        QProcess drain;
        QByteArray output;
        launch(drain, {});
        const bool drained = QTest::qWaitFor(
            [&] {
                output += drain.readAll();
                return queueAndRunningRows() == u"0/0" && m_standIn.sessions().size() >= rounds;
            },
            60000);
        drain.terminate();
        drain.waitForFinished(20000);
        QVERIFY2(drained,
                 qPrintable(queueAndRunningRows() + QLatin1Char(' ') + QString::fromUtf8(output)));

        const QHash<QString, qint64> history = storedHistory();
        QHash<QString, int> held;
        for (const QJsonValue &entry : m_standIn.sessions()) {
            const QJsonObject session = entry.toObject();
            const QString id = session.value(QStringLiteral("session_uuid")).toString().toUpper();
            ++held[id];
            QCOMPARE(session.value(QStringLiteral("status")).toString(),
                     QStringLiteral("completed"));
            QCOMPARE(session.value(QStringLiteral("total_seconds")).toInteger(),
                     history.value(id, -1));
        }
        QCOMPARE(held.size(), rounds);
        for (const QString &id : std::as_const(stopped))
            QCOMPARE(held.value(id), 1);

        // The service keeps one record a session whatever it is sent, so each final heartbeat it
        // took is checked too: a kill may make one go out again, but never a second, different
        // one (an interrupted session's, billing up to a mark).
        QSet<QString> finals;
        for (const StandInReceivedRequest &request : m_standIn.receivedRequests(
                 QStringLiteral("POST"),
                 QStringLiteral("hr/zuvevivezid/employees/sessions/heartbeat"))) {
            const QJsonObject body = request.json().toObject();
            if (request.status != 200 ||
                body.value(QStringLiteral("status")).toString() != u"completed")
                continue;
            const QString id = body.value(QStringLiteral("session_uuid")).toString().toUpper();
            finals.insert(id);
            QCOMPARE(body.value(QStringLiteral("total_seconds")).toInteger(),
                     history.value(id, -1));
        }
        for (const QString &id : std::as_const(stopped))
            QVERIFY2(finals.contains(id), qPrintable(id));
    }
};

QTEST_MAIN(TestStopSurvivesKill)
#include "TestStopSurvivesKill.moc"
