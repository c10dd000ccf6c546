// Drains a long upload queue against the stand-in HR service on loopback, with the per-pass limit
// lifted, and reports tasks per second, CPU time per task and the process's peak resident memory.
//
//   zuv_bench_upload            runs itself once per queue length (1,000 and 10,000 tasks), each
//                               in a fresh process so that each peak is its own
//   zuv_bench_upload TASKS      one run with that many tasks (a multiple of four)
//
// The queue holds sessions that succeed as a whole: each contributes its start, its final
// heartbeat, one metadata task and one small screenshot file.
//
// With ZUV_BENCH_PROPOSED_INDEXES=1 the run first adds two indexes to the queue table (ordered
// by priority and age; by session), to measure them before they go into the store's schema.
// With ZUV_BENCH_TRACE=1 it also prints the gap between requests as the service saw them and, every
// 2 s of the drain, the tasks left and the heap and resident memory.

#include "store/SqliteConnection.h"
#include "store/SqliteStatement.h"
#include "upload/UploadTestRig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdio>

namespace {

constexpr int metadataPriority = 0;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"), or -1.
qint64 statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression line(QStringLiteral("^%1:\\s+(\\d+) kB$").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    const auto match = line.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

Session completedSession(Timestamp start, int index)
{
    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = QStringLiteral("DEVICE-BENCH");
    session.projectId = QStringLiteral("101");
    session.projectName = QStringLiteral("Payroll");
    session.intervals = {{QUuid::createUuid(), start, start.addingSeconds(600.0)}};
    session.mouseCount = 40 + index % 7;
    session.keyboardCount = 60 + index % 11;
    session.activityScore = 75.0;
    session.status = SessionStatus::Completed;
    session.reportedTotalSeconds = 600;
    return session;
}

void enqueueSessions(UploadTestRig &rig, int sessions)
{
    const Timestamp start = rig.clock.now().addingSeconds(-3600.0);
    for (int index = 0; index < sessions; ++index) {
        const Session session = completedSession(start, index);
        rig.writeCapture(session.id, QStringLiteral("2026-01-05T09-00-00Z"), 0);
        QCoro::waitFor(rig.service->enqueueSessionStart(session));
        // The final heartbeat and the capture file written above.
        QCoro::waitFor(rig.service->enqueueSessionUpload(session));
        UploadTask metadata;
        metadata.id = QUuid::createUuid();
        metadata.sessionId = session.id;
        metadata.type = UploadTaskType::Metadata;
        metadata.createdAt = rig.clock.now();
        metadata.priority = metadataPriority;
        rig.store->enqueueUploadTask(metadata);
    }
}

bool addProposedIndexes(const QString &databasePath)
{
    int resultCode = 0;
    const SqliteConnection connection = SqliteConnection::open(databasePath, &resultCode);
    return connection.isOpen() &&
           connection.execute("CREATE INDEX IF NOT EXISTS bench_upload_queue_order\n"
                              "  ON upload_queue(domain_key, priority DESC, created_at);") == 0 &&
           connection.execute("CREATE INDEX IF NOT EXISTS bench_upload_queue_session\n"
                              "  ON upload_queue(domain_key, session_id);") == 0;
}

// Counted through a connection of its own, so that neither the store's state nor the measured
// memory changes.
int countQueued(const UploadTestRig &rig)
{
    int resultCode = 0;
    const SqliteConnection connection =
        SqliteConnection::open(rig.store->databasePath(), &resultCode);
    SqliteStatement statement(connection, "SELECT COUNT(*) FROM upload_queue;");
    return statement.isValid() && statement.nextRow() ? statement.columnInt(0) : -1;
}

int runOnce(int tasks)
{
    if (tasks <= 0 || tasks % 4 != 0) {
        std::fprintf(stderr, "the task count must be a positive multiple of four\n");
        return 2;
    }
    StandInService standIn;
    if (!standIn.start()) {
        std::fprintf(stderr, "stand-in service: %s\n", qPrintable(standIn.errorString()));
        return 1;
    }
    qputenv(APIEndpoints::baseURLEnvironmentVariable, standIn.baseUrl().toString().toUtf8());

    UploadTestRig rig(standIn);
    if (qEnvironmentVariable("ZUV_BENCH_PROPOSED_INDEXES") == QLatin1String("1") &&
        !addProposedIndexes(rig.store->databasePath())) {
        std::fprintf(stderr, "could not add the proposed indexes\n");
        return 1;
    }
    const auto tokens = signInToStandIn(standIn);
    if (!tokens) {
        std::fprintf(stderr, "could not sign in to the stand-in service\n");
        return 1;
    }
    rig.tokens.saveAuthTokens(*tokens);
    standIn.clearReceivedRequests();

    enqueueSessions(rig, tasks / 4);
    const int queued = countQueued(rig);
    const qint64 rssBefore = statusKilobytes("VmRSS");
    const qint64 peakBefore = statusKilobytes("VmHWM");

    rig.service->setTasksPerPass(tasks + 1);
    int handled = 0;
    int handledLastPass = 0;
    QObject::connect(rig.service.get(), &UploadService::passFinished, [&](int count) {
        handled += count;
        handledLastPass = count;
    });
    QTimer memoryTrace;
    if (qEnvironmentVariableIsSet("ZUV_BENCH_TRACE")) {
        QObject::connect(&memoryTrace, &QTimer::timeout, [&] {
            std::fprintf(
                stderr,
                "left %d  heap in use %zu kB  VmRSS %lld kB  RssAnon %lld kB  RssFile %lld "
                "kB\n",
                countQueued(rig), mallinfo2().uordblks / 1024,
                static_cast<long long>(statusKilobytes("VmRSS")),
                static_cast<long long>(statusKilobytes("RssAnon")),
                static_cast<long long>(statusKilobytes("RssFile")));
        });
        memoryTrace.start(2000);
    }
    QElapsedTimer wall;
    const double cpuBefore = cpuSeconds();
    wall.start();
    int passes = 0;
    // One pass should drain it; more only if a pass ended early.
    do {
        rig.runPass();
        ++passes;
    } while (handled < tasks && handledLastPass > 0 && passes < 5);
    const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const qint64 peakAfter = statusKilobytes("VmHWM");
    const int left = countQueued(rig);

    const auto requests = standIn.receivedRequests();
    const int received = requests.size();
    if (qEnvironmentVariableIsSet("ZUV_BENCH_TRACE")) {
        for (int i = 1; i < requests.size(); ++i)
            std::fprintf(stderr, "%s %.1f ms\n", qPrintable(requests[i].path),
                         (requests[i].receivedAt - requests[i - 1].receivedAt) * 1000);
    }
    const int sent = tasks - tasks / 4; // metadata tasks make no request
    std::printf("tasks %6d  queued %6d  passes %d  left %d  requests %6d/%d  "
                "%8.1f tasks/s  %7.1f us CPU/task  VmRSS before drain %6lld kB  "
                "VmHWM before drain %6lld kB  VmHWM after drain %6lld kB\n",
                tasks, queued, passes, left, received, sent, tasks / seconds, cpu / tasks * 1e6,
                static_cast<long long>(rssBefore), static_cast<long long>(peakBefore),
                static_cast<long long>(peakAfter));
    std::fflush(stdout);
    return left == 0 && received == sent ? 0 : 1;
}

int runEachLengthInItsOwnProcess(const QString &program)
{
    int result = 0;
    for (const int tasks : {1000, 10000}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program, {QString::number(tasks)});
        if (!child.waitForFinished(30 * 60 * 1000)) {
            std::fprintf(stderr, "run with %d tasks did not finish\n", tasks);
            return 1;
        }
        std::fputs(child.readAllStandardOutput().constData(), stdout);
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            result = 1;
    }
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // The per-task info lines would dominate what is measured; errors still show.
    QLoggingCategory::setFilterRules(QStringLiteral("com.wendoka.zuvevivezid.*.info=false\n"
                                                    "com.wendoka.zuvevivezid.*.debug=false"));
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        return runOnce(arguments.at(1).toInt());
    return runEachLengthInItsOwnProcess(QCoreApplication::applicationFilePath());
}
