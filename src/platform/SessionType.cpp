#include "platform/SessionType.h"

namespace SessionTypes {

SessionType fromEnvironment(const QProcessEnvironment &environment)
{
    const QString declared = environment.value(QStringLiteral("XDG_SESSION_TYPE"));
    if (declared == QLatin1String("wayland"))
        return SessionType::Wayland;
    if (declared == QLatin1String("x11"))
        return SessionType::X11;
    // A compositor started from a text console inherits that console's "tty" (and some login
    // managers leave "unspecified" or an empty value): the type then says nothing about the
    // display, and only the Wayland socket does.
    if (!environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return SessionType::Wayland;
    return SessionType::X11;
}

const char *name(SessionType type)
{
    return type == SessionType::Wayland ? "Wayland" : "X11";
}

} // namespace SessionTypes
