#include "support/TestEnvironment.h"

#include <QCoreApplication>

namespace TestEnvironment {

bool runningUnderCi()
{
    return qEnvironmentVariable("CI") == QLatin1String("true");
}

QString buildDirectory()
{
    const QString fromEnvironment = qEnvironmentVariable("ZUV_TEST_BINARY_DIR");
    return fromEnvironment.isEmpty() ? QCoreApplication::applicationDirPath() : fromEnvironment;
}

QString x11Problem()
{
    if (qEnvironmentVariable("DISPLAY").isEmpty())
        return QStringLiteral("no X11 display (DISPLAY is not set)");
    return QString();
}

QString keyringProblem()
{
    if (qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS").isEmpty())
        return QStringLiteral("no D-Bus session bus for the Secret Service");
    if (qEnvironmentVariable("ZUV_KEYRING_READY") != QLatin1String("1"))
        return QStringLiteral("no unlocked keyring (run under scripts/with-test-session.sh)");
    return QString();
}

} // namespace TestEnvironment
