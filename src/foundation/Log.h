#pragma once

#include <QLoggingCategory>

// The program's log categories, one per area, all under "com.wendoka.zuvevivezid".
Q_DECLARE_LOGGING_CATEGORY(lcAuth)
Q_DECLARE_LOGGING_CATEGORY(lcSession)
Q_DECLARE_LOGGING_CATEGORY(lcActivity)
Q_DECLARE_LOGGING_CATEGORY(lcCapture)
Q_DECLARE_LOGGING_CATEGORY(lcUpload)
Q_DECLARE_LOGGING_CATEGORY(lcPermissions)
Q_DECLARE_LOGGING_CATEGORY(lcLegacyShell)

// The four levels the program logs at. Qt's levels carry them: error is a warning message and
// fault a critical one. Nothing here ever aborts the program (no qFatal).
#define zuvDebug(category) qCDebug(category)
#define zuvInfo(category) qCInfo(category)
#define zuvError(category) qCWarning(category)
#define zuvFault(category) qCCritical(category)

namespace Log {

inline constexpr const char *subsystem = "com.wendoka.zuvevivezid";

// Installs the program's message format and makes sure no message level is fatal. Called once by
// main(); debug messages stay off unless QT_LOGGING_RULES turns them on.
void install();

} // namespace Log
