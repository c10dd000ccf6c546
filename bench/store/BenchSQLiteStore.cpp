// Times the store's operations on the paths the engine and the upload pass run all day: saving the
// running session, archiving a finished one, the start and the end written with their upload
// task, the heartbeat mark written every ten seconds of tracking, and taking the next due upload
// task from a short and from a very long queue. Prints one line per case: median and 95th
// percentile per call.

#include "foundation/Clock.h"
#include "foundation/SettingsStore.h"
#include "foundation/UuidText.h"
#include "store/SQLiteStore.h"
#include "store/SqliteConnection.h"
#include "store/SqliteStatement.h"
#include "tracking/engine/TrackingHeartbeat.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

class BenchClock final : public Clock
{
public:
    Timestamp now() const override { return Timestamp::fromSecondsSince1970(1'760'000'000.0); }
};

const QString domain = QStringLiteral("acme.example");

void report(const char *name, std::vector<double> micros)
{
    std::sort(micros.begin(), micros.end());
    const double median = micros[micros.size() / 2];
    const double p95 = micros[micros.size() * 95 / 100];
    std::printf("%-58s %9.1f us median %9.1f us p95  (%zu calls)\n", name, median, p95,
                micros.size());
}

std::vector<double> timeCalls(int calls, const std::function<void(int)> &call)
{
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(calls));
    QElapsedTimer timer;
    for (int i = 0; i < calls; ++i) {
        timer.start();
        call(i);
        micros.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
    }
    return micros;
}

Session runningSession(int intervals)
{
    Session session;
    session.id = QUuid::createUuid();
    session.deviceId = UuidText::format(QUuid::createUuid());
    session.projectId = QStringLiteral("project-1");
    session.projectName = QStringLiteral("Quarterly report");
    const Timestamp start = Timestamp::fromSecondsSince1970(1'759'990'000.0);
    for (int i = 0; i < intervals; ++i)
        session.intervals.append({QUuid::createUuid(), start.addingSeconds(i * 600.0),
                                  start.addingSeconds(i * 600.0 + 500.0)});
    session.intervals.append({QUuid::createUuid(), start.addingSeconds(intervals * 600.0), {}});
    return session;
}

// Fills the queue in one transaction, the way a long offline stretch would leave it. dueRows of
// this company's rows are due now (-1: all of them); the rest of its rows failed and wait for a
// later attempt. Every other row belongs to another company.
void fillQueue(const QString &path, int rows, int dueRows)
{
    int rc = 0;
    const SqliteConnection connection = SqliteConnection::open(path, &rc);
    connection.execute("BEGIN;");
    int dueSoFar = 0;
    for (int i = 0; i < rows; ++i) {
        const bool ours = i % 2 == 0;
        const bool due = ours && (dueRows < 0 || dueSoFar < dueRows) &&
                         (dueRows < 0 || i % std::max(1, rows / std::max(1, 2 * dueRows)) == 0);
        if (due)
            ++dueSoFar;
        SqliteStatement row(connection,
                            "INSERT INTO upload_queue (id, domain_key, session_id, type, "
                            "file_path, json_payload, retry_count, created_at, status, priority, "
                            "next_attempt_at) VALUES (?, ?, ?, 'screenshot', ?, NULL, ?, ?, ?, 10, "
                            "?);");
        row.bindText(1, UuidText::format(QUuid::createUuid()));
        row.bindText(2, ours ? domain : QStringLiteral("other.example"));
        row.bindText(3, UuidText::format(QUuid::createUuid()));
        row.bindText(4, QStringLiteral("/captures/%1.jpg").arg(i));
        row.bindInt(5, due ? 0 : 3);
        row.bindReal(6, 1'700'000'000.0 + i);
        row.bindText(7, due ? QStringLiteral("pending") : QStringLiteral("failed"));
        row.bindReal(8, due ? 0.0 : 1'900'000'000.0);
        row.step();
    }
    connection.execute("COMMIT;");
}

void benchQueue(const QString &folder, int rows, int dueRows)
{
    const QString path = folder + QStringLiteral("/queue-%1-%2.sqlite").arg(rows).arg(dueRows);
    QFile::remove(path);
    const BenchClock clock;
    {
        SQLiteStore create(
            path, [] { return domain; }, clock);
    }
    fillQueue(path, rows, dueRows);
    SQLiteStore store(
        path, [] { return domain; }, clock);
    const Timestamp now = clock.now();
    char name[128];
    if (dueRows < 0)
        std::snprintf(name, sizeof name, "nextUploadTask, %d rows, all %d of ours due", rows,
                      rows / 2);
    else
        std::snprintf(name, sizeof name, "nextUploadTask, %d rows, %d due", rows, dueRows);
    report(name, timeCalls(300, [&](int) {
               if (!store.nextUploadTask(now))
                   std::fprintf(stderr, "no task found\n");
           }));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir temporary;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const BenchClock clock;

    {
        SQLiteStore store(
            folder + QStringLiteral("/sessions.sqlite"), [] { return domain; }, clock);
        const Session session = runningSession(40);
        report("saveActiveSession (running session, 40 intervals)",
               timeCalls(500, [&](int) { store.saveActiveSession(session); }));
        report("appendSessionHistory (new session, 40 intervals)", timeCalls(500, [&](int) {
                   Session finished = session;
                   finished.id = QUuid::createUuid();
                   store.appendSessionHistory(finished);
               }));
    }

    {
        SQLiteStore store(
            folder + QStringLiteral("/edges.sqlite"), [] { return domain; }, clock);
        const Session session = runningSession(40);
        UploadTask task;
        task.type = UploadTaskType::Heartbeat;
        task.jsonPayload = QByteArray(2'000, 'x');
        report("saveActiveSessionWithUpload (start, 40 intervals)", timeCalls(500, [&](int) {
                   Session started = session;
                   started.id = QUuid::createUuid();
                   task.id = QUuid::createUuid();
                   store.saveActiveSessionWithUpload(started, task);
               }));
        report("moveSessionToHistoryWithUpload (stop, 40 intervals)", timeCalls(500, [&](int) {
                   Session finished = session;
                   finished.id = QUuid::createUuid();
                   task.id = QUuid::createUuid();
                   store.moveSessionToHistoryWithUpload(finished, task);
               }));
    }
    {
        // The user defaults file as a day of tracking leaves it: a few dozen keys.
        SettingsStore settings(folder + QStringLiteral("/defaults.json"));
        for (int i = 0; i < 40; ++i)
            settings.setString(QStringLiteral("key.%1").arg(i), QStringLiteral("value %1").arg(i));
        TrackingHeartbeat heartbeat(settings);
        const QUuid sessionId = QUuid::createUuid();
        report("heartbeat mark (user defaults file rewritten)", timeCalls(500, [&](int i) {
                   heartbeat.record(sessionId, clock.now().addingSeconds(i * 10.0));
               }));
    }

    // The realistic shape: a long backlog that mostly waits for its next attempt or belongs to
    // another company, with a handful of tasks due.
    benchQueue(folder, 1'000, 20);
    benchQueue(folder, 100'000, 20);
    // The worst case: every task of the company is due at once.
    benchQueue(folder, 1'000, -1);
    benchQueue(folder, 100'000, -1);
    return 0;
}
