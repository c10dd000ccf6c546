#include "app/shell/WalkProcess.h"

#include "support/standin/StandInService.h"

#include <QFile>
#include <QUuid>

namespace WalkProcess {

QString useStandIn(StandInService &standIn, const QByteArray &walkName)
{
    if (!standIn.start())
        return standIn.errorString();
    qputenv("ZUV_KEYRING_SERVICE", QByteArrayLiteral("com.wendoka.zuvevivezid.") + walkName + '-' +
                                       QUuid::createUuid().toByteArray(QUuid::WithoutBraces));
    qputenv("ZUV_API_BASE_URL", standIn.baseUrl().toString().toUtf8());
    qputenv("ZUV_EXTRA_CA_CERTIFICATES", QFile::encodeName(standIn.caCertificatePath()));
    return {};
}

} // namespace WalkProcess
