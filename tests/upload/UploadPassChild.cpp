// A process that runs the upload service against a database file until it is killed. The kill
// test starts it, waits until a request is on its way, and kills it with SIGKILL.
//
//   zuv_upload_pass_child <database> <captures folder> <company base URL> <access token>
// The stand-in's address and authority come from ZUV_API_BASE_URL / ZUV_EXTRA_CA_CERTIFICATES.

#include "api/APIEndpoints.h"
#include "api/DomainStorage.h"
#include "api/auth/AuthTestSupport.h"
#include "foundation/Clock.h"
#include "foundation/RandomSource.h"
#include "foundation/SettingsStore.h"
#include "store/DeviceIdProvider.h"
#include "store/SQLiteStore.h"
#include "upload/RetryManager.h"
#include "upload/UploadHttpClient.h"
#include "upload/UploadService.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 5)
        return 2;

    SettingsStore settings{QString()};
    DomainStorage domainStorage(settings);
    domainStorage.setBaseURL(QUrl(arguments.at(3)));
    APIEndpoints endpoints(domainStorage);
    MemoryTokenStore tokens;
    tokens.saveAuthTokens(AuthTokens{arguments.at(4), QString(), {}, {}, {}, {}});
    SQLiteStore store(
        arguments.at(1), [&] { return domainStorage.partitionKey(); }, systemClock());
    DeviceIdProvider deviceIds(settings);
    RetryManager retry(systemClock(), systemRandomSource());
    UploadHttpClient http(endpoints, tokens, nullptr);
    UploadService service({store, http, retry, settings, deviceIds, systemClock(),
                           systemRandomSource(), [&] { return domainStorage.partitionKey(); },
                           arguments.at(2), nullptr});
    service.start();
    return application.exec();
}
