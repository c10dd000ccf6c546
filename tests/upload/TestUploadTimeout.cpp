#include "upload/UploadTestRig.h"

#include <QTcpServer>
#include <QtTest>

// A send that times out, on its own: it waits out the upload layer's full request time-out.
class TestUploadTimeout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void timedOutStartOutlastsTheRetryLimit();

private:
    StandInService m_standIn;
};

void TestUploadTimeout::initTestCase()
{
    QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
    qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
}

void TestUploadTimeout::timedOutStartOutlastsTheRetryLimit()
{
    UploadTestRig rig(m_standIn);
    const auto tokens = signInToStandIn(m_standIn);
    QVERIFY(tokens.has_value());
    rig.tokens.saveAuthTokens(*tokens);

    // A host that takes the connection and never says a word, as a stalled proxy does.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    rig.domainStorage.setBaseURL(
        QUrl(QStringLiteral("https://127.0.0.1:%1/api/v1/").arg(silent.serverPort())));

    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = QStringLiteral("DEVICE-TEST");
    session.projectId = QStringLiteral("101");
    session.projectName = QStringLiteral("Payroll");
    session.intervals = {{QUuid::createUuid(), rig.clock.now().addingSeconds(-60), std::nullopt}};
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    // Six sends have failed already: the next is past the count after which other tasks go.
    const QList<UploadTask> queued = rig.queuedTasks();
    QCOMPARE(queued.size(), 1);
    rig.store->markUploadTaskFailed(queued.at(0).id, RetryManager::maximumRetries + 1,
                                    rig.clock.now());

    rig.runPass();
    const QList<UploadTask> waiting = rig.queuedTasks();
    QCOMPARE(waiting.size(), 1);
    QCOMPARE(waiting.at(0).retryCount, RetryManager::maximumRetries + 2);

    QVERIFY(QTest::qWaitFor([&] { return silent.hasPendingConnections(); }, 1000));
    rig.domainStorage.setBaseURL(m_standIn.baseUrl());
    rig.clock.advance(RetryManager::maximumRetryDelaySeconds + 1);
    rig.runPass();
    QVERIFY(rig.queuedTasks().isEmpty());
    QCOMPARE(m_standIn.sessions().size(), 1);
}

QTEST_GUILESS_MAIN(TestUploadTimeout)
#include "TestUploadTimeout.moc"
