// A tracking process for the crash tests: it tracks one session against the database and user
// defaults in the folder it is given, on a clock of its own that it moves one second per tick,
// with the segment clock ticking along, then says "ready" and waits to be killed (SIGKILL) or
// terminated (SIGTERM, a normal quit).
//
//   zuv-engine-crash-child FOLDER START_SECONDS TICKS
#include "EngineFixture.h"

#include "foundation/NotificationHub.h"
#include "platform/logind/TerminationSignalQuitter.h"
#include "tracking/engine/SegmentClockService.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage: zuv-engine-crash-child FOLDER START_SECONDS TICKS\n");
        return 2;
    }
    TerminationSignalQuitter quitter;

    EngineFixture fixture(arguments[1]);
    fixture.clock.set(Timestamp::fromSecondsSince1970(arguments[2].toDouble()));
    SessionManager &manager = fixture.createManager();
    RemoteConfig config = EngineFixture::config(QStringLiteral("pause"), true, 100'000);
    config.appTimezone = QStringLiteral("UTC");
    manager.applyConfig(config);
    SegmentClockService segmentClock(
        manager, SegmentClockService::Dependencies{
                     *fixture.store, fixture.settings, fixture.clock, {}, std::chrono::hours(1)});
    segmentClock.bindToTrackingState();
    manager.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
    if (!manager.isTracking())
        return 3;

    // Some input, saved into the session as a finished capture does.
    if (!fixture.pushInput(RawInputEvent::Type::KeyDown, 7) ||
        !fixture.pushInput(RawInputEvent::Type::PointerMotion, 5))
        return 4;
    Q_EMIT NotificationHub::instance().screenCaptureDidComplete(manager.currentSession()->id, {});
    QCoreApplication::processEvents();

    // Counted after the capture: only a quit saves them.
    if (!fixture.pushInput(RawInputEvent::Type::KeyDown, 3))
        return 4;

    const int ticks = arguments[3].toInt();
    for (int tick = 0; tick < ticks; ++tick) {
        fixture.clock.advance(1.0);
        manager.updateLiveMetrics();
        segmentClock.tick();
    }

    std::printf("ready %s\n",
                qPrintable(manager.currentSession()->id.toString(QUuid::WithoutBraces)));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
