#include "support/FakeClock.h"
#include "upload/UploadTestRig.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

namespace {

const QString startPath = QStringLiteral("hr/zuvevivezid/employees/sessions/start");

} // namespace

class TestUploadCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void taskInFlightAtAKillIsSentAgainAfterRestart();

private:
    StandInService m_standIn;
};

void TestUploadCrash::initTestCase()
{
    QVERIFY2(m_standIn.start(), qPrintable(m_standIn.errorString()));
    qputenv(APIEndpoints::baseURLEnvironmentVariable, m_standIn.baseUrl().toString().toUtf8());
    qputenv("ZUV_EXTRA_CA_CERTIFICATES", m_standIn.caCertificatePath().toUtf8());
}

void TestUploadCrash::taskInFlightAtAKillIsSentAgainAfterRestart()
{
    UploadTestRig rig(m_standIn);
    // A company is signed in: the launch cleanup removes only queue rows of no company.
    rig.domainStorage.setBaseURL(m_standIn.baseUrl());
    const auto tokens = signInToStandIn(m_standIn);
    QVERIFY(tokens.has_value());
    rig.tokens.saveAuthTokens(*tokens);

    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = QStringLiteral("DEVICE-CRASH");
    session.projectId = QStringLiteral("101");
    session.projectName = QStringLiteral("Payroll");
    session.intervals = {{QUuid::createUuid(), rig.clock.now().addingSeconds(-30), {}}};
    QCoro::waitFor(rig.service->enqueueSessionStart(session));
    QVERIFY(m_standIn.clearReceivedRequests());
    // The start is held long enough for the kill to land while it is on its way.
    QVERIFY(m_standIn.setDelay(QStringLiteral("POST"), startPath, 5000));

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationDirPath() + QStringLiteral("/zuv_upload_pass_child"),
                {rig.store->databasePath(), rig.folder.filePath(QStringLiteral("captures")),
                 m_standIn.baseUrl().toString(), tokens->accessToken});
    QVERIFY(child.waitForStarted());
    QVERIFY(m_standIn.waitForRequests(QStringLiteral("POST"), startPath, 1, 15000));
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished());

    // The row was taken and left in progress by the killed pass: nothing due until a restart.
    QVERIFY(!rig.store->nextUploadTask(rig.clock.now().addingSeconds(3600)).has_value());

    QVERIFY(m_standIn.clearResponses());
    rig.service->start();
    rig.service->stop();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.service->isProcessing(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(
        rig.store->pendingUploadTaskIds(session.id, {UploadTaskType::StartSession}).isEmpty(),
        10000);
    const auto starts = m_standIn.receivedRequests(QStringLiteral("POST"), startPath);
    QVERIFY(starts.size() >= 2);
    QCOMPARE(starts.constLast().status, 200);
    QCOMPARE(m_standIn.sessions().size(), 1);
}

QTEST_GUILESS_MAIN(TestUploadCrash)
#include "TestUploadCrash.moc"
