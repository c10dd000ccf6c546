#pragma once

#include <QString>

// The application's data folder ("Zudevav EvozUvarevu" under the user's data location) and the
// files and folders the subsystems keep in it.
//
// The folder can be moved for tests and for the run command: setDataFolderOverride() in-process,
// or the environment variable ZUV_DATA_DIR for a whole process (children included).
class AppPaths
{
public:
    static constexpr const char *folderName = "Zudevav EvozUvarevu";
    static constexpr const char *dataFolderEnvironmentVariable = "ZUV_DATA_DIR";

    // The folder, created when missing. Never empty.
    static QString dataFolder();
    static QString filePath(const QString &fileName);

    static void setDataFolderOverride(const QString &folder);
    static void clearDataFolderOverride();
};
