// Launch time to the tray icon and the shell's resident memory.
//
//   scripts/with-test-session.sh build/bench/app/zuv_bench_app
//
// 1. Starts the application (a child process, its own data folder) against a tray host of this
//    program's own and reports the time from the start to the icon's dock request, and the
//    child's resident memory once it has settled.
// 2. In this process, over a tracking engine on a fake clock: the tray shell with its popover,
//    an hour of tracking (3600 ticks of the one-second ticker, each followed by the tray refresh)
//    with the popover opened and closed 100 times; resident memory before and after.

#include "app/shell/FakeTrayHost.h"
#include "app/shell/ShellTestRig.h"
#include "app/shell/TrayShell.h"
#include "app/state/SessionManagerControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

double residentMegabytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1.0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toDouble() / 1024.0;
    }
    return -1.0;
}

void benchLaunch(FakeTrayHost &host)
{
    QTemporaryDir folder;
    QProcess application;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ZUV_DATA_DIR"), folder.path());
    application.setProcessEnvironment(environment);
    application.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const int before = static_cast<int>(host.dockRequests().size());
    QElapsedTimer clock;
    clock.start();
    application.start(QStringLiteral(ZUV_APPLICATION_PATH), QStringList());
    const bool docked = QTest::qWaitFor(
        [&] {
            host.pump();
            return host.dockRequests().size() > before;
        },
        30000);
    const qint64 launchMs = clock.elapsed();
    QTest::qWait(2000);
    const double rss = residentMegabytes(application.processId());
    std::printf("launch to tray icon shown: %s %lld ms\n", docked ? "" : "(no dock request!)",
                static_cast<long long>(launchMs));
    std::printf("resident memory after launch (application process): %.1f MB\n", rss);
    application.terminate();
    application.waitForFinished(20000);
}

void benchHourOfTracking()
{
    ShellTestRig rig;
    rig.finishRestore(true);
    rig.appState->setHasRequiredPermissions(true);
    SessionManagerControl control(rig.sessionManager());
    TrayShell shell(
        TrayShell::Dependencies{*rig.appState, rig.sessionManager(), control, rig.random, {}, [] {
                                }});
    shell.install();
    shell.togglePopover();
    shell.togglePopover();
    QTest::qWait(500);
    const double atStart = residentMegabytes(QCoreApplication::applicationPid());

    SessionManager &engine = rig.sessionManager();
    engine.applyConfig(EngineFixture::config(QStringLiteral("ask"), false));
    engine.startTracking(RemoteProject{QStringLiteral("p1"), QStringLiteral("Payroll")});
    QElapsedTimer clock;
    clock.start();
    int toggles = 0;
    for (int second = 1; second <= 3600; ++second) {
        rig.engine.clock.advance(1.0);
        engine.updateLiveMetrics();
        QCoreApplication::processEvents();
        if (second % 36 == 0) {
            shell.togglePopover();
            QCoreApplication::processEvents();
            shell.togglePopover();
            ++toggles;
        }
        if (second == 1800)
            std::printf("resident memory at half an hour: %.1f MB\n",
                        residentMegabytes(QCoreApplication::applicationPid()));
    }
    QCoreApplication::processEvents();
    const double atEnd = residentMegabytes(QCoreApplication::applicationPid());
    std::printf("simulated hour: %d ticks, popover opened and closed %d times, %lld ms\n", 3600,
                toggles, static_cast<long long>(clock.elapsed()));
    std::printf("tray label at the end: %s, icon replaced %d times\n",
                qPrintable(shell.currentLabel()), shell.iconUpdates());
    std::printf("resident memory (this process) after launch: %.1f MB, after the hour: %.1f MB\n",
                atStart, atEnd);
    engine.stopTracking(std::nullopt);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // As the application does.
    TrayShell::chooseSceneGraphBackend();
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "Needs an X display: scripts/with-test-session.sh %s\n", argv[0]);
        return 1;
    }
    FakeTrayHost host;
    if (!host.ownsSelection()) {
        std::fprintf(stderr, "Another tray host runs on this display\n");
        return 1;
    }
    if (!QTest::qWaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }))
        std::fprintf(stderr, "The tray host was not seen\n");
    benchLaunch(host);
    benchHourOfTracking();
    return 0;
}
