// Signs the demo employee in to the HR service named by ZUV_API_BASE_URL (the stand-in service,
// for the run command), the way the application's sign-in does: the tokens go to the keyring and
// the company address and names to the user defaults in the data folder, and the company's
// configuration to its cache file there. The application started afterwards restores that
// sign-in and can track at once: a restored sign-in starts from the cached configuration and
// fetches a new one only on its periodic refresh, 20 to 40 minutes later.
//
//   zuv-demo-sign-in <e-mail> <password>

#include "api/APIClient.h"
#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/KeychainService.h"
#include "api/KeychainThread.h"
#include "api/auth/AuthService.h"
#include "api/report/ScreenshotReportCache.h"
#include "app/state/DelayScheduler.h"
#include "app/state/RemoteConfigService.h"
#include "foundation/AppPaths.h"
#include "foundation/Clock.h"
#include "foundation/Log.h"
#include "foundation/RandomSource.h"
#include "foundation/SettingsStore.h"

#include <QCoreApplication>
#include <QTextStream>

#include <chrono>
#include <cstdio>

#include <sys/stat.h>

namespace {

QCoro::Task<> signIn(AuthService &auth, RemoteConfigService &config, QString email,
                     QString password, int &exitCode)
{
    QTextStream out(stdout);
    try {
        const SingleLoginResult result = co_await auth.login(email, password);
        if (result.directConfig()) {
            co_await config.fetchRemote();
            out << "Signed in as " << email << '\n';
            exitCode = 0;
        } else {
            out << "The account needs a one-time code or a choice of company; sign in in the "
                   "application instead.\n";
            exitCode = 1;
        }
    } catch (const std::exception &error) {
        out << "Sign-in failed: " << error.what() << '\n';
        exitCode = 1;
    }
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char *argv[])
{
    // The preferences it writes into the data folder are the user's alone, as the application's.
    ::umask(077);
    QCoreApplication application(argc, argv);
    Log::install();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fputs("usage: zuv-demo-sign-in <e-mail> <password>\n", stderr);
        return 2;
    }

    SettingsStore settings(AppPaths::filePath(QString::fromLatin1(SettingsStore::defaultFileName)));
    DomainStorage domainStorage(settings);
    APIEndpoints endpoints(domainStorage);
    KeychainService &keychain = KeychainService::shared();
    APIClient api(endpoints, keychain);
    ScreenshotReportCache reportCache{30, QTimeZone::systemTimeZone()};
    AuthService auth(api, keychain, domainStorage, settings, reportCache, systemClock());
    api.setUnauthorizedHandler(&auth);
    RemoteConfigService config(
        RemoteConfigService::Dependencies{api, settings, domainStorage, systemRandomSource(),
                                          systemDelayScheduler(), AppPaths::dataFolder(), [&auth] {
                                              return auth.signInGeneration();
                                          }});

    int exitCode = 1;
    QMetaObject::invokeMethod(
        &application, [&] { signIn(auth, config, arguments.at(1), arguments.at(2), exitCode); },
        Qt::QueuedConnection);
    QCoreApplication::exec();
    // The sign-in's write reaches the keyring behind the sign-in itself; whether it could be
    // remembered is known once it has.
    KeychainThread::instance().waitUntilIdle(std::chrono::minutes(1));
    if (exitCode == 0 && !keychain.remembersSignIn()) {
        QTextStream(stdout) << "No keyring here: the sign-in is not remembered, so the "
                               "application will ask for it.\n";
    }
    return exitCode;
}
