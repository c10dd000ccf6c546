// Signing in through the sign-in screen's model against the stand-in service over HTTPS, with the
// real keyring:
//
//   scripts/with-test-session.sh build/dev/bench/signin/zuv_bench_signin
//
// 1. Twenty times: the time from "Login" (the direct demo account) to the signed-in route, beside
//    the service's own time for the same two requests (sign-in and configuration) made directly.
// 2. Fifty sign-in and sign-out cycles, each through a new screen model as after a sign-out;
//    resident memory after the first ten and after the fiftieth.

#include "SignInLaunch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTest>
#include <QUuid>

#include <algorithm>
#include <cstdio>

namespace {

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1.0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').constFirst().toDouble() / 1024.0;
    }
    return -1.0;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

bool signOut(SignInLaunch &launch)
{
    bool done = false;
    [](SignInLaunch &l, bool &flag) -> QCoro::Task<> {
        co_await l.auth.logout();
        flag = true;
    }(launch, done);
    const bool ended = QTest::qWaitFor([&] { return done; }, 20000);
    launch.rig.appState->setIsAuthenticated(false);
    launch.completion->signedOut();
    return ended && QTest::qWaitFor([] { return !LoginViewModel::isLoginInProgress(); }, 5000);
}

// One sign-in through a new screen model; milliseconds, or -1 when it did not arrive.
double signIn(SignInLaunch &launch)
{
    LoginViewModel screen;
    screen.setBackend(&launch.backend);
    screen.setCompletion(launch.completion.get());
    screen.setEmail(StandInService::demoEmail());
    screen.setPassword(StandInService::demoPassword());
    QElapsedTimer clock;
    clock.start();
    screen.performLogin();
    const bool arrived = QTest::qWaitFor(
        [&] { return launch.root.route() == RootViewModel::Route::SignedIn; }, 20000);
    return arrived ? static_cast<double>(clock.nsecsElapsed()) / 1e6 : -1.0;
}

double serviceTime(SignInLaunch &launch)
{
    bool done = false;
    QElapsedTimer clock;
    clock.start();
    [](SignInLaunch &l, bool &flag) -> QCoro::Task<> {
        const QString email = StandInService::demoEmail();
        const QString password = StandInService::demoPassword();
        co_await l.auth.login(email, password);
        co_await l.configService.fetchRemote();
        flag = true;
    }(launch, done);
    return QTest::qWaitFor([&] { return done; }, 20000)
               ? static_cast<double>(clock.nsecsElapsed()) / 1e6
               : -1.0;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication application(argc, argv);
    StandInService standIn;
    if (!standIn.start()) {
        std::fprintf(stderr, "stand-in: %s\n", qPrintable(standIn.errorString()));
        return 1;
    }
    qputenv(APIEndpoints::baseURLEnvironmentVariable, standIn.baseUrl().toString().toUtf8());
    const QString keyring = QLatin1String(KeychainService::serviceName) +
                            QStringLiteral(".bench-") +
                            QUuid::createUuid().toString(QUuid::WithoutBraces);
    SignInLaunch launch(keyring, standIn.caCertificatePath());

    QList<double> flow;
    QList<double> service;
    for (int round = 0; round < 20; ++round) {
        service.append(serviceTime(launch));
        if (!signOut(launch))
            return 1;
        flow.append(signIn(launch));
        if (flow.last() < 0 || !signOut(launch))
            return 1;
    }
    std::printf("Login to signed-in route: median %.1f ms; the service alone: median %.1f ms\n",
                median(flow), median(service));

    double afterTen = 0;
    for (int cycle = 1; cycle <= 50; ++cycle) {
        if (signIn(launch) < 0 || !signOut(launch))
            return 1;
        if (cycle == 10)
            afterTen = residentMegabytes();
    }
    std::printf("Resident memory: %.1f MB after 10 cycles, %.1f MB after 50\n", afterTen,
                residentMegabytes());
    KeychainService(keyring).deleteAuthTokens();
    return 0;
}
