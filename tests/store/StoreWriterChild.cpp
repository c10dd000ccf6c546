// Writes sessions, history rows and upload tasks into the database named on the command line
// until it is killed, printing one line per completed round: "<round> <session id>".

#include "foundation/Clock.h"
#include "foundation/UuidText.h"
#include "store/SQLiteStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc < 2)
        return 2;
    SQLiteStore store(
        QString::fromLocal8Bit(argv[1]), [] { return QStringLiteral("global"); }, systemClock());
    if (!store.isOpen())
        return 3;

    for (int round = 0;; ++round) {
        Session session;
        session.id = QUuid::createUuid();
        session.deviceId = QStringLiteral("writer");
        session.projectId = QStringLiteral("p-%1").arg(round);
        session.projectName = QStringLiteral("Project %1").arg(round);
        const Timestamp now = systemClock().now();
        session.intervals = {{QUuid::createUuid(), now.addingSeconds(-60), now}};
        store.saveActiveSession(session);
        store.appendSessionHistory(session);

        UploadTask task;
        task.id = QUuid::createUuid();
        task.sessionId = session.id;
        task.type = UploadTaskType::Heartbeat;
        task.jsonPayload = QByteArray(512, 'x');
        task.createdAt = now;
        task.priority = 100;
        store.enqueueUploadTask(task);

        std::printf("%d %s\n", round, qPrintable(UuidText::format(session.id)));
        std::fflush(stdout);
    }
}
