#include "foundation/Log.h"

Q_LOGGING_CATEGORY(lcAuth, "com.wendoka.zuvevivezid.auth", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSession, "com.wendoka.zuvevivezid.session", QtInfoMsg)
Q_LOGGING_CATEGORY(lcActivity, "com.wendoka.zuvevivezid.activity", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCapture, "com.wendoka.zuvevivezid.capture", QtInfoMsg)
Q_LOGGING_CATEGORY(lcUpload, "com.wendoka.zuvevivezid.upload", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPermissions, "com.wendoka.zuvevivezid.permissions", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLegacyShell, "com.wendoka.zuvevivezid.legacy-shell", QtInfoMsg)

namespace Log {

void install()
{
    // A fault is logged, never fatal: a stray QT_FATAL_* setting must not turn one into abort().
    qunsetenv("QT_FATAL_WARNINGS");
    qunsetenv("QT_FATAL_CRITICALS");
    qSetMessagePattern(
        QStringLiteral("%{time yyyy-MM-ddThh:mm:ss.zzz} "
                       "%{if-debug}debug%{endif}%{if-info}info%{endif}%{if-warning}error%{endif}"
                       "%{if-critical}fault%{endif} %{category}: %{message}"));
}

} // namespace Log
